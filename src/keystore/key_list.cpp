#include "keystore/key_list.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>


namespace tollvane {
namespace {

// The window's field texts hold at most this much; anything longer is cut.
constexpr std::size_t kCrypto1FieldLimit = 31;
constexpr std::size_t kAesFieldLimit = 63;

constexpr char kMaskedCrypto1[] = "*****************";               // 17
constexpr char kMaskedAes[] = "********************************";     // 32

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
void AppendViewRow(KeyListRows& rows, KeyRecord& view, std::string_view line, bool showKeys) {
    ParseKeyRecord(line, view);
    if (showKeys) {
        RegroupKeys(view);
    } else {
        view.M_KEY = kMaskedCrypto1;
        view.A_KEY = kMaskedAes;
    }
    rows.Append(view, showKeys);
}

}  // namespace

KeyList::KeyList(Files& files, KeyFileCipher& cipher, MessageBoxes& boxes, const MessageTable& texts,
                 Sleeper& sleeper, KeyRecordForm& form, std::string directory)
    : files_(files),
      cipher_(cipher),
      boxes_(boxes),
      texts_(texts),
      sleeper_(sleeper),
      form_(form),
      directory_(std::move(directory)) {}

void KeyList::ShowError(Msg text) { boxes_.Show(texts_[text], MessageIcon::Error); }

void KeyList::ShowError(Msg text, std::uint32_t code) {
    boxes_.Show(texts_[text] + ErrorCodeLine(code), MessageIcon::Error);
}

KeyList::KeysScan KeyList::ScanKeysFile(OpenMode mode, const std::function<bool(const std::string&)>& visit) {
    KeysScan scan;
    if (!files_.Open(PathOf(kKeysFile), mode, scan.file)) {
        ShowError(Msg::kKeysDataNotFound);
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

bool KeyList::LoadKeyList() {
    if (!Decrypt()) return false;
    bool loaded = false;
    {
        const bool showKeys = ShowsKeys();
        KeyListRows rows;
        const KeysScan scan = ScanKeysFile(OpenMode::Read, [&](const std::string& line) {
            AppendViewRow(rows, current_, line, showKeys);
            return true;
        });
        if (scan.opened) {
            if (ui_ != nullptr) ui_->ShowRows(std::move(rows));
            if (scan.failed) ShowError(Msg::kKeysDataReadError, scan.error);
            else loaded = true;
        }
    }
    RemovePlainFiles();
    return loaded;
}

bool KeyList::ReadRecordAt(int index) {
    if (!Decrypt()) return false;
    bool read = false;
    {
        int number = 0;
        const KeysScan scan = ScanKeysFile(OpenMode::Read, [&](const std::string& line) {
            if (number++ != index) return true;
            ParseKeyRecord(line, current_);
            RegroupKeys(current_);
            return false;
        });
        if (scan.failed) ShowError(Msg::kKeysDataReadError, scan.error);
        else read = scan.opened;
    }
    RemovePlainFiles();
    return read;
}

bool KeyList::ShowKeyRecord(int index) {
    if (!ReadRecordAt(index)) return false;
    ShowRecordFields();
    return true;
}

void KeyList::ShowRecordFields() {
    if (ui_ == nullptr) return;
    ui_->SetFieldText(KeyField::Crypto1, current_.M_KEY);
    ui_->SetFieldText(KeyField::Aes, current_.A_KEY);
    ui_->SetFieldText(KeyField::Description, current_.Description);
}

bool KeyList::UseKeyRecord(int index) {
    // The keys must come from this record's own line, not from the one parsed
    // before it (the list may have left masked keys there).
    current_.M_KEY.clear();
    current_.A_KEY.clear();
    if (!ReadRecordAt(index)) return false;
    form_.Apply(current_);
    return true;
}

bool KeyList::AddKeyRecord(int& duplicateIndex) {
    if (ui_ == nullptr) return false;
    const std::string crypto1 = Limited(ui_->FieldText(KeyField::Crypto1), kCrypto1FieldLimit);
    const std::string aes = Limited(ui_->FieldText(KeyField::Aes), kAesFieldLimit);
    const std::string description =
        SingleLine(Limited(ui_->FieldText(KeyField::Description), kDescriptionCapacity));

    refill_.reset();
    if (!Decrypt()) return false;
    bool duplicate = false;
    bool written = false;
    // The rows are gathered beside the duplicate check, as a reload of the
    // list would show them; the check itself always compares regrouped keys.
    const bool showKeys = ShowsKeys();
    Refill refill{{}, current_};
    bool endsWithLineFeed = true;
    {
        int number = 0;
        KeysScan scan = ScanKeysFile(OpenMode::ReadWrite, [&](const std::string& line) {
            ParseKeyRecord(line, current_);
            RegroupKeys(current_);
            if (crypto1 == current_.M_KEY && aes == current_.A_KEY && description == current_.Description) {
                duplicateIndex = number;
                duplicate = true;
                return false;
            }
            AppendViewRow(refill.rows, refill.after, line, showKeys);
            ++number;
            return true;
        });
        // Bytes after the last line feed join the new record's line.
        endsWithLineFeed = scan.rest.empty();
        if (scan.failed) {
            ShowError(Msg::kKeysDataReadError, scan.error);
        } else if (scan.opened && !duplicate) {
            // Reading stopped at the end of the file, so the record goes
            // right after its last byte; a last line without its line
            // feed (left there by an editor) must not run into it.
            std::string record = endsWithLineFeed ? "" : "\n";
            record += FormatKeyRecord(crypto1, aes, description, form_.CurrentSettings());
            const FileResult write = scan.file->Write(record.data(), record.size());
            if (write) {
                written = true;
                AppendViewRow(refill.rows, refill.after, std::string_view(record).substr(0, record.size() - 1),
                              showKeys);
            } else {
                ShowError(Msg::kKeysDataWriteError, write.error);
            }
        }
    }
    if (written && ReencryptKeyList() && endsWithLineFeed) refill_ = std::move(refill);
    RemovePlainFiles();
    return duplicate;
}

bool KeyList::RemoveKeyRecord(int index) {
    refill_.reset();
    if (!Decrypt()) return false;
    bool rewritten = false;
    const bool showKeys = ShowsKeys();
    Refill refill{{}, current_};
    std::string firstKept;
    {
        std::unique_ptr<File> source;
        std::unique_ptr<File> target;
        if (!files_.Open(PathOf(kKeysFile), OpenMode::Read, source)) {
            ShowError(Msg::kKeysDataNotFound);
        } else if (!files_.Open(PathOf(kTmpKeysFile), OpenMode::CreateAlways, target)) {
            ShowError(Msg::kTempFileCreateError);
        } else {
            KeyLineReader reader(*source);
            KeyLineWriter writer(*target);
            std::string line;
            FileResult write;
            KeyLineReader::Result next = KeyLineReader::Result::End;
            int number = 0;
            while (write && (next = reader.Next(line)) == KeyLineReader::Result::Line) {
                if (number++ == index) continue;
                write = writer.Add(line);
                if (refill.rows.Count() == 0) firstKept = line;
                AppendViewRow(refill.rows, refill.after, line, showKeys);
            }
            if (write && next == KeyLineReader::Result::End) write = writer.Finish();
            if (!write) ShowError(Msg::kTempFileWriteError, write.error);
            else if (next == KeyLineReader::Result::Failed) ShowError(Msg::kKeysDataReadError, reader.Error());
            else rewritten = true;
        }
    }
    if (rewritten) {
        const FileResult moved = files_.MoveReplace(PathOf(kTmpKeysFile), PathOf(kKeysFile));
        if (moved) {
            // Record 0 as showing it in the fields would read it: parsed over
            // the record the reload leaves, its keys regrouped.
            if (refill.rows.Count() > 0) {
                KeyRecord first = refill.after;
                ParseKeyRecord(firstKept, first);
                RegroupKeys(first);
                refill.after = first;
            }
            refill_ = std::move(refill);
            return true;
        }
        ShowError(Msg::kKeysDataProblem, moved.error);
    }
    RemovePlainFiles();
    return false;
}

void KeyList::OnRowClicked(int row) {
    selectedKeyIndex_ = row;
    if (row != -1 && ui_ != nullptr) ui_->EnableRecordButtons();
}

void KeyList::OnRowDoubleClicked(int row) {
    selectedKeyIndex_ = row;
    if (row != -1) ShowKeyRecord(row);
}

void KeyList::OnShowKeys() {
    if (ui_ == nullptr) return;
    const bool shown = ui_->IsShowKeysChecked();
    ui_->SetShowKeysChecked(!shown);
    ui_->SetKeyFieldsMasked(shown);
    LoadKeyList();
}

void KeyList::OnAddNew() {
    int duplicate = -1;
    if (AddKeyRecord(duplicate)) {
        boxes_.Show(Numbered(duplicate, texts_[Msg::kKeyAlreadyInList]), MessageIcon::Error);
        return;
    }
    if (refill_) {
        // The new list is known already: shown at once, with no second
        // decryption and so no pause before one.
        current_ = refill_->after;
        if (ui_ != nullptr) ui_->ShowRows(std::move(refill_->rows));
        refill_.reset();
        return;
    }
    sleeper_.SleepMs(25);
    LoadKeyList();
}

void KeyList::OnUseKey() {
    if (selectedKeyIndex_ == -1) return;
    UseKeyRecord(selectedKeyIndex_);
    if (ui_ != nullptr) ui_->CloseWindow();
}

void KeyList::OnRemove() {
    const int index = selectedKeyIndex_;
    // Record 0000 is never removed, and nothing is asked for it.
    if (index <= 0) return;
    if (boxes_.AskYesNo(Numbered(index, texts_[Msg::kConfirmDeleteKey]))) {
        if (!RemoveKeyRecord(index)) {
            if (ui_ != nullptr) ui_->CloseWindow();
        } else {
            const bool stored = ReencryptKeyList();
            RemovePlainFiles();
            if (stored && refill_) {
                current_ = refill_->after;
                if (ui_ != nullptr) ui_->ShowRows(std::move(refill_->rows));
                ShowRecordFields();
            }
            refill_.reset();
        }
    }
    selectedKeyIndex_ = -1;
}

void KeyList::OnWindowDestroyed() {
    selectedKeyIndex_ = -1;
    ui_ = nullptr;
}

}  // namespace tollvane
