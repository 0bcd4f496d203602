// Cards for a list of people: a list imported from a spreadsheet's file,
// issued card by card with a failure in the middle and a second run, the
// list and the register in agreement, and the export for the access
// controller. The files' bytes (the converter's forms, the numbers recorded
// in usersData.data) are the unit tests' and the cyclic write's.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

enum HoldersId : int {
    kCardHolders = 59,
    kHoldersList = 82, kImport = 85, kExport = 87, kIssue = 88,
};
const wchar_t kHoldersClass[] = L"my Child Window Card Holders";

// Two people with numbers given, one
// Cyrillic name, one quoted with a comma, and a name a spreadsheet would run
// as a formula.
const std::string kPeople =
    "Name;UniqueData\r\n"
    "Anna;11 22 33 44 55 66 77\r\n"
    "\"Smith, John\";\r\n"
    "Борис\r\n"
    "=1+2;01020304050607\r\n"
    "Vera;\r\n";

struct HoldersTest : E2eTest {
    HWND OpenWindow() {
        form->MenuAsync(kCardHolders);
        return program->WaitTop(kHoldersClass);
    }
    // Issue cards: each card the reader writes is taken away and a blank one
    // put down; `fail` makes the card after the last written one fail.
    void IssueCards(int written, int& nextCard, bool fail) {
        sim("card select " + std::to_string(nextCard++));
        const HWND window = OpenWindow();
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(kIssue, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, kIssue)));
        for (int card = 0; card < written; ++card) {
            ASSERT_TRUE(WaitUntil([&] { return Card("role") == "U"; })) << "card " << card;
            sim(fail && card == written - 1 ? "next err 04" : "card select " + std::to_string(nextCard++));
        }
    }
};

TEST_F(HoldersTest, AListImportedIsIssuedInOrderAndExportedForTheAccessController) {
    sim("delay 100");
    ASSERT_EQ(Start(), (std::vector<std::string>{"Varnel reader found!\n\r->[COM5]", "Settings read!"}));
    form->Select(kWorkMode, 1);
    form->Select(kRole, 1);
    dir.Write("people.csv", kPeople);

    const HWND window = OpenWindow();
    ChooseFile(window, kImport, "people.csv");
    EXPECT_EQ(NextBox(), "People added to the list: 5.");
    EXPECT_EQ(ListRows(GetDlgItem(window, kHoldersList)), 5);
    Shot(window, "card-holders");

    // Two cards, then one not brought to the reader: the run ends there.
    int nextCard = 1;
    IssueCards(2, nextCard, true);
    EXPECT_EQ(NextBox(), "The card was not brought to the reader!");
    ASSERT_TRUE(Idle());
    // Issued again from the person who waits: three cards, and the end.
    IssueCards(3, nextCard, false);
    EXPECT_EQ(NextBox(), "Every person on the list has a card.");
    ASSERT_TRUE(Idle());

    // The list: everyone issued, in order, the given numbers kept.
    const std::vector<std::string> list = Split(dir.Read("CardHolders.csv").value_or(""), "\r\n");
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[0], "\xEF\xBB\xBFName,UniqueData,Status,Time");
    const std::string names[] = {"Anna,", "\"Smith, John\",", "Борис,", "=1+2,", "Vera,"};
    std::vector<std::string> numbers;
    for (int i = 0; i < 5; ++i) {
        const std::string& row = list[i + 1];
        ASSERT_EQ(row.rfind(names[i], 0), 0u) << row;
        numbers.push_back(row.substr(names[i].size(), 20));
        EXPECT_EQ(row.substr(names[i].size() + 20, 8), ",issued,") << row;
    }
    EXPECT_EQ(numbers[0], "11 22 33 44 55 66 77");
    EXPECT_EQ(numbers[3], "01 02 03 04 05 06 07");

    // The register: a row per card, the failed one with a number of its own
    // that no one got.
    std::vector<std::string> rowNumbers, results;
    for (const std::string& row : Split(dir.Read("IssuedCards.csv").value_or(""), "\r\n")) {
        if (row.find(",User,Write,yes,") == std::string::npos) continue;
        const std::vector<std::string> f = Split(row, ",");
        rowNumbers.push_back(f.at(12));
        results.push_back(f.at(22));
    }
    EXPECT_EQ(results, (std::vector<std::string>{"OK", "OK", "ERR_04", "OK", "OK", "OK"}));
    ASSERT_EQ(rowNumbers.size(), 6u);
    EXPECT_EQ((std::vector<std::string>{rowNumbers[0], rowNumbers[1], rowNumbers[3], rowNumbers[4], rowNumbers[5]}),
              numbers);
    EXPECT_NE(rowNumbers[2], numbers[2]);

    // Export: a row per person with the number issued, the formula made harmless.
    const HWND again = OpenWindow();
    ChooseFile(again, kExport, "enrol.csv");
    ASSERT_TRUE(WaitUntil([&] { return dir.Read("enrol.csv").has_value(); }));
    const std::vector<std::string> exported = Split(*dir.Read("enrol.csv"), "\r\n");
    ASSERT_EQ(exported.size(), 7u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(exported[i + 1].rfind((i == 3 ? "'" : "") + names[i] + numbers[i] + ",", 0), 0u) << exported[i + 1];
    PostMessageW(again, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(again) && IsWindowEnabled(form->Main()); }));
}

}  // namespace
}  // namespace tollvane::e2e
