// Cards for a list of people: a list imported from a spreadsheet's file,
// issued card by card with a failure in the middle and a second run, the
// list, the register and usersData.data in agreement, and the export for
// the access controller.
#include <sstream>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

enum HoldersId : int {
    kCardHolders = 59,
    kHoldersList = 82, kImport = 85, kExport = 87, kIssue = 88,
};
const wchar_t kHoldersClass[] = L"my Child Window Card Holders";

// Two people with numbers (the converter's two worked examples), one
// Cyrillic name, one quoted with a comma, and a name a spreadsheet would run
// as a formula.
const std::string kPeople =
    "Name;UniqueData\r\n"
    "Anna;11 22 33 44 55 66 77\r\n"
    "\"Smith, John\";\r\n"
    "Борис\r\n"
    "=1+2;01020304050607\r\n"
    "Vera;\r\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

struct HoldersTest : E2eTest {
    HWND OpenWindow() {
        form->MenuAsync(kCardHolders);
        return program->WaitTop(kHoldersClass);
    }
    void Press(HWND window, int id) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    }
    // The Open or Save As dialog that the button brings, answered with a file.
    void ChooseFile(HWND window, int button, const std::string& name) {
        Press(window, button);
        const HWND dialog = program->WaitTop(L"#32770");
        ASSERT_TRUE(dialog);
        HWND edit = GetDlgItem(dialog, 1148);  // the file name box: an edit in a combo box
        while (edit && ClassName(edit) != "Edit") edit = GetWindow(edit, GW_CHILD);
        ASSERT_TRUE(edit);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((dir.Path() / name).wstring().c_str()));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    }
    // Issue cards: each card the reader writes is taken away and a blank one
    // put down; `fail` makes the card after the last written one fail.
    void IssueCards(int written, int& nextCard, bool fail) {
        sim("card select " + std::to_string(nextCard++));
        Press(OpenWindow(), kIssue);
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
    const std::vector<std::string> list = Lines(dir.Read("CardHolders.csv").value_or(""));
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0], "\xEF\xBB\xBFName,UniqueData,Status,Time");
    const std::string names[] = {"Anna,", "\"Smith, John\",", "Борис,", "=1+2,", "Vera,"};
    std::vector<std::string> numbers, times;
    for (int i = 0; i < 5; ++i) {
        const std::string& row = list[i + 1];
        ASSERT_EQ(row.rfind(names[i], 0), 0u) << row;
        numbers.push_back(row.substr(names[i].size(), 20));
        EXPECT_EQ(row.substr(names[i].size() + 20, 8), ",issued,") << row;
        times.push_back(row.substr(names[i].size() + 28));
    }
    EXPECT_EQ(numbers[0], "11 22 33 44 55 66 77");
    EXPECT_EQ(numbers[3], "01 02 03 04 05 06 07");

    // The register: a row per card, the failed one with a number of its own
    // that usersData.data keeps and no one got; usersData.data holds every
    // number in the order they were handed out.
    std::vector<std::string> rowNumbers, results;
    for (const std::string& row : Lines(dir.Read("IssuedCards.csv").value_or(""))) {
        if (row.find(",User,Write,yes,") == std::string::npos) continue;
        std::istringstream fields(row);
        std::vector<std::string> f;
        for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
        rowNumbers.push_back(f.at(12));
        results.push_back(f.at(22));
    }
    EXPECT_EQ(results, (std::vector<std::string>{"OK", "OK", "ERR_04", "OK", "OK", "OK"}));
    ASSERT_EQ(rowNumbers.size(), 6u);
    EXPECT_EQ((std::vector<std::string>{rowNumbers[0], rowNumbers[1], rowNumbers[3], rowNumbers[4], rowNumbers[5]}),
              numbers);
    EXPECT_NE(rowNumbers[2], numbers[2]);
    std::istringstream records(dir.Read("usersData.data").value_or(""));
    std::vector<std::string> recorded;
    for (std::string record; records >> record;) recorded.push_back(record);
    std::vector<std::string> expected;
    for (const std::string& n : rowNumbers) expected.push_back(n.substr(0, 2) + n.substr(3, 2) + n.substr(6, 2) + n.substr(9, 2) + n.substr(12, 2));
    EXPECT_EQ(recorded, expected);

    // Export: the converter's forms of each number (its worked examples for
    // the two given ones), the formula made harmless.
    const HWND again = OpenWindow();
    ChooseFile(again, kExport, "enrol.csv");
    ASSERT_TRUE(WaitUntil([&] { return dir.Read("enrol.csv").has_value(); }));
    const std::vector<std::string> exported = Lines(*dir.Read("enrol.csv"));
    ASSERT_EQ(exported.size(), 6u);
    EXPECT_EQ(exported[0], "\xEF\xBB\xBFName,UniqueData,TM_W44,HEX_W44,DEC_W44,TM_W26,HEX_W26,DEC_W26,TM_W58,HEX_W58,"
                           "DEC_W58,Time");
    EXPECT_EQ(exported[1], "Anna,11 22 33 44 55 66 77,CD00554433221101,5544332211,0366216421905,EA00000033221101,"
                           "332211,03351057,7566554433221101,77665544332211,33608038631023121," + times[0]);
    EXPECT_EQ(exported[4], "'=1+2,01 02 03 04 05 06 07,6000050403020101,0504030201,0021542142465,0100000003020101,"
                           "030201,00197121,BD06050403020101,07060504030201,01976943448883713," + times[3]);
    EXPECT_EQ(exported[2].rfind("\"Smith, John\"," + numbers[1] + ",", 0), 0u);
    PostMessageW(again, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(again) && IsWindowEnabled(form->Main()); }));
}

}  // namespace
}  // namespace tollvane::e2e
