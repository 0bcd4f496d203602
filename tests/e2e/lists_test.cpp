// The key list and the card holders imported and issued. The lists' rules (duplicates, record 0000, failures, the
// files' forms, a failing card, export) are the unit and native tests'.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

// The working folder's key list (the independent implementation encrypted it), opened from the form; its records
// and operations are the platform test's.
TEST_F(E2eTest, KeyListOpensOnTheListOfTheWorkingFolder) {
    std::filesystem::copy_file(std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
                               dir.path / "crkeys.data");
    Start();
    program->ClickAsync(Id(AddToListButton));
    const HWND keys = program->WaitTop(L"my Child Window");
    ASSERT_TRUE(keys && WaitUntil([&] { return ListRows(GetDlgItem(keys, kKeyListViewId)) == 24; }));
    EXPECT_FALSE(IsWindowEnabled(program->Main()));
    PostMessageW(GetDlgItem(keys, kShowKeysCheckId), BM_CLICK, 0, 0);  // "Show Key", for the picture
    Shot(keys, "keylist");
    program->Key(VK_ESCAPE);  // closes it as Cancel does
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(keys) && IsWindowEnabled(program->Main()); }));
}

TEST_F(E2eTest, HoldersImportedAreIssuedInOrder) {
    Sim("delay 100");
    ASSERT_EQ(Start(), kConnected);
    program->Select(Id(WorkModeCombo), 1);
    program->Select(Id(RoleCombo), 1);
    dir.Write("people.csv", "Name;UniqueData\r\nAnna;11 22 33 44 55 66 77\r\nБорис\r\n");
    program->MenuAsync(kMenuCardHolders);
    const HWND window = program->WaitTop(L"my Child Window Card Holders");
    ChooseFile(window, kHoldersImportButtonId, "people.csv");
    EXPECT_EQ(NextBox(), "People added to the list: 2.");
    EXPECT_EQ(ListRows(GetDlgItem(window, kHoldersListViewId)), 2);
    Shot(window, "card-holders");

    // Each card the reader writes is taken away and a blank one put down.
    Sim("card select 1");
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kHoldersIssueButtonId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, kHoldersIssueButtonId)));
    for (int card = 2; card <= 3; ++card) {
        ASSERT_TRUE(WaitUntil([&] { return Card("role") == "U"; })) << "card " << card;
        Sim("card select " + std::to_string(card));
    }
    EXPECT_EQ(NextBox(), "Every person on the list has a card.");
    ASSERT_TRUE(Idle());

    // The list: both issued, in order, the given number kept.
    const std::vector<std::string> list = Split(dir.Read("CardHolders.csv"), "\r\n");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0], "\xEF\xBB\xBFName,UniqueData,Status,Time");
    EXPECT_EQ(list[1].rfind("Anna,11 22 33 44 55 66 77,issued,", 0), 0u) << list[1];
    EXPECT_EQ(Split(list[2], ",").at(0) + " " + Split(list[2], ",").at(2), "Борис issued") << list[2];
}

}  // namespace
}  // namespace tollvane::e2e
