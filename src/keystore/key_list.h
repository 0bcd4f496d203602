// The key list operations: every one takes the list (keys.lock held, so
// that stations sharing a folder take turns, and crkeys.data held up to the
// move onto it), decrypts crkeys.data into the plain keys.data, reads or
// rewrites it line by line, and deletes it again; a change is encrypted into
// TmpCrKeys.data, which then takes the place of crkeys.data, and
// zipkeys.data keeps a copy. The operations reach the disk, the cipher, the
// operator and the key list window only through interfaces, so they run
// natively against fakes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/message_table.h"
#include "base/ui.h"
#include "keystore/key_file_cipher.h"
#include "keystore/key_files.h"
#include "keystore/key_list_rows.h"
#include "keystore/key_record.h"

namespace tollvane {

// The three text fields of the key list window.
enum class KeyField { Crypto1, Aes, Description };

// The key list window as the operations see it. Texts are the bytes of the
// key file: keys are ASCII, the description is in the system's ANSI code
// page, and the window converts to and from its Unicode text.
class KeyListUi {
public:
    virtual ~KeyListUi() = default;
    // Replaces every row of the list by these; the window keeps them and
    // draws a row's cells only when it shows that row.
    virtual void ShowRows(KeyListRows rows) = 0;
    virtual bool IsShowKeysChecked() const = 0;
    virtual void SetShowKeysChecked(bool checked) = 0;
    // Password character "*" on both key fields, or none; redraws them.
    virtual void SetKeyFieldsMasked(bool masked) = 0;
    virtual std::string FieldText(KeyField field) const = 0;
    virtual void SetFieldText(KeyField field, const std::string& text) = 0;
    // "Use This Key" and "Remove".
    virtual void EnableRecordButtons() = 0;
    // Closes the window as its close box does.
    virtual void CloseWindow() = 0;
};

// The main form as the key list sees it: the settings a new record takes,
// and the place a chosen record goes ("Use This Key").
class KeyRecordForm {
public:
    virtual ~KeyRecordForm() = default;
    virtual RecordSettings CurrentSettings() const = 0;
    virtual void Apply(const KeyRecord& record) = 0;
};

// How a key list operation ended. Its messages have been shown by then.
enum class KeyListOutcome {
    Done,       // read, or changed and stored
    Duplicate,  // an add found the record in the list already; nothing changed
    InUse,      // another station held the list for longer than the wait; nothing changed
    Changed,    // the record chosen is no longer where the window showed it; nothing changed
    Failed,     // a step failed before the change was made; the list is as it was
    NotStored,  // the change was made in keys.data, but the new list could not replace crkeys.data
};

// What reading back a list that an operation has just stored would give:
// its rows and the current record after them.
struct KeyListView {
    KeyListRows rows;
    KeyRecord after;
    std::vector<std::uint64_t> prints;  // each row's LineFingerprint
};

// What identifies a record of keys.data between the list shown and a later
// operation on it: its line's bytes, hashed, so that the window keeps no keys.
std::uint64_t LineFingerprint(std::string_view line);

// How a change ended, and what the window shows next.
struct KeyListChange {
    KeyListOutcome outcome = KeyListOutcome::Failed;
    int duplicate = -1;  // Duplicate: the number of the record that is there already
    // Done: the new list, known without decrypting it again; none when the
    // list has to be read back.
    std::optional<KeyListView> view;
};

class KeyList {
public:
    // directory is put in front of every file name ("" for the working
    // directory). boxes is owned by the key list window: the operations'
    // messages belong to it, not to the main window. texts is the program's
    // current table, so a language change reaches the next message.
    KeyList(Files& files, KeyFileCipher& cipher, MessageBoxes& boxes, const MessageTable& texts,
            Sleeper& sleeper, KeyRecordForm& form, std::string directory = {});
    KeyList(const KeyList&) = delete;
    KeyList& operator=(const KeyList&) = delete;

    // The window the operations fill; null while none is open.
    void SetUi(KeyListUi* ui) { ui_ = ui; }

    // The operations. Each takes the list, works on it and lets it go again
    // with no plain file left, whichever way it ends.
    KeyListOutcome LoadKeyList();
    // With expected, the record at index must still be the line of that
    // fingerprint, or the operation does nothing and returns Changed.
    KeyListOutcome ShowKeyRecord(int index, std::optional<std::uint64_t> expected = std::nullopt);
    KeyListChange AddKeyRecord();
    KeyListChange RemoveKeyRecord(int index, std::optional<std::uint64_t> expected = std::nullopt);
    KeyListOutcome UseKeyRecord(int index, std::optional<std::uint64_t> expected = std::nullopt);

    // The window's commands, each with the follow-up of its operation.
    void OnRowClicked(int row);
    void OnRowDoubleClicked(int row);
    void OnShowKeys();
    void OnAddNew();
    void OnUseKey();
    void OnRemove();
    void OnWindowDestroyed();

    int SelectedKeyIndex() const { return selectedKeyIndex_; }
    const KeyRecord& CurrentRecord() const { return current_; }

private:
    class Operation;

    std::string PathOf(const char* name) const { return directory_ + name; }
    // Reads keys.data up to line index and parses it into the current record.
    KeyListOutcome ReadRecordAt(int index, std::optional<std::uint64_t> expected);
    // The row the operator chose, as the window showed it.
    std::optional<std::uint64_t> ChosenPrint() const;
    // After Changed: the list read again, and the operator told why.
    void ReloadChanged();
    // One pass over keys.data: each line goes to visit until it returns
    // false. A missing file is said here; a read error is left to the
    // caller, which may have rows to show first. The file stays open in
    // `file` and `rest` holds the bytes after the last line feed.
    struct KeysScan {
        bool opened = false;
        bool failed = false;
        std::uint32_t error = 0;
        std::string rest;
        std::unique_ptr<File> file;
    };
    KeysScan ScanKeysFile(Operation& operation, OpenMode mode,
                          const std::function<bool(const std::string&)>& visit);
    bool ShowsKeys() const { return ui_ != nullptr && ui_->IsShowKeysChecked(); }
    void ShowRecordFields();
    void ShowView(KeyListView view);

    Files& files_;
    KeyFileCipher& cipher_;
    MessageBoxes& boxes_;
    const MessageTable& texts_;
    Sleeper& sleeper_;
    KeyRecordForm& form_;
    std::string directory_;
    KeyListUi* ui_ = nullptr;
    KeyRecord current_;
    int selectedKeyIndex_ = -1;
    std::vector<std::uint64_t> shownPrints_;
};

}  // namespace tollvane
