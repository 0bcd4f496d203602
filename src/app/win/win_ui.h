// Message boxes, window timers, the progress window and pauses over Win32.
#pragma once

#include <windows.h>

#include "base/message_table.h"
#include "base/ui.h"

namespace tollvane {

// The icon resource of each message picture.
int MessageIconResource(MessageIcon icon);

class WinMessageBoxes : public MessageBoxes {
public:
    // The texts are read when a box is shown, so the caption follows a
    // language switch.
    WinMessageBoxes(HWND mainWindow, const MessageTable& texts)
        : main_(mainWindow), texts_(texts) {}

    void Show(const std::string& text, MessageIcon icon) override;
    void ShowSystemError(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;

    // A secondary window (the key list) owns the boxes raised while it is
    // open; null gives them back to the main window.
    void SetOwner(HWND owner) { owner_ = owner; }

private:
    HWND Owner() const { return owner_ ? owner_ : main_; }

    HWND main_;
    HWND owner_ = nullptr;
    const MessageTable& texts_;
};

// The timers of the main window; ticks arrive there as WM_TIMER.
class WinTimers : public Timers {
public:
    explicit WinTimers(HWND mainWindow) : main_(mainWindow) {}
    void Start(TimerId id, unsigned periodMs) override;
    void Kill(TimerId id) override;

private:
    HWND main_;
};

// The screen-centred 400 x 50 progress window of a wait (at 96 DPI; scaled
// to the DPI of the monitor there), owned by the main window. It has a title bar but no close box,
// so the operator cannot close it.
class WinProgressView : public ProgressView {
public:
    static constexpr int kWidth = 400, kHeight = 50;

    explicit WinProgressView(HWND mainWindow) : main_(mainWindow) {}
    ~WinProgressView() override { Close(); }
    WinProgressView(const WinProgressView&) = delete;
    WinProgressView& operator=(const WinProgressView&) = delete;

    void Open(const std::string& title, int range) override;
    void Step() override;
    void SetTitle(const std::string& title) override;
    void Close() override;
    void EnableMainWindow(bool enable) override;
    HWND Window() const { return window_; }

private:
    HWND main_;
    HWND window_ = nullptr;
};

class WinSleeper : public Sleeper {
public:
    void SleepMs(unsigned ms) override { ::Sleep(ms); }
};

}  // namespace tollvane
