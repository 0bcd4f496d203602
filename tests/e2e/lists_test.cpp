// The key list and the card holders imported and issued. The lists' rules (duplicates, record 0000,
// failures, the files' forms, a failing card, export) are the unit and native tests'.
#include "e2e_fixture.h"
#include "../support/expect_fields.h"

namespace tollvane::e2e {
namespace {

// The key list window with its keys shown, for the manual in the interface's language.
HWND KeyListPicture(E2eTest& t, const std::string& name) {
    t.program->ClickAsync(Id(AddToListButton));
    const HWND keys = t.program->WaitTop(L"my Child Window");
    if (!keys || !WaitUntil([&] { return ListRows(GetDlgItem(keys, kKeyListViewId)) == 24; }))
        return keys;
    PostMessageW(GetDlgItem(keys, kShowKeysCheckId), BM_CLICK, 0, 0);  // "Show Key"
    Shot(keys, name);
    return keys;
}

// The working folder's key list (the independent implementation encrypted it), opened from the
// form; its records and operations are the platform test's.
TEST_F(E2eTest, KeyListOpensOnTheListOfTheWorkingFolder) {
    std::filesystem::copy_file(
        std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
        dir.path / "crkeys.data");
    Start();
    program->ClickAsync(Id(AddToListButton));
    const HWND keys = KeyListPicture(*this, "keylist-en");
    ASSERT_TRUE(keys);
    EXPECT_EQ(ListRows(GetDlgItem(keys, kKeyListViewId)), 24);
    EXPECT_FALSE(IsWindowEnabled(program->Main()));
    program->Key(VK_ESCAPE);  // closes it as Cancel does
    EXPECT_TRUE(Closed(keys));
    if (std::getenv("TOLLVANE_E2E_SHOTS")) {
        program->Menu(kMenuRussian);
        KeyListPicture(*this, "keylist-ru");
    }
}

// A station in mid-run for the manual (scripts/screenshots): the register and the list of people of
// tests/data/station (five people issued, three waiting), in each interface language with names and
// a station of its own.
void StationPictures(E2eTest& t) {
    for (const std::string lang : {"en", "ru"}) {
        t.program.reset();
        for (const char* file : {"IssuedCards.csv", "CardHolders.csv"})
            std::filesystem::copy_file(
                std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "station" / lang / file,
                t.dir.path / file, std::filesystem::copy_options::overwrite_existing);
        t.Start(lang == "ru" ? kRussianConfig : kEnglishConfig);
        for (const auto& [menu, title, list, rows, name] :
             {std::tuple{int{kMenuCardHolders}, L"my Child Window Card Holders",
                         int{kHoldersListViewId}, 8, "card-holders-"},
              {int{kMenuIssuedCards}, L"my Child Window Issued Cards", int{kIssuedListViewId}, 6,
               "issued-cards-"}}) {
            t.program->MenuAsync(menu);
            const HWND window = t.program->WaitTop(title);
            ASSERT_TRUE(window &&
                        WaitUntil([&] { return ListRows(GetDlgItem(window, list)) == rows; }))
                << name;
            Shot(window, name + lang);
            t.program->Key(VK_ESCAPE);
            ASSERT_TRUE(t.Closed(window)) << name;
        }
    }
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
    if (std::getenv("TOLLVANE_E2E_SHOTS")) StationPictures(*this);
}

}  // namespace
}  // namespace tollvane::e2e
