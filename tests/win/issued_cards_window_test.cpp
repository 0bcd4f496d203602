// The "Issued cards" window under Wine over a register file: newest first,
// the counts, rows appended while it is open, the clipboard, and the main
// window's state around it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/win/issued_cards_window.h"
#include "base/win/utf.h"
#include "register/issued_cards.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

std::string Cell(HWND list, int row, int column) {
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return Narrow(buffer);
}

std::string Clipboard() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = Narrow(static_cast<const wchar_t*>(GlobalLock(data)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

RegisterRow Row(const char* time, const char* result) {
    RegisterRow row;
    row[kColTime] = time;
    row[kColRole] = "User";
    row[kColOperation] = "Write";
    row[kColUniqueData] = "11 22 33 44 55 66 77";
    row[kColResult] = result;
    row[kColMessage] = "line one\nline two";
    return row;
}

TEST(IssuedCardsWindow, ShowsTheRegisterNewestFirstAndFollowsIt) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const fs::path path = fs::path(temp) / ("tollvane-issued-" + std::to_string(GetCurrentProcessId()) + ".csv");
    std::ofstream(path, std::ios::binary) << RegisterFileStart() << FormatRegisterLine(Row("T1", "OK"))
                                          << FormatRegisterLine(Row("T2", "ERR_04"));
    const HWND main = CreateWindowExW(0, L"Static", L"main window stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    testing::FakeMessageBoxes boxes;
    IssuedCardsWindowContext context;
    context.mainWindow = main;
    context.language = LanguageId::English;
    context.registerPath = path.wstring();
    context.boxes = &boxes;
    const HWND window = OpenIssuedCardsWindow(context);
    ASSERT_TRUE(window);
    EXPECT_FALSE(IsWindowEnabled(main));
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_EQ(Narrow(title), "Issued cards");

    const HWND list = GetDlgItem(window, kIssuedListViewId);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Cell(list, 0, kColTime), "T2");
    EXPECT_EQ(Cell(list, 1, kColTime), "T1");
    EXPECT_EQ(Cell(list, 1, kColMessage), "line one line two");
    wchar_t counts[128] = {};
    GetWindowTextW(GetDlgItem(window, kIssuedCountsId), counts, 128);
    EXPECT_EQ(Narrow(counts), "Rows shown: 2    Successful User writes: 1");

    // Another station appends; the next look shows its row on top.
    std::ofstream(path, std::ios::binary | std::ios::app) << FormatRegisterLine(Row("T3", "OK"));
    SendMessageW(window, WM_TIMER, 1, 0);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(Cell(list, 0, kColTime), "T3");
    GetWindowTextW(GetDlgItem(window, kIssuedCountsId), counts, 128);
    EXPECT_EQ(Narrow(counts), "Rows shown: 3    Successful User writes: 2");

    LVITEMW select{};
    select.stateMask = select.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    SendMessageW(window, WM_COMMAND, kIssuedCopyButtonId, 0);
    EXPECT_EQ(Clipboard().substr(0, 3), "T1\t");

    SendMessageW(window, WM_COMMAND, kIssuedCloseButtonId, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(boxes.shown.empty());
    DestroyWindow(main);
    fs::remove(path);
}

}  // namespace
}  // namespace tollvane
