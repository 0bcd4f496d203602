// The key list operations: every one decrypts crkeys.data into the plain
// keys.data, reads or rewrites it line by line, and deletes it again; a
// change is encrypted into TmpCrKeys.data, which then takes the place of
// crkeys.data, and zipkeys.data keeps a copy. The operations reach the disk,
// the cipher, the operator and the key list window only through interfaces,
// so they run natively against fakes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
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

    // Each returns as its name says; failures have been shown to the operator.
    bool LoadKeyList();
    bool ShowKeyRecord(int index);
    // True only when the window's record is in the list already; its number
    // is then in duplicateIndex.
    bool AddKeyRecord(int& duplicateIndex);
    bool RemoveKeyRecord(int index);
    bool UseKeyRecord(int index);
    bool ReencryptKeyList();

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
    std::string PathOf(const char* name) const { return directory_ + name; }
    bool Decrypt();
    void RemovePlainFiles();
    void ShowError(Msg text);
    void ShowError(Msg text, std::uint32_t code);
    // Reads keys.data up to line index and parses it into the current record.
    bool ReadRecordAt(int index);
    // One pass over keys.data: each line goes to visit until it returns
    // false. A missing file shows its box here; a read error is left to the
    // caller, which may have rows to show first. The file stays open in
    // `file` and `rest` holds the bytes after the last line feed.
    struct KeysScan {
        bool opened = false;
        bool failed = false;
        std::uint32_t error = 0;
        std::string rest;
        std::unique_ptr<File> file;
    };
    KeysScan ScanKeysFile(OpenMode mode, const std::function<bool(const std::string&)>& visit);
    bool ShowsKeys() const { return ui_ != nullptr && ui_->IsShowKeysChecked(); }
    void ShowRecordFields();

    // What reading back the list that an add or a removal has just written
    // would give: its rows and the current record after them. The window is
    // refilled from this instead of decrypting the new list once more.
    struct Refill {
        KeyListRows rows;
        KeyRecord after;
    };
    std::optional<Refill> refill_;

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
};

}  // namespace tollvane
