#include "app/win/card_holders_window.h"
#include "app/win/resource_ids.h"

#include <vector>

#include "app/holders/holder_texts.h"
#include "base/win/utf.h"

namespace tollvane {
namespace {

constexpr int kWidth = 720, kHeight = 540;
constexpr UINT_PTR kRefreshTimer = 1;
// Another station's changes show within a second or so.
constexpr UINT kRefreshMs = 1000;
constexpr FilteredRows kRows = {kHoldersListViewId, kHoldersFilterEditId};
// A list of people is text; anything larger is not one.
constexpr std::uint64_t kMaxImportBytes = 64ull << 20;

const ChildControl kControls[] = {
    {L"Button", Msg::kHoldersGroup, BS_GROUPBOX | WS_GROUP, 0, 5, 5, 705, 495},
    {L"Static", Msg::kIssuedCardsFilterLabel, 0, 0, 18, 30, 60, 15},
    {L"Edit", kNoText, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kHoldersFilterEditId, 80, 27, 250,
     23},
    {L"Static", kNoText, 0, kHoldersCountsId, 345, 30, 355, 15},
    {L"Static", Msg::kHoldersInUseElsewhere, 0, kHoldersInUseId, 18, 440, 680, 15},
    {L"Button", Msg::kHoldersImport, BS_PUSHBUTTON | WS_TABSTOP, kHoldersImportButtonId, 18, 465,
     110, 23},
    {L"Button", Msg::kHoldersRemove, BS_PUSHBUTTON | WS_TABSTOP, kHoldersRemoveButtonId, 138, 465,
     110, 23},
    {L"Button", Msg::kIssuedCardsExport, BS_PUSHBUTTON | WS_TABSTOP, kHoldersExportButtonId, 258,
     465, 110, 23},
    {L"Button", Msg::kHoldersIssue, BS_PUSHBUTTON | WS_TABSTOP, kHoldersIssueButtonId, 460, 465,
     110, 23},
    {L"Button", Msg::kIssuedCardsClose, BS_PUSHBUTTON | WS_TABSTOP, kHoldersCloseButtonId, 580, 465,
     110, 23},
};
const ChildControl kList = {
    WC_LISTVIEWW, kNoText, WS_TABSTOP | LVS_SHOWSELALWAYS, kHoldersListViewId, 18, 60, 680, 370};
const ListColumn kColumns[] = {
    {Msg::kHoldersColumnName, 260},
    {Msg::kHoldersColumnNumber, 150},
    {Msg::kHoldersColumnStatus, 80},
    {Msg::kHoldersColumnTime, 170},
};

// The system's ANSI code page into UTF-8.
std::string AnsiToUtf8Text(std::string_view bytes) { return Narrow(WidenAnsi(bytes)); }

}  // namespace

CardHoldersWindow::CardHoldersWindow(AppContext& app, HoldersRun& run)
    : SecondaryWindow(kCardHoldersWindowClass, kWidth, kHeight), app_(app), run_(run) {}

HWND CardHoldersWindow::Open(const MainWindowLink& main) {
    if (Window()) return SecondaryWindow::Open(main, {});
    main_ = main.window;
    list_.emplace(files_, app_.sleeper, run_.Paths(), run_.DisplayPath());
    readErrorShown_ = false;
    const HWND window = SecondaryWindow::Open(main, Widen(Text(Msg::kHoldersTitle)));
    if (!window) {
        list_.reset();
        return nullptr;
    }
    SetFocus(Item(kHoldersFilterEditId));
    return window;
}

void CardHoldersWindow::MakeControls() {
    CreateControls(Window(), kControls, app_.texts, Font());
    const HWND list = CreateVirtualList(Window(), kList, Font());
    AddListColumns(list, kColumns, app_.texts);
    Tell(list_->Load(app_.texts));
    ShowHold();
    ShowRows(false);
    SetTimer(Window(), kRefreshTimer, kRefreshMs, nullptr);
}

void CardHoldersWindow::OnClosing() {
    KillTimer(Window(), kRefreshTimer);
    kRows.Stop(Window());
    list_.reset();
    cell_.clear();
}

void CardHoldersWindow::Tell(const std::optional<HoldersNote>& note) {
    if (!note) return;
    // A list that cannot be read is said once per window, not every second.
    if (note->icon == MessageIcon::Error && readErrorShown_) return;
    if (note->icon == MessageIcon::Error) readErrorShown_ = true;
    app_.boxes.Show(note->text, note->icon);
}

void CardHoldersWindow::ShowRows(bool toEnd) {
    const HWND list = Item(kHoldersListViewId);
    const std::size_t rows = list_->Rows().size();
    SendMessageW(list, LVM_SETITEMCOUNT, rows, LVSICF_NOSCROLL);
    InvalidateRect(list, nullptr, TRUE);
    if (toEnd && rows > 0) SendMessageW(list, LVM_ENSUREVISIBLE, rows - 1, FALSE);
    const HolderCounts counts = list_->Counts();
    const std::string text =
        FillNumbers(Text(Msg::kHoldersCounts),
                    {{'N', counts.total}, {'I', counts.issued}, {'W', counts.waiting}});
    SetWindowTextW(Item(kHoldersCountsId), Widen(text).c_str());
}

void CardHoldersWindow::ShowHold() {
    readOnly_ = list_->HeldElsewhere();
    ShowWindow(Item(kHoldersInUseId), readOnly_ ? SW_SHOW : SW_HIDE);
    for (int id : {kHoldersImportButtonId, kHoldersRemoveButtonId, kHoldersIssueButtonId})
        EnableWindow(Item(id), !readOnly_);
}

void CardHoldersWindow::Import() {
    const std::wstring path =
        AskFile(Window(), false, Text(Msg::kHoldersFileTypes), L"*.csv;*.txt", nullptr);
    if (path.empty()) return;
    const std::string name = Narrow(path);
    std::unique_ptr<File> file;
    std::string bytes;
    FileResult result = files_.Open(name, OpenMode::ReadShared, file);
    std::uint64_t size = 0;
    if (result) result = file->Size(size);
    if (result && size > kMaxImportBytes) result = FileResult::Failure(ERROR_FILE_TOO_LARGE);
    if (result) {
        bytes.resize(static_cast<std::size_t>(size));
        std::size_t got = 0;
        result = ReadFull(*file, bytes.data(), bytes.size(), got);
        bytes.resize(got);
    }
    if (!result) {
        app_.boxes.Show(Text(Msg::kFileReadError) + " " + name + "!" + ErrorCodeLine(result.error),
                        MessageIcon::Error);
        return;
    }
    Tell(list_->Import(bytes, AnsiToUtf8Text, app_.texts));
    ShowHold();
    ShowRows(true);
}

void CardHoldersWindow::Remove() {
    const HWND list = Item(kHoldersListViewId);
    std::vector<std::size_t> places;
    for (std::size_t row : SelectedRows(list)) {
        if (row < list_->Rows().size()) places.push_back(list_->Rows()[row]);
    }
    bool anyWaiting = false;
    for (std::size_t place : places)
        anyWaiting |= list_->Person(place).status == HolderStatus::Waiting;
    if (!anyWaiting || !app_.boxes.AskYesNo(Text(Msg::kHoldersConfirmRemove))) return;
    Tell(list_->Remove(places, app_.texts));
    ClearSelection(list);
    ShowRows(false);
}

void CardHoldersWindow::Export() {
    const std::wstring path = AskFile(Window(), true, Text(Msg::kIssuedCardsFileTypes), L"*.csv",
                                      L"CardHolders-export.csv");
    if (path.empty()) return;
    const std::string name = Narrow(path);
    const std::string text = list_->ExportText();
    std::unique_ptr<File> file;
    FileResult result = files_.Open(name, OpenMode::CreateAlways, file);
    if (result) result = file->Write(text.data(), text.size());
    if (result) result = file->Flush();
    const bool opened = file != nullptr;
    file.reset();
    if (result) return;
    // A half-written export would pass for a whole one.
    if (opened) files_.Delete(name);
    app_.boxes.Show(Text(Msg::kFileWriteError) + " " + name + "!" + ErrorCodeLine(result.error),
                    MessageIcon::Error);
}

void CardHoldersWindow::Issue() {
    if (!run_.Prepare(app_)) {
        ShowHold();
        return;
    }
    // The run starts once this window is gone and the main window is its
    // own again.
    const HWND main = main_;
    DestroyWindow(Window());
    if (main) PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCommandIssueHolders, 0), 0);
}

