#include "keystore/key_list.h"

#include "keystore/key_list_operation.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace tollvane {
namespace {

// The window's field texts hold at most this much; anything longer is cut.
constexpr std::size_t kCrypto1FieldLimit = 31;
constexpr std::size_t kAesFieldLimit = 63;

constexpr char kMaskedCrypto1[] = "*****************";             // 17
constexpr char kMaskedAes[] = "********************************";  // 32

std::string Numbered(int index, const char* text) {
    char number[16];
    std::snprintf(number, sizeof number, "[%04d] ", index);
    return number + std::string(text);
}

// A field text as the window hands it over: cut to its buffer, and a
// description ends at a line break, which would split the record in two.
std::string Limited(std::string text, std::size_t limit) {
    if (text.size() > limit) text.resize(limit);
    return text;
}

std::string SingleLine(std::string text) {
    const std::size_t cut = text.find_first_of("\r\n");
    if (cut != std::string::npos) text.resize(cut);
    return text;
}

// One line as the list shows it: parsed into the running record (a line
// that lacks a field keeps the previous line's), the keys regrouped or
// masked, and appended as the next row.
void AppendViewRow(KeyListView& shown, std::string_view line, bool showKeys) {
    KeyRecord& view = shown.after;
    shown.prints.push_back(LineFingerprint(line));
    ParseKeyRecord(line, view);
    if (showKeys) {
        RegroupKeys(view);
    } else {
        view.M_KEY = kMaskedCrypto1;
        view.A_KEY = kMaskedAes;
    }
    shown.rows.Append(view, showKeys);
}

}  // namespace

