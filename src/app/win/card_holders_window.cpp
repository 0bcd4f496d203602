#include "app/win/card_holders_window.h"
#include "app/win/resource_ids.h"

#include <algorithm>
#include <vector>

#include "app/holders/holder_texts.h"
#include "base/win/handles.h"
#include "base/win/utf.h"

namespace tollvane {
namespace {

constexpr int kWidth = 720, kHeight = 540;
constexpr UINT_PTR kRefreshTimer = 1;
// Another station's changes show within a second or so.
constexpr UINT kRefreshMs = 1000;
constexpr FilteredRows kRows = {kHoldersListViewId, kHoldersFilterEditId};
// The items of the menu of reasons for a replaced card.
constexpr UINT kReasonItems = 1;

const ChildControl kControls[] = {
    {L"Button", Msg::kHoldersGroup, BS_GROUPBOX | WS_GROUP, 0, 5, 5, 705, 495},
    {L"Static", Msg::kIssuedCardsFilterLabel, 0, 0, 18, 30, 60, 15},
    {L"Edit", kNoText, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kHoldersFilterEditId, 80, 27, 250,
     23},
    {L"Static", kNoText, 0, kHoldersCountsId, 345, 30, 355, 15},
    {L"Static", Msg::kHoldersInUseElsewhere, 0, kHoldersInUseId, 18, 405, 680, 15},
    {L"Button", Msg::kHoldersImport, BS_PUSHBUTTON | WS_TABSTOP, kHoldersImportButtonId, 18, 430,
     110, 23},
    {L"Button", Msg::kHoldersRemove, BS_PUSHBUTTON | WS_TABSTOP, kHoldersRemoveButtonId, 138, 430,
     110, 23},
    {L"Button", Msg::kHoldersReplace, BS_PUSHBUTTON | WS_TABSTOP, kHoldersReplaceButtonId, 258, 430,
     150, 23},
    {L"Button", Msg::kHoldersIssue, BS_PUSHBUTTON | WS_TABSTOP, kHoldersIssueButtonId, 580, 430,
     110, 23},
    {L"Button", Msg::kIssuedCardsExport, BS_PUSHBUTTON | WS_TABSTOP, kHoldersExportButtonId, 18,
     465, 110, 23},
    {L"Button", Msg::kHoldersExportRevoked, BS_PUSHBUTTON | WS_TABSTOP,
     kHoldersExportRevokedButtonId, 138, 465, 270, 23},
    {L"Button", Msg::kIssuedCardsClose, BS_PUSHBUTTON | WS_TABSTOP, kHoldersCloseButtonId, 580, 465,
     110, 23},
};
const ChildControl kList = {
    WC_LISTVIEWW, kNoText, WS_TABSTOP | LVS_SHOWSELALWAYS, kHoldersListViewId, 18, 60, 680, 335};
const ListColumn kColumns[] = {
    {Msg::kHoldersColumnName, 200},
    {Msg::kHoldersColumnNumber, 150},
    {Msg::kHoldersColumnStatus, 70},
    {Msg::kHoldersColumnTime, 160},
    // The issued card's identity, as the Read ID window names it.
    {Msg::kReadIdBarcode, 85},
    {Msg::kReadIdCipher, 85},
};

// The system's ANSI code page into UTF-8.
std::string AnsiToUtf8Text(std::string_view bytes) { return Narrow(WidenAnsi(bytes)); }

}  // namespace

CardHoldersWindow::CardHoldersWindow(AppContext& app, HoldersRun& run)
    : SecondaryWindow(kCardHoldersWindowClass, kWidth, kHeight), app_(app), run_(run) {}

HWND CardHoldersWindow::Open(const MainWindowLink& main) {
    if (Window()) return SecondaryWindow::Open(main, {});
    main_ = main.window;
    list_.emplace(run_.Store(), app_.texts);
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
    for (int id : {kHoldersImportButtonId, kHoldersRemoveButtonId, kHoldersReplaceButtonId,
                   kHoldersIssueButtonId})
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
    if (result) {
        // One byte past the limit is enough for the import to refuse the file.
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxImportBytes + 1)));
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
    // The list may be read again while the question is open: the people
    // are named now, not their places.
    const std::vector<HolderIdentity> chosen = list_->Chosen(places);
    if (!anyWaiting || !app_.boxes.AskYesNo(Text(Msg::kHoldersConfirmRemove))) return;
    Tell(list_->Remove(chosen, app_.texts));
    ClearSelection(list);
    ShowRows(false);
}

