#include "app/hex_entry.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/card_settings.h"
#include "carddata/hex_text.h"

namespace tollvane {

namespace {

bool AllHexDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsHexDigit(c); });
}

void BeginEntry(AppContext& app, const HexFieldInfo& field) {
    const HexFieldValue value = KeptValueOf(app, field.edit);
    // Putting the text in reports a change; the flag is still off, so the
    // program's own text is not filtered.
    app.form.SetText(field.edit, StripBlanks(value.text));
    value.filterActive = true;
}

void FilterEntry(AppContext& app, const HexFieldInfo& field) {
    const HexFieldValue value = KeptValueOf(app, field.edit);
    if (!value.filterActive) return;

    const std::string typed = app.form.Text(field.edit);
    std::string text = typed;
    int caret = app.form.Caret(field.edit);
    // Each step removes one character that is not a digit; a paste with
    // blanks or dashes is cleaned here in one go rather than through one
    // change reported per removed character.
    for (;;) {
        FilterResult step = FilterHexInput(text, caret, field.digits);
        if (step.text == text) break;
        text = std::move(step.text);
        caret = step.caret;
    }
    // The edit takes more characters than the field has digits (room for
    // the blanks of a pasted display form). Digits beyond the field's count
    // are what was just put in before the caret; they go again, as a limit
    // on the digits would have refused them.
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    const int surplus = static_cast<int>(text.size()) - field.digits;
    const bool refused = surplus > 0 && AllHexDigits(text);
    if (refused) {
        const int cut = std::min(surplus, caret);
        text.erase(static_cast<std::size_t>(caret - cut), static_cast<std::size_t>(cut));
        caret -= cut;
        text.resize(static_cast<std::size_t>(field.digits));
        caret = std::min(caret, field.digits);
    }
    if (text != typed) {
        // Under Windows this reports the change at once; the text is clean
        // already, and the nested call must not end an entry whose keystroke
        // was just refused.
        value.filterActive = false;
        app.form.SetText(field.edit, text);
        app.form.SetCaret(field.edit, caret);
        value.filterActive = true;
    }
    // A field holding all its digits is done: taking the focus away parses
    // it through OnEditLeft. A keystroke that was refused because the field
    // was full already leaves the entry open, as a digit limit would.
    if (!refused && value.filterActive && AllHexDigits(text) &&
        static_cast<int>(text.size()) == field.digits)
        app.form.FocusMainWindow();
}

void EndEntry(AppContext& app, const HexFieldInfo& field) {
    const HexFieldValue value = KeptValueOf(app, field.edit);
    value.filterActive = false;
    const ParsedHex parsed =
        ParseHexField(app.form.Text(field.edit), static_cast<int>(value.bytes.size()));
    SetHexField(app, field.edit, parsed.bytes);
}

}  // namespace

const HexFieldInfo* FindHexField(Ctl edit) {
    for (const HexFieldInfo& field : kHexFields)
        if (field.edit == edit) return &field;
    return nullptr;
}

void EnterHexField(AppContext& app, Ctl edit) {
    if (const HexFieldInfo* field = FindHexField(edit)) BeginEntry(app, *field);
}

void FilterHexField(AppContext& app, Ctl edit) {
    if (const HexFieldInfo* field = FindHexField(edit)) FilterEntry(app, *field);
}

void LeaveHexField(AppContext& app, Ctl edit) {
    if (const HexFieldInfo* field = FindHexField(edit)) EndEntry(app, *field);
}

}  // namespace tollvane
