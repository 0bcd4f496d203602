// Typing into the three hex edits: the digits-only form while focused, the
// filter, the entry that ends by itself at the last digit, and the parse into
// the kept bytes on leaving. The text helpers underneath are fuzzed against a
// plain reading of the rules (fuzz/hex_fuzz.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hex_entry.h"
#include "app/main_controller.h"
#include "carddata/hex_text.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;
using enum Ctl;

// The form as the program starts, with the edits reporting their
// notifications the way Windows does.
struct Entry : TestApp {
    Entry() {
        InitMainForm(app);
        WireEditNotifications();
    }
    // The operator edits the text and the caret ends at `caret`.
    void Edit(Ctl c, const std::string& text, int caret) {
        form[c].text = text;
        form[c].caret = caret;
        OnEditChanged(app, c);
    }
    std::string Kept(Ctl c) {
        const auto& v = app.values;
        if (c == Crypto1KeyEdit) return FormatHexBytes(v.crypto1Key.data(), v.crypto1Key.size());
        if (c == AesKeyEdit) return FormatHexBytes(v.aesKey.data(), v.aesKey.size());
        return FormatHexBytes(v.uniqueData.data(), v.uniqueData.size());
    }
};

const std::string kFF6 = "FF FF FF FF FF FF";

// Focus, one edit by the operator (caret at its end unless given), then the
// focus taken away if the entry did not end by itself. Each runs with the
// edit reporting EN_CHANGE for the program's own texts, as Windows does, and
// without: a paste is cleaned in one step either way.
struct EntryCase {
    Ctl edit;
    std::string typed;
    bool endsItself;       // the last digit ends the entry
    std::string shown;     // while the entry is open, or after it ended
    std::string leftWith;  // display form on leaving, and the kept bytes
    int caret = -1;
    std::string converter = "5544332211";  // the data's hex number after leaving
};

TEST(HexEntryTest, TypingFilteringAndLeaving) {
    const std::vector<EntryCase> cases = {
        {AesKeyEdit, "00112233", false, "00112233", "00 11 22 33 FF FF FF FF FF FF FF FF FF FF FF FF"},
        {SectorDataEdit, "0102", false, "0102", "01 02 FF FF FF FF FF", -1, "FFFFFF0201"},
        {Crypto1KeyEdit, "a0-b1 C2", false, "01C2", "01 C2 FF FF FF FF"},
        {Crypto1KeyEdit, "A0A1A2A3A4A5", true, "A0 A1 A2 A3 A4 A5", "A0 A1 A2 A3 A4 A5"},
        {SectorDataEdit, "01020304050607", true, "01 02 03 04 05 06 07", "01 02 03 04 05 06 07", -1, "0504030201"},
        // A pasted display form arrives whole (the edit takes as many
        // characters as it has) and, complete, ends the entry.
        {Crypto1KeyEdit, "A0 A1 A2 A3 A4 A5", true, "A0 A1 A2 A3 A4 A5", "A0 A1 A2 A3 A4 A5"},
        // Digits beyond the field's count before the caret are refused, as a
        // digit limit would refuse them, and the entry stays open.
        {Crypto1KeyEdit, "FFFFFFFFFFFF1", false, "FFFFFFFFFFFF", kFF6, 13},
        {Crypto1KeyEdit, "1FFFFFFFFFFFF", false, "FFFFFFFFFFFF", kFF6, 1},
        {Crypto1KeyEdit, "AB0102030405060708", false, "010203040506", "01 02 03 04 05 06", 2},
        {AesKeyEdit, std::string(32, 'F') + "0", false, std::string(32, 'F'), kFF6 + " " + kFF6 + " FF FF FF FF", 33},
    };
    for (bool reportsOwnTexts : {true, false}) {
        for (const EntryCase& c : cases) {
            SCOPED_TRACE(c.typed + (reportsOwnTexts ? "" : " (no EN_CHANGE for the program's texts)"));
            Entry t;
            if (!reportsOwnTexts) t.form.onTextSet = nullptr;
            t.FocusEdit(c.edit);
            EXPECT_EQ(t.form.Text(c.edit), StripBlanks(t.form.Text(c.edit)));  // digits alone while focused
            t.Edit(c.edit, c.typed, c.caret < 0 ? static_cast<int>(c.typed.size()) : c.caret);
            EXPECT_EQ(t.form.focused.has_value(), !c.endsItself);
            EXPECT_EQ(t.form.Text(c.edit), c.shown);
            t.form.FocusMainWindow();
            EXPECT_EQ(t.form.Text(c.edit), c.leftWith);
            EXPECT_EQ(t.Kept(c.edit), c.leftWith);
            EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit) && t.form.IsPasswordMasked(AesKeyEdit));
            EXPECT_EQ(t.form.Text(HexEdit), c.converter);
        }
    }
}

TEST(HexEntryTest, TheProgramsOwnTextAndOtherNotificationsAreNotFiltered) {
    Entry t;
    // A text another part put there, with lower-case letters: entering does
    // not filter it, and the parse counts such a letter as 0.
    t.app.values.crypto1KeyText = "ab CD ef 12 34 56";
    t.FocusEdit(Crypto1KeyEdit);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "abCDef123456");
    t.form.FocusMainWindow();
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "00 CD 00 12 34 56");
    // Without the focus the filter is off; other edits are no entry.
    t.Edit(Crypto1KeyEdit, "xyz", 3);
    OnEditEntered(t.app, SectorEdit);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "xyz");
    EXPECT_FALSE(t.app.values.aesFilter || t.app.values.crypto1Filter || t.app.values.uniqueFilter);
}

}  // namespace
}  // namespace tollvane
