#include "keystore/key_list.h"

#include <cstdio>
#include <cstring>
#include <utility>


namespace tollvane {
namespace {

// keys.data is read in blocks of this size and split into lines in memory;
// the lines come out exactly as a byte-by-byte reader would find them.
constexpr std::size_t kReadBlock = 64 * 1024;
// Rewritten lines are gathered up to this size before each write.
constexpr std::size_t kWriteBlock = 64 * 1024;

// The window's field texts hold at most this much; anything longer is cut.
constexpr std::size_t kCrypto1FieldLimit = 31;
constexpr std::size_t kAesFieldLimit = 63;

constexpr char kMaskedCrypto1[] = "*****************";               // 17
constexpr char kMaskedAes[] = "********************************";     // 32

class LineReader {
public:
    enum class Result { Line, End, Failed };

    explicit LineReader(KeyFile& file) : file_(file), block_(kReadBlock) {}

    // The next line without its line feed. Bytes after the last line feed
    // are not a line: they are dropped at the end of the file.
    Result Next(std::string& line) {
        line.clear();
        for (;;) {
            if (pos_ == end_) {
                if (atEnd_) return Result::End;
                std::size_t got = 0;
                const FileResult read = file_.Read(block_.data(), block_.size(), got);
                if (!read) {
                    error_ = read.error;
                    return Result::Failed;
                }
                if (got == 0) {
                    atEnd_ = true;
                    return Result::End;
                }
                pos_ = 0;
                end_ = got;
            }
            const char* start = block_.data() + pos_;
            const std::size_t available = end_ - pos_;
            const void* feed = std::memchr(start, '\n', available);
            if (feed != nullptr) {
                const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(feed) - start);
                line.append(start, length);
                pos_ += length + 1;
                return Result::Line;
            }
            line.append(start, available);
            pos_ = end_;
        }
    }

    std::uint32_t Error() const { return error_; }

private:
    KeyFile& file_;
    std::vector<char> block_;
    std::size_t pos_ = 0, end_ = 0;
    bool atEnd_ = false;
    std::uint32_t error_ = 0;
};

// Gathers output and writes it in large blocks; a failed write is kept and
// reported by Flush.
class BlockWriter {
public:
    explicit BlockWriter(KeyFile& file) : file_(file) { pending_.reserve(kWriteBlock + 512); }

