// The "Card holders" window: the list of people who are to get a card, in a
// virtual list with a filter and the counts, and the buttons Import...,
// Remove, Replace card..., Issue cards, Export..., Export revoked numbers...
// and Close. Opened from the Tools menu. A list that another station holds
// is shown read-only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/app_context.h"
#include "app/holders/holders_list.h"
#include "app/holders/holders_run.h"
#include "app/win/window_kit.h"
#include "base/win/win_files.h"

namespace tollvane {

inline constexpr const wchar_t* kCardHoldersWindowClass = L"my Child Window Card Holders";

class CardHoldersWindow : public SecondaryWindow {
public:
    // run: the program's run for the list, which "Issue cards" prepares
    // before the window closes and the main window starts it.
    CardHoldersWindow(AppContext& app, HoldersRun& run);

    // Null when the window could not be made.
    HWND Open(const MainWindowLink& main);

private:
    void MakeControls() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnClosing() override;

    std::string Text(Msg id) const { return app_.texts[id]; }
    void Tell(const std::optional<HoldersNote>& note);
    void ShowRows(bool toEnd);
    void ShowHold();
    void Import();
    void Remove();
    void Export();
    void ExportRevoked();
    // Writes an export's text to a file the operator chose; false when the
    // operator was told why not.
    bool WriteExport(const std::string& name, const std::string& text);
    void Replace();
    void Issue();
    void FillCell(NMLVDISPINFOW& request);

    AppContext& app_;
    HoldersRun& run_;
    WinFiles files_;
    HWND main_ = nullptr;
    std::optional<HoldersList> list_;
    bool readOnly_ = false;
    bool readErrorShown_ = false;
    std::wstring cell_;
};

}  // namespace tollvane
