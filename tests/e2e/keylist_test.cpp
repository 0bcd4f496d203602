// The key list window of the real program on a list of 24 records, driven
// through its controls: the records shown masked, "Show Key", a record put
// into the fields, a duplicate refused, "Add new", "Remove" and closing.
#include <fstream>
#include <iterator>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

enum KeyId : int { kKeyCrypto1 = 42, kKeyAes = 43, kShowKeys = 44, kDescription = 45, kAddNew = 46, kKeyList = 47,
                   kRemove = 49, kCancel = 50 };

TEST_F(E2eTest, KeyListShowsAddsRefusesADuplicateAndRemoves) {
    // Encrypted by the independent implementation from plain_keylist.data.
    std::ifstream keyList(std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
                          std::ios::binary);
    dir.Write("crkeys.data", std::string(std::istreambuf_iterator<char>(keyList), {}));
    Start();
    form->ClickAsync(kAddToList);
    const HWND keys = program->WaitTop(L"my Child Window");
    ASSERT_TRUE(keys && WaitUntil([&] { return GetDlgItem(keys, kCancel) != nullptr; }));
    const HWND list = GetDlgItem(keys, kKeyList);
    const auto field = [&](int id) { return WindowText(GetDlgItem(keys, id)); };
    const auto press = [&](int id) { PostMessageW(GetDlgItem(keys, id), BM_CLICK, 0, 0); };
    const auto masking = [&] { return SendMessageW(GetDlgItem(keys, kKeyCrypto1), EM_GETPASSWORDCHAR, 0, 0); };
    const auto row = [&](int r) {
        std::vector<std::string> cells;
        for (int c = 0; c < 9; ++c) cells.push_back(ListCell(list, r, c));
        return cells;
    };
    const std::string ff6 = "FF FF FF FF FF FF", ff16 = ff6 + " FF FF FF FF FF FF FF FF FF FF";
    EXPECT_EQ(WindowText(keys), "Keys");
    EXPECT_FALSE(IsWindowEnabled(form->Main()));
    EXPECT_EQ(field(kKeyCrypto1), ff6);  // the form's values
    EXPECT_EQ(field(kKeyAes), ff16);
    EXPECT_EQ(field(kDescription), "Key Description");
    ASSERT_EQ(ListRows(list), 24);
    EXPECT_EQ(row(1), (std::vector<std::string>{"0001", "Cls", "X", "1", "03", "1", std::string(17, '*'),
                                                std::string(32, '*'), "Entrance door, building 2"}));

    // "Show Key" unmasks the list and the fields; a double click puts a record into the fields.
    EXPECT_EQ(masking(), '*');
    press(kShowKeys);
    EXPECT_TRUE(WaitUntil([&] { return ListCell(list, 1, 6) == "A0 A1 A2 A3 A4 A5" && masking() == 0; }));
    EXPECT_EQ(ListCell(list, 1, 7), "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    ClickListRow(list, 3, true);
    EXPECT_TRUE(WaitUntil([&] { return field(kDescription) == "Server room = TC=Cls keys"; }));
    EXPECT_EQ(field(kKeyCrypto1), "B0 B1 B2 B3 B4 B5");
    Shot(keys, "keylist");

    // The form's values are record 0000: refused; with another description, added last.
    ClickListRow(list, 0, true);
    ASSERT_TRUE(WaitUntil([&] { return field(kKeyCrypto1) == ff6; }));
    press(kAddNew);
    auto box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "[0000] Key already exit at the list.");
    program->Answer(*box, IDOK);
    SetWindowTextW(GetDlgItem(keys, kDescription), L"Lobby");
    press(kAddNew);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 25; }));
    EXPECT_EQ(row(24), (std::vector<std::string>{"0024", "Cls", "X", "0", "01", "0", ff6, ff16, "Lobby"}));

    // "Remove" asks, then the records after it move up; record 0000 stays.
    ClickListRow(list, 2);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(keys, kRemove)) != FALSE; }));
    press(kRemove);
    box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "[0002] Are you sure you want to delete the key?");
    program->Answer(*box, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 24; }));
    EXPECT_EQ(ListCell(list, 2, 0), "0002");
    EXPECT_EQ(ListCell(list, 2, 8), "Server room = TC=Cls keys");
    EXPECT_EQ(ListCell(list, 23, 0), "0023");
    ClickListRow(list, 0);
    DWORD_PTR ignored = 0;  // no question, so the click returns at once
    EXPECT_TRUE(SendMessageTimeoutW(GetDlgItem(keys, kRemove), BM_CLICK, 0, 0, SMTO_NORMAL, 3000, &ignored));
    EXPECT_FALSE(program->CurrentMessageBox());
    EXPECT_EQ(ListRows(list), 24);

    program->Key(VK_ESCAPE);  // closes it as Cancel does
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(keys) && IsWindowEnabled(form->Main()); }));
    EXPECT_FALSE(dir.Read("keys.data"));
    EXPECT_FALSE(dir.Read("TmpKeys.data"));
    EXPECT_EQ(dir.Read("zipkeys.data"), dir.Read("crkeys.data"));
}

}  // namespace
}  // namespace tollvane::e2e