    FileResult Add(const std::string& line) {
        pending_ += line;
        pending_ += '\n';
        return pending_.size() >= kWriteBlock ? Flush() : FileResult::Success();
    }
    FileResult Flush() {
        if (pending_.empty()) return FileResult::Success();
        const FileResult written = file_.Write(pending_.data(), pending_.size());
        pending_.clear();
        return written;
    }

private:
    KeyFile& file_;
    std::string pending_;
};

std::string WithErrorCode(const char* text, std::uint32_t code) {
    char number[16];
    std::snprintf(number, sizeof number, "%08X", static_cast<unsigned>(code));
    return std::string(text) + "\nGetLastError=" + number;
}

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

KeyList::KeyList(KeyFiles& files, KeyFileCipher& cipher, MessageBoxes& boxes, const MessageTable& texts,
                 Sleeper& sleeper, KeyRecordForm& form, std::string directory)
    : files_(files),
      cipher_(cipher),
      boxes_(boxes),
      texts_(texts),
      sleeper_(sleeper),
      form_(form),
      directory_(std::move(directory)) {}

bool KeyList::Decrypt() {
    if (cipher_.DecryptKeyFile(PathOf(kCrKeysFile), PathOf(kKeysFile), kKeyFilePassword)) return true;
    // A decryption that stops halfway has already written part of the plain
    // list; it must not stay on the disk.
    files_.Delete(PathOf(kKeysFile));
    return false;
}

// No plain copy of the list outlives an operation, whichever way it ends.
void KeyList::RemovePlainFiles() {
    files_.Delete(PathOf(kKeysFile));
    files_.Delete(PathOf(kTmpKeysFile));
}

void KeyList::ShowError(Msg text) { boxes_.Show(texts_[text], MessageIcon::Error); }

void KeyList::ShowError(Msg text, std::uint32_t code) {
    boxes_.Show(WithErrorCode(texts_[text], code), MessageIcon::Error);
}

bool KeyList::LoadKeyList() {
    if (!Decrypt()) return false;
    bool loaded = false;
    {
        std::unique_ptr<KeyFile> file;
        if (!files_.Open(PathOf(kKeysFile), OpenMode::Read, file)) {
            ShowError(Msg::kKeysDataNotFound);
        } else {
            const bool showKeys = ShowsKeys();
            KeyListRows rows;
            LineReader reader(*file);
            std::string line;
            LineReader::Result next;
            while ((next = reader.Next(line)) == LineReader::Result::Line) AppendViewRow(rows, current_, line, showKeys);
            if (ui_ != nullptr) ui_->ShowRows(std::move(rows));
            if (next == LineReader::Result::Failed) ShowError(Msg::kKeysDataReadError, reader.Error());
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
        std::unique_ptr<KeyFile> file;
        if (!files_.Open(PathOf(kKeysFile), OpenMode::Read, file)) {
            ShowError(Msg::kKeysDataNotFound);
        } else {
            LineReader reader(*file);
            std::string line;
            LineReader::Result next;
            int number = 0;
            while ((next = reader.Next(line)) == LineReader::Result::Line) {
                if (number++ == index) {
                    ParseKeyRecord(line, current_);
                    RegroupKeys(current_);
                    break;
                }
            }
            if (next == LineReader::Result::Failed) ShowError(Msg::kKeysDataReadError, reader.Error());
            else read = true;
        }
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
        std::unique_ptr<KeyFile> file;
        if (!files_.Open(PathOf(kKeysFile), OpenMode::ReadWrite, file)) {
            ShowError(Msg::kKeysDataNotFound);
        } else {
            LineReader reader(*file);
            std::string line;
            LineReader::Result next;
            int number = 0;
            while ((next = reader.Next(line)) == LineReader::Result::Line) {
                ParseKeyRecord(line, current_);
                RegroupKeys(current_);
                if (crypto1 == current_.M_KEY && aes == current_.A_KEY && description == current_.Description) {
                    duplicateIndex = number;
                    duplicate = true;
                    break;
                }
                AppendViewRow(refill.rows, refill.after, line, showKeys);
                ++number;
            }
            // Bytes after the last line feed join the new record's line.
            endsWithLineFeed = line.empty();
            if (next == LineReader::Result::Failed) {
                ShowError(Msg::kKeysDataReadError, reader.Error());
            } else if (!duplicate) {
                // Reading stopped at the end of the file, so the record goes
                // right after its last byte; a last line without its line
                // feed (left there by an editor) must not run into it.
                std::string record = line.empty() ? "" : "\n";
                record += FormatKeyRecord(crypto1, aes, description, form_.CurrentSettings());
                const FileResult write = file->Write(record.data(), record.size());
                if (write) {
                    written = true;
                    AppendViewRow(refill.rows, refill.after, std::string_view(record).substr(0, record.size() - 1),
                                  showKeys);
                } else {
                    ShowError(Msg::kKeysDataWriteError, write.error);
                }
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
        std::unique_ptr<KeyFile> source;
        std::unique_ptr<KeyFile> target;
        if (!files_.Open(PathOf(kKeysFile), OpenMode::Read, source)) {
            ShowError(Msg::kKeysDataNotFound);
        } else if (!files_.Open(PathOf(kTmpKeysFile), OpenMode::CreateAlways, target)) {
            ShowError(Msg::kTempFileCreateError);
        } else {
            LineReader reader(*source);
            BlockWriter writer(*target);
            std::string line;
            FileResult write;
            LineReader::Result next = LineReader::Result::End;
            int number = 0;
            while (write && (next = reader.Next(line)) == LineReader::Result::Line) {
                if (number++ == index) continue;
                write = writer.Add(line);
                if (refill.rows.Count() == 0) firstKept = line;
                AppendViewRow(refill.rows, refill.after, line, showKeys);
            }
            if (write && next == LineReader::Result::End) write = writer.Flush();
            if (!write) ShowError(Msg::kTempFileWriteError, write.error);
            else if (next == LineReader::Result::Failed) ShowError(Msg::kKeysDataReadError, reader.Error());
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

bool KeyList::ReencryptKeyList() {
    if (!cipher_.EncryptKeyFile(PathOf(kKeysFile), PathOf(kTmpCrKeysFile), kKeyFilePassword)) {
        const std::uint32_t code = files_.LastSystemError();
        files_.Delete(PathOf(kTmpCrKeysFile));
        ShowError(Msg::kEncryptionFailed, code);
        return false;
    }
    // One replacing move: crkeys.data holds either the old list or the new
    // one at every moment, and is never missing.
    const FileResult moved = files_.MoveReplace(PathOf(kTmpCrKeysFile), PathOf(kCrKeysFile));
    if (!moved) {
        files_.Delete(PathOf(kTmpCrKeysFile));
        ShowError(Msg::kCrKeysDataProblem, moved.error);
        return false;
    }
    // The backup copy is a convenience; its failure changes nothing above.
    files_.Copy(PathOf(kCrKeysFile), PathOf(kZipKeysFile));
    return true;
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
