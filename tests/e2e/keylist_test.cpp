// The key list window of the real program, driven through its controls:
// "Add to list", a duplicate refused, "Show Key", "Remove" and closing.
#include <fstream>
#include <iterator>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

enum KeyId : int {
    kKeyCrypto1Field = 42, kKeyAesField = 43, kShowKeys = 44, kDescription = 45, kAddNew = 46,
    kKeyList = 47, kRemove = 49, kCancel = 50,
};

const std::string kFf6 = "FF FF FF FF FF FF";
const std::string kFf16 = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";

TEST_F(E2eTest, KeyListAddsRefusesADuplicateShowsKeysAndRemovesARecord) {
    // The encrypted empty list that the build puts beside Tollvane.exe.
    std::ifstream empty(std::filesystem::path(ProgramPath()).parent_path() / "crkeys.data", std::ios::binary);
    dir.Write("crkeys.data", std::string(std::istreambuf_iterator<char>(empty), {}));
    Start();
    form->ClickAsync(kAddToList);
    const HWND keys = program->WaitTop(L"my Child Window");
    ASSERT_TRUE(keys && WaitUntil([&] { return GetDlgItem(keys, kCancel) != nullptr; }));
    const HWND list = GetDlgItem(keys, kKeyList);
    const auto field = [&](int id) { return WindowText(GetDlgItem(keys, id)); };
    const auto press = [&](int id) { PostMessageW(GetDlgItem(keys, id), BM_CLICK, 0, 0); };
    const auto masking = [&] { return SendMessageW(GetDlgItem(keys, kKeyCrypto1Field), EM_GETPASSWORDCHAR, 0, 0); };
    EXPECT_EQ(WindowText(keys), "Keys");
    EXPECT_FALSE(IsWindowEnabled(form->Main()));
    EXPECT_EQ(field(kKeyCrypto1Field), kFf6);
    EXPECT_EQ(field(kKeyAesField), kFf16);
    EXPECT_EQ(field(kDescription), "Key Description");
    EXPECT_EQ(ListRows(list), 0);

    // "Add new" takes the form's card settings; the same record again is refused.
    press(kAddNew);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 1; }));
    const std::vector<std::string> first = {"0000", "Cls", "X", "0", "01", "0", std::string(17, '*'),
                                            std::string(32, '*'), "Key Description"};
    for (int c = 0; c < 9; ++c) EXPECT_EQ(ListCell(list, 0, c), first[static_cast<std::size_t>(c)]) << c;
    press(kAddNew);
    auto box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "[0000] Key already exit at the list.");
    program->Answer(*box, IDOK);
    EXPECT_EQ(ListRows(list), 1);
    for (const char* description : {"r1", "r2", "r3", "r4"}) {
        const int before = ListRows(list);
        SetWindowTextW(GetDlgItem(keys, kDescription), Widen(description).c_str());
        press(kAddNew);
        ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == before + 1; })) << description;
    }

    // "Show Key" unmasks the keys of the list and of the fields.
    EXPECT_EQ(masking(), '*');
    press(kShowKeys);
    EXPECT_TRUE(WaitUntil([&] { return ListCell(list, 1, 6) == kFf6 && masking() == 0; }));
    EXPECT_EQ(ListCell(list, 1, 7), kFf16);

    // "Remove" asks, then the records after it move up; record 0000 stays.
    ClickListRow(list, 2);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(keys, kRemove)) != FALSE; }));
    press(kRemove);
    box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "[0002] Are you sure you want to delete the key?");
    program->Answer(*box, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 4; }));
    const char* left[] = {"Key Description", "r1", "r3", "r4"};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(ListCell(list, row, 0), "000" + std::to_string(row));
        EXPECT_EQ(ListCell(list, row, 8), left[row]);
    }
    ClickListRow(list, 0);
    DWORD_PTR ignored = 0;  // no question, so the click returns at once
    EXPECT_TRUE(SendMessageTimeoutW(GetDlgItem(keys, kRemove), BM_CLICK, 0, 0, SMTO_NORMAL, 3000, &ignored));
    EXPECT_FALSE(program->CurrentMessageBox());
    EXPECT_EQ(ListRows(list), 4);

    press(kCancel);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(keys) && IsWindowEnabled(form->Main()); }));
    EXPECT_FALSE(dir.Read("keys.data"));
    EXPECT_FALSE(dir.Read("TmpKeys.data"));
    EXPECT_EQ(dir.Read("zipkeys.data"), dir.Read("crkeys.data"));
}

}  // namespace
}  // namespace tollvane::e2e
