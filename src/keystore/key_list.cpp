#include "keystore/key_list.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "app/form_rules.h"
#include "carddata/hex_text.h"

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

// The index of the checked control among count consecutive ones; the first
// when none is checked, so that a record always gets a valid code.
int CheckedIndex(const FormView& form, Ctl first, int count) {
    for (int i = 0; i < count; ++i)
        if (form.IsChecked(static_cast<Ctl>(static_cast<int>(first) + i))) return i;
    return 0;
}

// A one-character code "0" to "9" as its digit, -1 for anything else.
int CodeDigit(const std::string& code) {
    if (code.size() != 1 || code[0] < '0' || code[0] > '9') return -1;
    return code[0] - '0';
}

// The value of the text's leading decimal digits; 0 when it has none.
int LeadingNumber(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100000) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// True for the spaced form of exactly N bytes, every digit a hex digit.
template <std::size_t N>
bool IsWholeKey(const std::string& text) {
    if (text.size() != 3 * N - 1) return false;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (p % 3 == 2 ? text[p] != ' ' : !IsHexDigit(text[p])) return false;
    }
    return true;
}

// Puts a record's key into the form, but only a whole one: a key that is
// missing from the record, cut short or masked would send asterisks or zero
// bytes with the next write, so the form keeps the key it has.
template <std::size_t N>
void ApplyKey(FormView& form, Ctl edit, const std::string& text, std::string& formText,
              std::array<std::uint8_t, N>& bytes) {
    if (!IsWholeKey<N>(text)) return;
    formText = text;
    form.SetText(edit, text);
    for (std::size_t i = 0; i < N; ++i)
        bytes[i] = static_cast<std::uint8_t>(HexDigitValue(text[3 * i]) * 16 + HexDigitValue(text[3 * i + 1]));
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

RecordSettings ReadRecordSettings(const FormView& form, const FormValues& values) {
    RecordSettings s;
    const bool plus = !form.IsChecked(Ctl::ClassicCheck);
    s.TC = std::string_view(plus && form.IsChecked(Ctl::Sl1Radio)   ? "SL1"
                            : plus && form.IsChecked(Ctl::Sl3Radio) ? "SL3"
                                                                    : "Cls");
    s.AA = std::string(1, form.IsChecked(Ctl::AesAuthCheck) ? 'V' : 'X');
    s.OI = std::to_string(CheckedIndex(form, Ctl::IfTouchMemoryRadio, 4));
    s.LL = std::to_string(CheckedIndex(form, Ctl::IndDirectRadio, 2));
    s.DI = std::to_string(CheckedIndex(form, Ctl::StandbyDynamicRadio, 3));
    s.SB = std::to_string(CheckedIndex(form, Ctl::TouchPollOnRadio, 2));
    const int mode = form.Selection(Ctl::WorkModeCombo);
    s.WM = std::to_string(mode >= 1 && mode <= 3 ? mode : 0);
    char number[16];
    std::snprintf(number, sizeof number, "%02d", values.sectorNumber);
    s.SN = number;
    s.BN = std::to_string(values.blockNumber);
    return s;
}

void ApplyKeyRecord(const KeyRecord& record, AppContext& app) {
    FormView& form = app.form;

    if (record.TC == "Cls") {
        form.SetChecked(Ctl::ClassicCheck, true);
        form.SetChecked(Ctl::PlusCheck, false);
        CheckRadio(form, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::Sl1Radio);
        form.Enable(Ctl::PlusCheck, true);
        for (Ctl c : {Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::AesAuthCheck, Ctl::AesKeyEdit, Ctl::ShowAesCheck})
            form.Enable(c, false);
        form.SetChecked(Ctl::ShowAesCheck, false);
        form.SetPasswordMask(Ctl::AesKeyEdit, true);
    } else if (record.TC == "SL1") {
        form.SetChecked(Ctl::ClassicCheck, false);
        form.SetChecked(Ctl::PlusCheck, true);
        CheckRadio(form, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::Sl1Radio);
        for (Ctl c : {Ctl::PlusCheck, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::AesAuthCheck, Ctl::ShowAesCheck})
            form.Enable(c, true);
    } else if (record.TC == "SL3") {
        form.SetChecked(Ctl::ClassicCheck, false);
        form.SetChecked(Ctl::PlusCheck, true);
        CheckRadio(form, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::Sl3Radio);
        for (Ctl c : {Ctl::PlusCheck, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::ShowAesCheck}) form.Enable(c, true);
        for (Ctl c : {Ctl::AesAuthCheck, Ctl::Crypto1KeyLabel, Ctl::Crypto1KeyEdit, Ctl::ShowCrypto1Check})
            form.Enable(c, false);
        form.SetChecked(Ctl::ShowCrypto1Check, false);
        form.SetPasswordMask(Ctl::Crypto1KeyEdit, true);
    }

    if (record.AA == "V") form.SetChecked(Ctl::AesAuthCheck, true);
    else if (record.AA == "X") form.SetChecked(Ctl::AesAuthCheck, false);

    struct Group { const std::string& code; Ctl first; int count; };
    const Group groups[] = {
        {record.OI, Ctl::IfTouchMemoryRadio, 4},
        {record.LL, Ctl::IndDirectRadio, 2},
        {record.DI, Ctl::StandbyDynamicRadio, 3},
        {record.SB, Ctl::TouchPollOnRadio, 2},
    };
    for (const Group& g : groups) {
        const int n = CodeDigit(g.code);
        const int first = static_cast<int>(g.first);
        if (n >= 0 && n < g.count)
            CheckRadio(form, g.first, static_cast<Ctl>(first + g.count - 1), static_cast<Ctl>(first + n));
    }

    const int mode = CodeDigit(record.WM);
    if (mode >= 0 && mode <= 3) {
        ApplyFormRule(app, form.Selection(Ctl::RoleCombo) * 10 + mode);
        form.SetSelection(Ctl::WorkModeCombo, mode);
    }

    // A damaged record must not carry a sector or block the card does not
    // have into a card command, so both are held to the form's ranges.
    int sector = LeadingNumber(record.SN);
    if (sector < 1) sector = 1;
    if (sector > 15) sector = 15;
    app.values.sectorNumber = sector;
    form.SetUpDownPos(Ctl::SectorUpDown, sector);
    int block = LeadingNumber(record.BN);
    if (block > 2) block = 2;
    app.values.blockNumber = block;
    form.SetUpDownPos(Ctl::BlockUpDown, block);

    ApplyKey(form, Ctl::Crypto1KeyEdit, record.M_KEY, app.values.crypto1KeyText, app.values.crypto1Key);
    ApplyKey(form, Ctl::AesKeyEdit, record.A_KEY, app.values.aesKeyText, app.values.aesKey);
}

KeyList::KeyList(KeyFiles& files, KeyFileCipher& cipher, MessageBoxes& boxes, AppContext& app,
                 std::string directory)
    : files_(files), cipher_(cipher), boxes_(boxes), app_(app), directory_(std::move(directory)) {}

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

void KeyList::ShowError(Msg text) { boxes_.Show(app_.texts[text], MessageIcon::Error); }

void KeyList::ShowError(Msg text, std::uint32_t code) {
    boxes_.Show(WithErrorCode(app_.texts[text], code), MessageIcon::Error);
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
    ApplyKeyRecord(current_, app_);
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
                record += FormatKeyRecord(crypto1, aes, description, ReadRecordSettings(app_.form, app_.values));
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
        boxes_.Show(Numbered(duplicate, app_.texts[Msg::kKeyAlreadyInList]), MessageIcon::Error);
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
    app_.sleeper.SleepMs(25);
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
    if (boxes_.AskYesNo(Numbered(index, app_.texts[Msg::kConfirmDeleteKey]))) {
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
