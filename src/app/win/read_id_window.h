// The Read ID window: a card's barcode and cipher identifier in four
// read-only fields, black on white, in a small window of its own class.
#pragma once

#include <windows.h>

#include <string>

#include "app/win/window_kit.h"
#include "base/win/handles.h"

namespace tollvane {

inline constexpr const wchar_t* kReadIdClass = L"my Child Window Read ID";

class ReadIdWindow : public SecondaryWindow {
public:
    ReadIdWindow();

    // title: the reader's name ("Varnel ver.2.00"); values: barcode, barcode
    // (hex), cipher, cipher (x.x.x.x). Null when the window could not be
    // created.
    HWND Open(const MainWindowLink& main, const MessageTable& texts, const std::string& title,
              const std::string values[4]);

private:
    void MakeControls() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnClosing() override { whiteBrush_.reset(); }

    const MessageTable* texts_ = nullptr;
    const std::string* values_ = nullptr;
    UniqueGdiObject whiteBrush_;
};

}  // namespace tollvane
