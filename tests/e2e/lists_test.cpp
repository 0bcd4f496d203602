// The key list and the card holders imported and issued. The lists' rules (duplicates, record 0000,
// failures, the files' forms, a failing card, export) are the unit and native tests'.
#include "e2e_fixture.h"
#include "../support/expect_fields.h"

namespace tollvane::e2e {
namespace {

// The working folder's key list (the independent implementation encrypted it), opened from the
// form; its records and operations are the platform test's.
TEST_F(E2eTest, KeyListOpensOnTheListOfTheWorkingFolder) {
    std::filesystem::copy_file(
        std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
        dir.path / "crkeys.data");
    Start();
    program->ClickAsync(Id(AddToListButton));
    const HWND keys = program->WaitTop(L"my Child Window");
    ASSERT_TRUE(keys);
    EXPECT_TRUE(WaitUntil([&] { return ListRows(GetDlgItem(keys, kKeyListViewId)) == 24; }));
    EXPECT_FALSE(IsWindowEnabled(program->Main()));
    program->Key(VK_ESCAPE);  // closes it as Cancel does
    EXPECT_TRUE(Closed(keys));
}

// Imports a file of people into the card holders list (the box's text) and, with card 1 on the
// programmer, starts the run.
std::string ImportAndIssue(E2eTest& t, const std::string& people) {
    t.dir.Write("people.csv", people);
    t.program->MenuAsync(kMenuCardHolders);
    const HWND window = t.program->WaitTop(L"my Child Window Card Holders");
    t.ChooseFile(window, kHoldersImportButtonId, "people.csv");
    const std::string added = t.NextBox();
    Sim("card select 1");
    Press(window, kHoldersIssueButtonId);
    return added;
}

TEST_F(E2eTest, HoldersImportedAreIssuedInOrder) {
    Sim("delay 100");
    ASSERT_EQ(Start(), kConnected);
    UserSectorData();
    // Each card the reader writes is taken away and a blank one put down.
    EXPECT_EQ(ImportAndIssue(*this, "Name;UniqueData\r\nAnna;11 22 33 44 55 66 77\r\nБорис\r\n"),
              "People added to the list: 2.");
    for (int card = 2; card <= 3; ++card) {
        ASSERT_TRUE(WaitUntil([&] { return Card("role") == "U"; })) << "card " << card;
        Sim("card select " + std::to_string(card));
    }
    EXPECT_EQ(NextBox(), "Every person on the list has a card.");
    ASSERT_TRUE(Idle());

    // The list: both issued, in order, Anna's given number kept and her card named.
    const std::string list = dir.Read("CardHolders.csv");
    const std::size_t boris = list.find("\r\nБорис,");
    EXPECT_FIELDS((list.find("\r\nAnna,11 22 33 44 55 66 77,issued,") < boris,
                   list.find(",0012345679,3232235778\r\nБорис,") != std::string::npos,
                   list.find(",issued,", boris) != std::string::npos),
                  (true, true, true))
        << list;

    // Anna's card comes back on the programmer for a new person: refused, until a blank card is put
    // down.
    EXPECT_EQ(ImportAndIssue(*this, "Name\r\nVera\r\n"), "People added to the list: 1.");
    const std::string refused =
        "This card was already issued with the number 11 22 33 44 55 66 77. Put a blank card "
        "on the programmer. \xE2\x80\x94 Vera (1 of 1)";
    EXPECT_TRUE(WaitUntil([&] { return WindowText(program->ProgressWindow()) == refused; }))
        << WindowText(program->ProgressWindow());
    Sim("card select 4");
    EXPECT_EQ(NextBox(), "Every person on the list has a card.");
    ASSERT_TRUE(Idle());
    const std::string reg = dir.Read("IssuedCards.csv");
    EXPECT_EQ(reg.find("0012345679,3232235778\r\n"), reg.rfind("0012345679,3232235778\r\n"))
        << reg;  // card 1 once
    EXPECT_NE(reg.find("0012345682,3232235781\r\n"), std::string::npos) << reg;
}

}  // namespace
}  // namespace tollvane::e2e