std::uint64_t LineFingerprint(std::string_view line) {
    // FNV-1a: enough to tell one record's line from another's.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : line) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

KeyList::KeyList(Files& files, KeyFileCipher& cipher, MessageBoxes& boxes,
                 const MessageTable& texts, Sleeper& sleeper, KeyRecordForm& form,
                 std::string directory)
    : files_(files),
      cipher_(cipher),
      boxes_(boxes),
      texts_(texts),
      sleeper_(sleeper),
      form_(form),
      directory_(std::move(directory)) {}

KeyList::KeysScan KeyList::ScanKeysFile(Operation& operation, OpenMode mode,
                                        const std::function<bool(const std::string&)>& visit) {
    KeysScan scan;
    if (!files_.Open(PathOf(kKeysFile), mode, scan.file)) {
        operation.Say(Msg::kKeysDataNotFound);
        return scan;
    }
    scan.opened = true;
    KeyLineReader reader(*scan.file);
    std::string line;
    KeyLineReader::Result next;
    while ((next = reader.Next(line)) == KeyLineReader::Result::Line) {
        if (!visit(line)) return scan;
    }
    scan.failed = next == KeyLineReader::Result::Failed;
    scan.error = reader.Error();
    scan.rest = std::move(line);
    return scan;
}

KeyListOutcome KeyList::LoadKeyList() {
    Operation operation(*this);
    if (const KeyListOutcome taken = operation.Begin(); taken != KeyListOutcome::Done) return taken;
    const bool showKeys = ShowsKeys();
    KeyListView shown{{}, std::move(current_), {}};
    const KeysScan scan = ScanKeysFile(operation, OpenMode::Read, [&](const std::string& line) {
        AppendViewRow(shown, line, showKeys);
        return true;
    });
    current_ = std::move(shown.after);
    if (!scan.opened) return KeyListOutcome::Failed;
    if (ui_ != nullptr) {
        shownPrints_ = std::move(shown.prints);
        ui_->ShowRows(std::move(shown.rows));
    }
    if (!scan.failed) return KeyListOutcome::Done;
    operation.Say(Msg::kKeysDataReadError, scan.error);
    return KeyListOutcome::Failed;
}

KeyListOutcome KeyList::ReadRecordAt(int index, std::optional<std::uint64_t> expected) {
    Operation operation(*this);
    if (const KeyListOutcome taken = operation.Begin(); taken != KeyListOutcome::Done) return taken;
    int number = 0;
    bool found = false;
    const KeysScan scan = ScanKeysFile(operation, OpenMode::Read, [&](const std::string& line) {
        if (number++ != index) return true;
        found = !expected || LineFingerprint(line) == *expected;
        if (!found) return false;
        ParseKeyRecord(line, current_);
        RegroupKeys(current_);
        return false;
    });
    if (!scan.opened) return KeyListOutcome::Failed;
    if (expected && !found && !scan.failed) return KeyListOutcome::Changed;
    if (!scan.failed) return KeyListOutcome::Done;
    operation.Say(Msg::kKeysDataReadError, scan.error);
    return KeyListOutcome::Failed;
}

KeyListOutcome KeyList::ShowKeyRecord(int index, std::optional<std::uint64_t> expected) {
    const KeyListOutcome read = ReadRecordAt(index, expected);
    if (read == KeyListOutcome::Done) ShowRecordFields();
    return read;
}

void KeyList::ShowRecordFields() {
    if (ui_ == nullptr) return;
    ui_->SetFieldText(KeyField::Crypto1, current_.M_KEY);
    ui_->SetFieldText(KeyField::Aes, current_.A_KEY);
    ui_->SetFieldText(KeyField::Description, current_.Description);
}

void KeyList::ShowView(KeyListView view) {
    current_ = std::move(view.after);
    shownPrints_ = std::move(view.prints);
    if (ui_ != nullptr) ui_->ShowRows(std::move(view.rows));
}

KeyListOutcome KeyList::UseKeyRecord(int index, std::optional<std::uint64_t> expected) {
    // The keys must come from this record's own line, not from the one parsed
    // before it (the list may have left masked keys there).
    current_.M_KEY.clear();
    current_.A_KEY.clear();
    const KeyListOutcome read = ReadRecordAt(index, expected);
    if (read == KeyListOutcome::Done) form_.Apply(current_);
    return read;
}

KeyListChange KeyList::AddKeyRecord() {
    if (ui_ == nullptr) return {};
    const std::string crypto1 = Limited(ui_->FieldText(KeyField::Crypto1), kCrypto1FieldLimit);
    const std::string aes = Limited(ui_->FieldText(KeyField::Aes), kAesFieldLimit);
    const std::string description =
        SingleLine(Limited(ui_->FieldText(KeyField::Description), kDescriptionCapacity));

    Operation operation(*this);
    if (const KeyListOutcome taken = operation.Begin(); taken != KeyListOutcome::Done)
        return {taken, -1, std::nullopt};
    KeyListChange change;  // failed until the new list is stored
    // The rows are gathered beside the duplicate check, as a reload of the
    // list would show them; the check itself always compares regrouped keys.
    const bool showKeys = ShowsKeys();
    KeyListView view{{}, current_, {}};
    bool endsWithLineFeed = true;
    {
        int number = 0;
        KeysScan scan = ScanKeysFile(operation, OpenMode::ReadWrite, [&](const std::string& line) {
            ParseKeyRecord(line, current_);
            RegroupKeys(current_);
            if (crypto1 == current_.M_KEY && aes == current_.A_KEY &&
                description == current_.Description) {
                change.outcome = KeyListOutcome::Duplicate;
                change.duplicate = number;
                return false;
            }
            AppendViewRow(view, line, showKeys);
            ++number;
            return true;
        });
        if (!scan.opened || change.outcome == KeyListOutcome::Duplicate) return change;
        if (scan.failed) {
            operation.Say(Msg::kKeysDataReadError, scan.error);
            return change;
        }
        // Reading stopped at the end of the file, so the record goes right
        // after its last byte; a last line without its line feed (left there
        // by an editor) must not run into it.
        endsWithLineFeed = scan.rest.empty();
        std::string record = endsWithLineFeed ? "" : "\n";
        record += FormatKeyRecord(crypto1, aes, description, form_.CurrentSettings());
        if (const FileResult write = scan.file->Write(record.data(), record.size()); !write) {
            operation.Say(Msg::kKeysDataWriteError, write.error);
            return change;
        }
        AppendViewRow(view, std::string_view(record).substr(0, record.size() - 1), showKeys);
    }
    change.outcome = operation.Store();
    // After a line that lacked its line feed the rows gathered are not what
    // a reload would show: the window reads the list back instead.
    if (change.outcome == KeyListOutcome::Done && endsWithLineFeed) change.view = std::move(view);
    return change;
}

KeyListChange KeyList::RemoveKeyRecord(int index, std::optional<std::uint64_t> expected) {
    Operation operation(*this);
    if (const KeyListOutcome taken = operation.Begin(); taken != KeyListOutcome::Done)
        return {taken, -1, std::nullopt};
    KeyListChange change;  // failed until the new list is stored
    const bool showKeys = ShowsKeys();
    KeyListView view{{}, current_, {}};
    std::string firstKept;
    {
        std::unique_ptr<File> source;
        std::unique_ptr<File> target;
        if (!files_.Open(PathOf(kKeysFile), OpenMode::Read, source)) {
            operation.Say(Msg::kKeysDataNotFound);
            return change;
        }
        if (!files_.Open(PathOf(kTmpKeysFile), OpenMode::CreateAlways, target)) {
            operation.Say(Msg::kTempFileCreateError);
            return change;
        }
        KeyLineReader reader(*source);
        KeyLineWriter writer(*target);
        std::string line;
        FileResult write;
        KeyLineReader::Result next = KeyLineReader::Result::End;
        int number = 0;
        bool found = !expected;
        while (write && (next = reader.Next(line)) == KeyLineReader::Result::Line) {
            if (number++ == index) {
                // Another station may have changed the list since the window
                // showed it: only the record chosen there is removed.
                found = !expected || LineFingerprint(line) == *expected;
                if (!found) break;
                continue;
            }
            write = writer.Add(line);
            if (view.rows.Count() == 0) firstKept = line;
            AppendViewRow(view, line, showKeys);
        }
        if (!found && next != KeyLineReader::Result::Failed)
            return {KeyListOutcome::Changed, -1, std::nullopt};
        if (write && next == KeyLineReader::Result::End) write = writer.Finish();
        if (!write) {
            operation.Say(Msg::kTempFileWriteError, write.error);
            return change;
        }
        if (next == KeyLineReader::Result::Failed) {
            operation.Say(Msg::kKeysDataReadError, reader.Error());
            return change;
        }
    }
    if (const FileResult moved = files_.MoveReplace(PathOf(kTmpKeysFile), PathOf(kKeysFile));
        !moved) {
        operation.Say(Msg::kKeysDataProblem, moved.error);
        return change;
    }
    change.outcome = operation.Store();
    if (change.outcome != KeyListOutcome::Done) return change;
    // Record 0 as showing it in the fields would read it: parsed over the
    // record the reload leaves, its keys regrouped.
    if (view.rows.Count() > 0) {
        KeyRecord first = view.after;
        ParseKeyRecord(firstKept, first);
        RegroupKeys(first);
        view.after = first;
    }
    change.view = std::move(view);
    return change;
}

void KeyList::OnRowClicked(int row) {
    selectedKeyIndex_ = row;
    if (row != -1 && ui_ != nullptr) ui_->EnableRecordButtons();
}

void KeyList::OnRowDoubleClicked(int row) {
    selectedKeyIndex_ = row;
    if (row != -1 && ShowKeyRecord(row, ChosenPrint()) == KeyListOutcome::Changed) ReloadChanged();
}

std::optional<std::uint64_t> KeyList::ChosenPrint() const {
    const auto row = static_cast<std::size_t>(selectedKeyIndex_);
    if (selectedKeyIndex_ < 0 || row >= shownPrints_.size()) return std::nullopt;
    return shownPrints_[row];
}

void KeyList::ReloadChanged() {
    selectedKeyIndex_ = -1;
    LoadKeyList();
    boxes_.Show(texts_[Msg::kKeyListChangedElsewhere], MessageIcon::Warning);
}

void KeyList::OnShowKeys() {
    if (ui_ == nullptr) return;
    const bool shown = ui_->IsShowKeysChecked();
    ui_->SetShowKeysChecked(!shown);
    ui_->SetKeyFieldsMasked(shown);
    LoadKeyList();
}

void KeyList::OnAddNew() {
    KeyListChange added = AddKeyRecord();
    switch (added.outcome) {
        case KeyListOutcome::Duplicate:
            boxes_.Show(Numbered(added.duplicate, texts_[Msg::kKeyAlreadyInList]),
                        MessageIcon::Error);
            return;
        case KeyListOutcome::InUse:
        case KeyListOutcome::Changed:
            return;  // nothing changed, and the list shown is still the list
        case KeyListOutcome::Done:
            // The new list is known already: shown at once, with no second
            // decryption and so no pause before one.
            if (added.view) {
                ShowView(std::move(*added.view));
                return;
            }
            break;
        case KeyListOutcome::Failed:
        case KeyListOutcome::NotStored: break;
    }
    // A moment for the files just deleted to be let go of (a virus scanner,
    // a network folder) before the reload makes them again.
    sleeper_.SleepMs(25);
    LoadKeyList();
}

void KeyList::OnUseKey() {
    if (selectedKeyIndex_ == -1) return;
    if (UseKeyRecord(selectedKeyIndex_, ChosenPrint()) == KeyListOutcome::Changed) {
        ReloadChanged();
        return;
    }
    if (ui_ != nullptr) ui_->CloseWindow();
}

void KeyList::OnRemove() {
    const int index = selectedKeyIndex_;
    // Record 0000 is never removed, and nothing is asked for it.
    if (index <= 0) return;
    if (boxes_.AskYesNo(Numbered(index, texts_[Msg::kConfirmDeleteKey]))) {
        KeyListChange removed = RemoveKeyRecord(index, ChosenPrint());
        if (removed.outcome == KeyListOutcome::Changed) {
            ReloadChanged();
            return;
        }
        if (removed.outcome == KeyListOutcome::Failed) {
            if (ui_ != nullptr) ui_->CloseWindow();
        } else if (removed.view) {
            ShowView(std::move(*removed.view));
            ShowRecordFields();
        }
    }
    selectedKeyIndex_ = -1;
}

void KeyList::OnWindowDestroyed() {
    selectedKeyIndex_ = -1;
    ui_ = nullptr;
}

}  // namespace tollvane
