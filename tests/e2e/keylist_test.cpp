// The key list window of the real program on a list of 24 records that the
// independent implementation encrypted, driven through its controls. The
// list's rules (duplicates, record 0000, failures) are the native tests'.
#include <fstream>
#include <iterator>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

enum KeyId : int { kKeyCrypto1 = 42, kShowKeys = 44, kDescription = 45, kAddNew = 46, kKeyList = 47, kRemove = 49 };

TEST_F(E2eTest, KeyListShowsAddsAndRemovesAndKeepsTheListEncrypted) {
    std::ifstream keyList(std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
                          std::ios::binary);
    const std::string encrypted(std::istreambuf_iterator<char>(keyList), {});
    dir.Write("crkeys.data", encrypted);
    Start();
    form->ClickAsync(kAddToList);
    const HWND keys = program->WaitTop(L"my Child Window");
    ASSERT_TRUE(keys && WaitUntil([&] { return GetDlgItem(keys, kKeyList) != nullptr; }));
    const HWND list = GetDlgItem(keys, kKeyList);
    const auto field = [&](int id) { return WindowText(GetDlgItem(keys, id)); };
    const auto press = [&](int id) { PostMessageW(GetDlgItem(keys, id), BM_CLICK, 0, 0); };
    const auto row = [&](int r) {
        std::string cells;
        for (int c = 0; c < 9; ++c) cells += ListCell(list, r, c) + "|";
        return cells;
    };
    EXPECT_FALSE(IsWindowEnabled(form->Main()));
    ASSERT_EQ(ListRows(list), 24);
    EXPECT_EQ(row(1), "0001|Cls|X|1|03|1|" + std::string(17, '*') + "|" + std::string(32, '*') +
                          "|Entrance door, building 2|");

    // "Show Key" unmasks the list and the fields; a double click puts a record into the fields.
    EXPECT_EQ(SendMessageW(GetDlgItem(keys, kKeyCrypto1), EM_GETPASSWORDCHAR, 0, 0), '*');
    press(kShowKeys);
    EXPECT_TRUE(WaitUntil([&] { return ListCell(list, 1, 6) == "A0 A1 A2 A3 A4 A5"; }));
    EXPECT_EQ(SendMessageW(GetDlgItem(keys, kKeyCrypto1), EM_GETPASSWORDCHAR, 0, 0), 0);
    ClickListRow(list, 3, true);
    EXPECT_TRUE(WaitUntil([&] { return field(kDescription) == "Server room = TC=Cls keys"; }));
    EXPECT_EQ(field(kKeyCrypto1), "B0 B1 B2 B3 B4 B5");
    Shot(keys, "keylist");

    // Added last with the form's card settings; "Remove" asks, then the records after it move up.
    const std::string aes = ListCell(list, 3, 7);
    SetWindowTextW(GetDlgItem(keys, kDescription), L"Lobby");
    press(kAddNew);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 25; }));
    EXPECT_EQ(row(24), "0024|Cls|X|0|01|0|B0 B1 B2 B3 B4 B5|" + aes + "|Lobby|");
    ClickListRow(list, 2);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(keys, kRemove)) != FALSE; }));
    press(kRemove);
    const auto box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "[0002] Are you sure you want to delete the key?");
    program->Answer(*box, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 24; }));
    EXPECT_EQ(ListCell(list, 2, 8) + "|" + ListCell(list, 23, 0), "Server room = TC=Cls keys|0023");

    program->Key(VK_ESCAPE);  // closes it as Cancel does
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(keys) && IsWindowEnabled(form->Main()); }));
    // Encrypted again, the backup beside it, no plain list left.
    EXPECT_NE(dir.Read("crkeys.data"), encrypted);
    EXPECT_EQ(dir.Read("zipkeys.data"), dir.Read("crkeys.data"));
    EXPECT_FALSE(dir.Read("keys.data") || dir.Read("TmpKeys.data"));
}

}  // namespace
}  // namespace tollvane::e2e
