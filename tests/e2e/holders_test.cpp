// Cards for a list of people: a list imported from a spreadsheet's file,
// issued card by card, the list and the register in agreement, and the
// export for the access controller. The files' forms, a failing card and a
// second run are the unit tests'.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

enum HoldersId : int { kCardHolders = 59, kHoldersList = 82, kImport = 85, kExport = 87, kIssue = 88 };

TEST_F(E2eTest, HoldersImportedAreIssuedInOrderAndExportedForTheAccessController) {
    sim("delay 100");
    ASSERT_EQ(Start(), kConnected);
    form->Select(kWorkMode, 1);
    form->Select(kRole, 1);
    const auto open = [&] {
        form->MenuAsync(kCardHolders);
        return program->WaitTop(L"my Child Window Card Holders");
    };
    dir.Write("people.csv", "Name;UniqueData\r\nAnna;11 22 33 44 55 66 77\r\nБорис\r\n");
    const HWND window = open();
    ChooseFile(window, kImport, "people.csv");
    EXPECT_EQ(NextBox(), "People added to the list: 2.");
    EXPECT_EQ(ListRows(GetDlgItem(window, kHoldersList)), 2);
    Shot(window, "card-holders");

    // Each card the reader writes is taken away and a blank one put down.
    sim("card select 1");
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kIssue, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, kIssue)));
    for (int card = 2; card <= 3; ++card) {
        ASSERT_TRUE(WaitUntil([&] { return Card("role") == "U"; })) << "card " << card;
        sim("card select " + std::to_string(card));
    }
    EXPECT_EQ(NextBox(), "Every person on the list has a card.");
    ASSERT_TRUE(Idle());

    // The list: both issued, in order, the given number kept; the register
    // has a row for each card with the same number.
    const std::vector<std::string> list = Split(dir.Read("CardHolders.csv").value_or(""), "\r\n");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0], "\xEF\xBB\xBFName,UniqueData,Status,Time");
    std::vector<std::string> people, numbers;
    for (int i : {1, 2}) {
        const std::vector<std::string> f = Split(list[i], ",");
        ASSERT_EQ(f.size(), 4u);
        EXPECT_EQ(f[2], "issued");
        people.push_back(f[0] + "," + f[1] + ",");
        numbers.push_back(f[1]);
    }
    EXPECT_EQ(people[0], "Anna,11 22 33 44 55 66 77,");
    EXPECT_EQ(people[1].rfind("Борис,", 0), 0u);
    std::vector<std::string> rowNumbers;
    for (const std::string& row : Split(dir.Read("IssuedCards.csv").value_or(""), "\r\n"))
        if (row.find(",User,Write,yes,") != std::string::npos) rowNumbers.push_back(Split(row, ",").at(12));
    EXPECT_EQ(rowNumbers, numbers);

    // Export: a row per person with the number issued.
    const HWND again = open();
    ChooseFile(again, kExport, "enrol.csv");
    ASSERT_TRUE(WaitUntil([&] { return dir.Read("enrol.csv").has_value(); }));
    const std::vector<std::string> exported = Split(*dir.Read("enrol.csv"), "\r\n");
    ASSERT_EQ(exported.size(), 4u);
    for (int i : {0, 1}) EXPECT_EQ(exported[i + 1].rfind(people[i], 0), 0u) << exported[i + 1];
    PostMessageW(again, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(again) && IsWindowEnabled(form->Main()); }));
}

}  // namespace
}  // namespace tollvane::e2e
