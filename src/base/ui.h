// What the application logic needs from the windowing layer, as small
// interfaces: the Win32 layer implements them over real windows, tests over
// recording fakes.
#pragma once

#include <cstdint>
#include <string>

namespace tollvane {

// The five program icons of message boxes (resources 3 to 7).
enum class MessageIcon { Success, Warning, Error, Hint, Retry };

// Modal message boxes owned by the current main (or secondary) window.
// Texts are UTF-8; the caption is always the table's "Message" entry.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(const std::string& text, MessageIcon icon) = 0;
    // A box with the system's error icon, as a port read or write the
    // system refused is told.
    virtual void ShowSystemError(const std::string& text) = 0;
    // Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
};

// The four window timers of the main window.
enum class TimerId : int { Search = 1, Reply = 2, Device = 3, Card = 4 };

class Timers {
public:
    virtual ~Timers() = default;
    virtual void Start(TimerId id, unsigned periodMs) = 0;
    virtual void Kill(TimerId id) = 0;
};

// The progress window of a wait and the main window's enabled state.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void Open(const std::string& title, int range) = 0;  // creates ProgressWindow
    virtual void Step() = 0;                                     // one step of the bar
    virtual void SetTitle(const std::string& title) = 0;         // of the open window
    virtual void Close() = 0;                                    // destroys it, if any
    virtual void EnableMainWindow(bool enable) = 0;
};

// Blocking pauses on the GUI thread (Sleep).
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void SleepMs(unsigned ms) = 0;
};

}  // namespace tollvane