void CardHoldersWindow::FillCell(NMLVDISPINFOW& request) {
    if (!list_ || request.item.iItem < 0 ||
        static_cast<std::size_t>(request.item.iItem) >= list_->Rows().size())
        return;
    const CardHolder& p =
        list_->Person(list_->Rows()[static_cast<std::size_t>(request.item.iItem)]);
    std::string text;
    switch (request.item.iSubItem) {
        case 0: text = p.name; break;
        case 1: text = p.number ? HolderNumberText(*p.number) : std::string(); break;
        case 2:
            text = Text(p.status == HolderStatus::Issued ? Msg::kHoldersStatusIssued
                                                         : Msg::kHoldersStatusWaiting);
            break;
        case 3: text = p.time; break;
        default: return;
    }
    // A tab in an imported name would show as a box as well.
    AnswerCellText(request, text, cell_, L"\r\n\t");
}

bool CardHoldersWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto fill = [this](NMLVDISPINFOW& request) { FillCell(request); };
    const auto filter = [this] {
        list_->SetFilter(Narrow(WindowText(Item(kHoldersFilterEditId))));
        ShowRows(false);
    };
    if (kRows.OnMessage(Window(), message, wParam, lParam, result, fill, filter)) return true;
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kHoldersImportButtonId:
                    if (!readOnly_) Import();
                    break;
                case kHoldersRemoveButtonId:
                    if (!readOnly_) Remove();
                    break;
                case kHoldersExportButtonId: Export(); break;
                case kHoldersIssueButtonId:
                    if (!readOnly_) Issue();
                    break;
                case kHoldersCloseButtonId: SendMessageW(Window(), WM_CLOSE, 0, 0); break;
                default: break;
            }
            return false;
        case WM_TIMER:
            if (wParam == kRefreshTimer) {
                bool changed = false;
                Tell(list_->Refresh(app_.texts, changed));
                if (changed) ShowRows(false);
                ShowHold();
            }
            result = 0;
            return true;
        default: return false;
    }
}

}  // namespace tollvane
