// The key list window: class "my Child Window", the list of key records, the
// three fields of one record and the buttons that run the key list
// operations of the program's KeyList.
#pragma once

#include <windows.h>

#include <string>

#include "app/app_context.h"
#include "app/win/window_kit.h"
#include "keystore/key_list.h"

namespace tollvane {

inline constexpr const wchar_t* kKeyListWindowClass = L"my Child Window";

class KeyListWindow : public SecondaryWindow, private KeyListUi {
public:
    // list lives as long as the program: the current record carries over
    // from one window to the next.
    KeyListWindow(AppContext& app, KeyList& list);
    ~KeyListWindow() override;

    // The window with the list loaded; null when it could not be created.
    HWND Open(const MainWindowLink& main);
    // "Add to list": the window, then the form's two keys and the default
    // description in its fields.
    HWND OpenForAdd(const MainWindowLink& main);
    // "Show list": the window, then record 0 in its fields.
    HWND OpenAndShowFirst(const MainWindowLink& main);

private:
    void MakeControls() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnClosing() override;

    void ShowRows(KeyListRows rows) override;
    bool IsShowKeysChecked() const override;
    void SetShowKeysChecked(bool checked) override;
    void SetKeyFieldsMasked(bool masked) override;
    std::string FieldText(KeyField field) const override;
    void SetFieldText(KeyField field, const std::string& text) override;
    void EnableRecordButtons() override;
    void CloseWindow() override;

    AppContext& app_;
    KeyList& list_;
    KeyListRows rows_;
    std::wstring cell_;
};

}  // namespace tollvane
