// The "Issued cards" window: the register of issued cards in a virtual list,
// newest first, with a filter, the counts, Export..., Copy and Close. Opened
// from the Tools menu; rows that stations append meanwhile come into view.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/win/window_kit.h"
#include "base/ui.h"
#include "base/win/utf.h"
#include "register/register_browser.h"
#include "base/win/win_files.h"
#include "register/register_file_source.h"

namespace tollvane {

inline constexpr const wchar_t* kIssuedCardsWindowClass = L"my Child Window Issued Cards";

class IssuedCardsWindow : public SecondaryWindow {
public:
    // texts: the program's table, read in the language of the moment.
    IssuedCardsWindow(const MessageTable& texts, MessageBoxes& boxes, std::wstring registerPath);

    // Null when the window could not be made.
    HWND Open(const MainWindowLink& main);

private:
    // The register as the window reads it, made anew at each opening.
    struct Register {
        Register(Files& files, const std::wstring& path) : source(files, Narrow(path)) {}
        RegisterFileSource source;
        RegisterBrowser browser{source};
    };

    void MakeControls() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnClosing() override;

    std::string Text(Msg id) const { return texts_[id]; }
    void ShowRows(bool fromTop);
    void ReportReadError();
    void ApplyFilter();
    void CopySelection();
    void Export();
    void FillCell(NMLVDISPINFOW& request);

    const MessageTable& texts_;
    MessageBoxes& boxes_;
    std::wstring registerPath_;
    WinFiles files_;
    std::optional<Register> register_;
    std::wstring cell_;
    bool readErrorShown_ = false;
};

}  // namespace tollvane
