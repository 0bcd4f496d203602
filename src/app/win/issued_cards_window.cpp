#include "app/win/issued_cards_window.h"
#include "app/win/resource_ids.h"

#include <cstring>
#include <vector>

#include "base/win/utf.h"

namespace tollvane {
namespace {

constexpr int kWidth = 1070, kHeight = 520;
constexpr UINT_PTR kRefreshTimer = 1;
// Another station's row shows within a second or so.
constexpr UINT kRefreshMs = 1000;
constexpr FilteredRows kRows = {kIssuedListViewId, kIssuedFilterEditId};

constexpr int kColumnWidths[kRegisterColumnCount] = {
    165, 90, 100, 50,  50, 55, 65,  50,  95,  40, 45,  40, 150,
    130, 95, 110, 130, 70, 80, 130, 125, 140, 95, 320, 95, 95,
};

const ChildControl kControls[] = {
    {L"Button", Msg::kIssuedCardsGroup, BS_GROUPBOX | WS_GROUP, 0, 5, 5, 1055, 475},
    {L"Static", Msg::kIssuedCardsFilterLabel, 0, 0, 18, 30, 60, 15},
    {L"Edit", kNoText, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kIssuedFilterEditId, 80, 27, 300,
     23},
    {L"Static", kNoText, 0, kIssuedCountsId, 400, 30, 640, 15},
    {L"Button", Msg::kIssuedCardsExport, BS_PUSHBUTTON | WS_TABSTOP, kIssuedExportButtonId, 690,
     445, 110, 23},
    {L"Button", Msg::kIssuedCardsCopy, BS_PUSHBUTTON | WS_TABSTOP, kIssuedCopyButtonId, 810, 445,
     110, 23},
    {L"Button", Msg::kIssuedCardsClose, BS_PUSHBUTTON | WS_TABSTOP, kIssuedCloseButtonId, 930, 445,
     110, 23},
};
const ChildControl kList = {
    WC_LISTVIEWW, kNoText, WS_TABSTOP | LVS_SHOWSELALWAYS, kIssuedListViewId, 18, 60, 1030, 375};

// "<what> <file>!" and the system error, as the program's other file
// messages end.
std::string FileError(const std::string& what, const std::string& path, DWORD error) {
    return what + " " + path + "!" + ErrorCodeLine(error);
}

}  // namespace

IssuedCardsWindow::IssuedCardsWindow(const MessageTable& texts, MessageBoxes& boxes,
                                     std::wstring registerPath)
    : SecondaryWindow(kIssuedCardsWindowClass, kWidth, kHeight),
      texts_(texts),
      boxes_(boxes),
      registerPath_(std::move(registerPath)) {}

HWND IssuedCardsWindow::Open(const MainWindowLink& main) {
    if (Window()) return SecondaryWindow::Open(main, {});
    register_.emplace(files_, registerPath_);
    readErrorShown_ = false;
    const HWND window = SecondaryWindow::Open(main, Widen(Text(Msg::kIssuedCardsTitle)));
    if (!window) {
        register_.reset();
        return nullptr;
    }
    SetFocus(Item(kIssuedFilterEditId));
    return window;
}

void IssuedCardsWindow::MakeControls() {
    CreateControls(Window(), kControls, texts_, Font());
    const HWND list = CreateVirtualList(Window(), kList, Font());
    for (int i = 0; i < kRegisterColumnCount; ++i) {
        AddListColumn(list, i, Widen(kRegisterColumnNames[static_cast<std::size_t>(i)]),
                      kColumnWidths[i]);
    }
    if (!register_->browser.Load()) ReportReadError();
    ShowRows(true);
    SetTimer(Window(), kRefreshTimer, kRefreshMs, nullptr);
}

void IssuedCardsWindow::OnClosing() {
    KillTimer(Window(), kRefreshTimer);
    kRows.Stop(Window());
    register_.reset();
    cell_.clear();
}

void IssuedCardsWindow::ShowRows(bool fromTop) {
    const HWND list = Item(kIssuedListViewId);
    if (fromTop) {
        // Another filter shows other rows: a selection would point at a
        // row the operator did not pick.
        ClearSelection(list);
    }
    SendMessageW(list, LVM_SETITEMCOUNT, register_->browser.RowCount(), 0);
    InvalidateRect(list, nullptr, TRUE);
    if (fromTop && register_->browser.RowCount() > 0)
        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    const std::string counts = Text(Msg::kIssuedCardsRowsShown) + " " +
                               std::to_string(register_->browser.RowCount()) + "    " +
                               Text(Msg::kIssuedCardsUserWrites) + " " +
                               std::to_string(register_->browser.SuccessfulUserWrites());
    SetWindowTextW(Item(kIssuedCountsId), Widen(counts).c_str());
}

void IssuedCardsWindow::ReportReadError() {
    // No register yet is no error: no card has been issued here.
    if (register_->source.LastFailure().status == FileStatus::NotFound) return;
    const DWORD error = register_->source.LastError();
    // One box per open window: the refresh would repeat it every second.
    if (readErrorShown_) return;
    readErrorShown_ = true;
    boxes_.Show(FileError(Text(Msg::kFileReadError), Narrow(registerPath_), error),
                MessageIcon::Error);
}

void IssuedCardsWindow::ApplyFilter() {
    if (!register_->browser.SetFilter(Narrow(WindowText(Item(kIssuedFilterEditId)))))
        ReportReadError();
    ShowRows(true);
}

void IssuedCardsWindow::CopySelection() {
    const std::vector<std::size_t> selected = SelectedRows(Item(kIssuedListViewId));
    if (selected.empty()) return;
    const std::wstring text = Widen(register_->browser.CopyText(selected));
    if (!OpenClipboard(Window())) return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            std::memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            // The clipboard owns the memory once it takes it.
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void IssuedCardsWindow::Export() {
    const std::wstring path = AskFile(Window(), true, Text(Msg::kIssuedCardsFileTypes), L"*.csv",
                                      L"IssuedCards-export.csv");
    if (path.empty()) return;
    // The register itself, or another file of the program, would be lost.
    if (IsProgramFileName(Narrow(path))) {
        boxes_.Show(Text(Msg::kExportOwnFile), MessageIcon::Warning);
        return;
    }
    if (const FileResult exported =
            ExportRegister(register_->browser, register_->source, files_, Narrow(path));
        !exported) {
        boxes_.Show(FileError(Text(Msg::kFileWriteError), Narrow(path), exported.error),
                    MessageIcon::Error);
    }
}

void IssuedCardsWindow::FillCell(NMLVDISPINFOW& request) {
    const int column = request.item.iSubItem;
    if (!register_ || request.item.iItem < 0 || column < 0 || column >= kRegisterColumnCount)
        return;
    const RegisterRow& row = register_->browser.RowAt(static_cast<std::size_t>(request.item.iItem));
    AnswerCellText(request, row[static_cast<std::size_t>(column)], cell_);
}

bool IssuedCardsWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto fill = [this](NMLVDISPINFOW& request) { FillCell(request); };
    if (kRows.OnMessage(Window(), message, wParam, lParam, result, fill, [this] { ApplyFilter(); }))
        return true;
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kIssuedExportButtonId: Export(); break;
                case kIssuedCopyButtonId: CopySelection(); break;
                case kIssuedCloseButtonId: SendMessageW(Window(), WM_CLOSE, 0, 0); break;
                default: break;
            }
            return false;
        case WM_TIMER:
            if (wParam == kRefreshTimer) {
                bool changed = false;
                if (!register_->browser.Refresh(changed)) ReportReadError();
                if (changed) ShowRows(false);
            }
            result = 0;
            return true;
        default: return false;
    }
}

}  // namespace tollvane