void CardHoldersWindow::Replace() {
    const HWND list = Item(kHoldersListViewId);
    const std::vector<std::size_t> rows = SelectedRows(list);
    if (rows.size() != 1 || rows[0] >= list_->Rows().size() ||
        list_->Person(list_->Rows()[rows[0]]).status != HolderStatus::Issued) {
        app_.ShowMessage(Msg::kHoldersReplaceNeedsOne, MessageIcon::Hint);
        return;
    }
    const HolderIdentity person = list_->Chosen({list_->Rows()[rows[0]]})[0];
    // The reason, from a menu under the button.
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu) return;
    AppendMenuW(menu.get(), MF_STRING | MF_GRAYED, 0,
                Widen(Text(Msg::kHoldersReasonPrompt)).c_str());
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    constexpr ReplaceReason kReasons[] = {ReplaceReason::Lost, ReplaceReason::Damaged,
                                          ReplaceReason::Other};
    for (UINT i = 0; i < 3; ++i)
        AppendMenuW(menu.get(), MF_STRING, kReasonItems + i,
                    Widen(Text(ReplaceReasonText(kReasons[i]))).c_str());
    RECT button{};
    GetWindowRect(Item(kHoldersReplaceButtonId), &button);
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN,
                                         button.left, button.bottom, 0, Window(), nullptr));
    if (chosen < kReasonItems || chosen >= kReasonItems + 3) return;
    const std::string number = person.number ? HolderNumberText(*person.number) : std::string();
    if (!app_.boxes.AskYesNo(FillTexts(Text(Msg::kHoldersConfirmReplace), {person.name, number})))
        return;
    if (!app_.issued) return;
    Tell(list_->Replace(person, kReasons[chosen - kReasonItems], *app_.issued, app_.texts));
    ClearSelection(list);
    ShowRows(false);
}

void CardHoldersWindow::Export() {
    const std::wstring path = AskFile(Window(), true, Text(Msg::kIssuedCardsFileTypes), L"*.csv",
                                      L"CardHolders-export.csv");
    if (!path.empty()) WriteExport(Narrow(path), list_->ExportText());
}

void CardHoldersWindow::ExportRevoked() {
    if (!app_.issued) return;
    const std::wstring path =
        AskFile(Window(), true, Text(Msg::kIssuedCardsFileTypes), L"*.csv", L"RevokedNumbers.csv");
    if (path.empty()) return;
    RegisterFileSource source(files_, app_.issued->Path());
    std::string text;
    if (!ExportRevokedNumbers(source, text)) {
        app_.boxes.Show(Text(Msg::kFileReadError) + " " + app_.issued->DisplayPath() + "!" +
                            ErrorCodeLine(static_cast<std::uint32_t>(source.LastError())),
                        MessageIcon::Error);
        return;
    }
    WriteExport(Narrow(path), text);
}

bool CardHoldersWindow::WriteExport(const std::string& name, const std::string& text) {
    if (IsProgramFileName(name)) {
        app_.ShowMessage(Msg::kExportOwnFile, MessageIcon::Warning);
        return false;
    }
    std::unique_ptr<File> file;
    FileResult result = files_.Open(name, OpenMode::CreateAlways, file);
    if (result) result = file->Write(text.data(), text.size());
    if (result) result = file->Flush();
    const bool opened = file != nullptr;
    file.reset();
    if (result) return true;
    // A half-written export would pass for a whole one.
    if (opened) files_.Delete(name);
    app_.boxes.Show(Text(Msg::kFileWriteError) + " " + name + "!" + ErrorCodeLine(result.error),
                    MessageIcon::Error);
    return false;
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
        case 2: text = HolderStatusShown(p.status, app_.texts); break;
        case 3: text = p.time; break;
        case 4: text = p.cardBarcode; break;
        case 5: text = p.cardCipherId; break;
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
                case kHoldersExportRevokedButtonId: ExportRevoked(); break;
                case kHoldersReplaceButtonId:
                    if (!readOnly_) Replace();
                    break;
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
