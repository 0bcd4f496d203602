// The main form over real controls: creates every control of the form as
// children of the main window and answers the logic's FormView calls with
// the state the controls report.
#pragma once

#include <windows.h>

#include <map>

#include "app/form_view.h"
#include "app/win/window_kit.h"
#include "base/message_table.h"

namespace tollvane {

class WinFormView : public FormView {
public:
    WinFormView(HWND mainWindow, const MessageTable& texts) : main_(mainWindow), texts_(texts) {}
    WinFormView(const WinFormView&) = delete;
    WinFormView& operator=(const WinFormView&) = delete;

    // Creates every control with its start text and state at the main
    // window's DPI; font may be null (the system's default control font then
    // serves).
    void CreateControls(HFONT font);
    HWND Handle(Ctl c) const;
    HWND MainWindow() const { return main_; }

    bool IsChecked(Ctl c) const override;
    void SetChecked(Ctl c, bool checked) override;
    bool IsEnabled(Ctl c) const override;
    void Enable(Ctl c, bool enabled) override;
    bool IsShown(Ctl c) const override;
    void Show(Ctl c, bool shown) override;
    std::string Text(Ctl c) const override;
    void SetText(Ctl c, const std::string& text) override;
    void SetPasswordMask(Ctl c, bool masked) override;
    bool IsPasswordMasked(Ctl c) const override;
    void SetUpDownPos(Ctl c, int pos) override;
    int Caret(Ctl c) const override;
    void SetCaret(Ctl c, int pos) override;
    void FocusMainWindow() override;

    int Selection(Ctl c) const override;
    void SetSelection(Ctl c, int index) override;
    int ItemCount(Ctl c) const override;
    std::string ItemText(Ctl c, int index) const override;
    void ResetContent(Ctl c) override;
    void AddItem(Ctl c, const std::string& text) override;
    void DeleteItem(Ctl c, int index) override;

private:
    LRESULT Send(Ctl c, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

    HWND main_;
    const MessageTable& texts_;
    std::map<Ctl, HWND> handles_;
};

}  // namespace tollvane
