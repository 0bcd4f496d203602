// The main form over real controls: creates every control of the form as
// children of the main window and answers the logic's FormView calls with
// the state the controls report.
#pragma once

#include <windows.h>

#include <map>
#include <optional>

#include "app/form_view.h"
#include "app/win/window_kit.h"
#include "base/message_table.h"

namespace tollvane {

class WinFormView : public FormView {
public:
    WinFormView(HWND mainWindow, const MessageTable& texts) : main_(mainWindow), texts_(texts) {}
    WinFormView(const WinFormView&) = delete;
    WinFormView& operator=(const WinFormView&) = delete;
    ~WinFormView() override;

    // Creates every control with its start text and state at the main
    // window's DPI; font may be null (the system's default control font then
    // serves).
    void CreateControls(HFONT font);
    HWND Handle(Ctl c) const;
    HWND MainWindow() const { return main_; }

    // Whether a drop-down list's notification (CBN_...) makes the operator's
    // choice take effect now. A key on the list only moves its selection:
    // passing over a port must not connect to it, nor passing over a work
    // mode reset the form. The choice takes effect when a key closes the
    // list or the focus leaves it, and only if the selection is then another
    // than before the keys. A pick with the mouse takes effect at once.
    bool ChoiceTakesEffect(Ctl combo, int code);

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
    // Notes which list a key is on while the list handles the key.
    static LRESULT CALLBACK ComboKeys(HWND combo, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR ctl,
                                      DWORD_PTR view);

    HWND main_;
    const MessageTable& texts_;
    std::map<Ctl, HWND> handles_;
    std::optional<Ctl> keyedList_;  // the list handling a key, and its selection before the key
    int keyedFrom_ = -1;
    std::map<Ctl, int> movedFrom_;  // lists moved by keys: the selection in effect before them
};

}  // namespace tollvane
