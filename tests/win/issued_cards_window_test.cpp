// The "Issued cards" window under Wine over a register file, where the
// end-to-end scenario does not look: rows appended while it is open, line
// ends in a cell, the clipboard, the Close button and a register it cannot
// read.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/win/issued_cards_window.h"
#include "app/win/resource_ids.h"
#include "base/win/handles.h"
#include "base/win/utf.h"
#include "register/issued_cards.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

std::string Line(const char* time, const char* result) {
    RegisterRow row;
    row[kColTime] = time;
    row[kColRole] = "User";
    row[kColOperation] = "Write";
    row[kColResult] = result;
    row[kColMessage] = "line one\nline two";
    return FormatRegisterLine(row);
}

class IssuedCardsWindowTest : public ::testing::Test {
protected:
    IssuedCardsWindowTest() {
        std::ofstream(path_, std::ios::binary) << RegisterFileStart() << Line("T1", "OK") << Line("T2", "ERR_04");
    }
    ~IssuedCardsWindowTest() override {
        DestroyWindow(main_);
        fs::remove(path_);
    }
    HWND Item(int id) const { return GetDlgItem(window_.Window(), id); }
    int Rows() const { return static_cast<int>(SendMessageW(Item(kIssuedListViewId), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column) const {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(Item(kIssuedListViewId), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return Narrow(text);
    }
    // The window's look at the register, which its timer repeats every second.
    void Refresh() { SendMessageW(window_.Window(), WM_TIMER, 1, 0); }

    const fs::path path_ = fs::temp_directory_path() / ("tollvane-issued-" + std::to_string(GetCurrentProcessId()));
    MessageTable texts_{LanguageId::English};
    testing::FakeMessageBoxes boxes_;
    HWND main_ = CreateWindowExW(0, L"Static", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    IssuedCardsWindow window_{texts_, boxes_, path_.wstring()};
};

TEST_F(IssuedCardsWindowTest, FollowsTheRegisterCopiesClosesAndNamesARegisterItCannotRead) {
    ASSERT_TRUE(window_.Open({main_}));
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(1, kColMessage), "line one line two");

    // Another station appends; the next look shows its row on top.
    std::ofstream(path_, std::ios::binary | std::ios::app) << Line("T3", "OK");
    Refresh();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, kColTime), "T3");
    EXPECT_EQ(Narrow(WindowText(Item(kIssuedCountsId))), "Rows shown: 3    Successful User writes: 2");

    LVITEMW select{};
    select.stateMask = select.state = LVIS_SELECTED;
    SendMessageW(Item(kIssuedListViewId), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    SendMessageW(window_.Window(), WM_COMMAND, kIssuedCopyButtonId, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HANDLE copied = GetClipboardData(CF_UNICODETEXT);
    const std::string clipboard = copied ? Narrow(static_cast<const wchar_t*>(GlobalLock(copied))) : "";
    if (copied) GlobalUnlock(copied);
    CloseClipboard();
    EXPECT_EQ(clipboard.substr(0, 3), "T1\t");

    SendMessageW(window_.Window(), WM_COMMAND, kIssuedCloseButtonId, 0);
    EXPECT_FALSE(window_.Window());
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_TRUE(boxes_.shown.empty());

    // Held by another program: no row, and one box however often it looks.
    const UniqueFileHandle held(CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held && window_.Open({main_}));
    EXPECT_EQ(Rows(), 0);
    Refresh();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, "Error reading from file " + path_.string() + "!\nGetLastError=00000020");
    EXPECT_EQ(boxes_.shown[0].icon, MessageIcon::Error);
}

}  // namespace
}  // namespace tollvane
