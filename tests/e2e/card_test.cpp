// Card commands against the simulated reader: Master and User write, read
// and clear, each step under another form of acknowledgement the reader may
// use; the cyclic run and its register of issued cards; verify after write
// with bad cards. The frames' and rows' bytes are the unit tests'.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

const std::string kNoCard = "The card was not brought to the reader!";

// The frames sent, as role and operation letters ("Uw Ur ...").
std::string FrameLetters(const std::string& hex) {
    std::string letters;
    for (std::size_t at = 0; at + 92 <= hex.size(); at += 92) {
        if (!letters.empty()) letters += ' ';
        for (std::size_t i : {6u, 8u}) letters += static_cast<char>(std::stoi(hex.substr(at + i, 2), nullptr, 16));
    }
    return letters;
}

// The reader may put text around " - OK!", send the result in the same write
// as the acknowledgement, and write either in pieces: the next step meets
// the form these "ack" settings of the simulator give.
void Ack(E2eTest& t, std::vector<std::string> settings) {
    t.sim("ack default");
    for (const std::string& setting : settings) ASSERT_EQ(t.sim("ack " + setting).rfind("OK ack", 0), 0u);
}

TEST_F(E2eTest, CardCommandsGiveTheirResultsInEveryFormOfAcknowledgement) {
    ASSERT_EQ(Start(), kConnected);
    sim("sent");
    // Master write of the start form: the known frame.
    EXPECT_EQ(Run(kWrite), kSuccess);
    EXPECT_EQ(sim.Sent(), "41542B4D777358" + std::string(44, '0') + "4D64646665640100FFFFFFFFFFFF0084FD");
    EXPECT_EQ(Card("role"), "M");
    // An error code: its message, and the reader stays connected.
    Ack(*this, {"prefix Varnel ready, write", "tail  ready\\r\\n"});
    sim("next err 04");
    EXPECT_EQ(Run(kWrite), kNoCard);
    EXPECT_EQ(Version(), "2.00");
    // Clear, once confirmed, empties the card.
    Ack(*this, {"tail \\r\\n"});
    form->ClickAsync(kClear);
    const auto question = program->WaitMessageBox();
    ASSERT_TRUE(question);
    program->Answer(*question, IDYES);
    EXPECT_EQ(NextBox(), kSuccess);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Card("role"), "-");

    // User data typed from the keyboard: Tab reaches the field, Enter and
    // Escape reach no command there (Quit and Russian are 1 and 2), Tab out
    // ends the entry, the missing digits F, and the converter (Wiegand 58:
    // the bytes in reverse) follows. The decrypt mode's User card reads back
    // plain.
    form->Select(kWorkMode, 3);
    form->Select(kRole, 1);
    form->Click(kConvW58);
    ASSERT_TRUE(TabTo(form->Control(kDataEdit)));
    program->Key(VK_RETURN);
    program->Key(VK_ESCAPE);
    program->Type("AABBCC");
    ASSERT_TRUE(WaitUntil([&] { return form->Text(kDataEdit) == "AABBCC"; })) << form->Text(kDataEdit);
    program->Key(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(form->ControlAt("Edit", 130, 652)) == "FFFFFFFFCCBBAA"; }));
    const std::string typed = "AA BB CC FF FF FF FF";
    ASSERT_EQ(form->Text(kDataEdit), typed);
    Ack(*this, {"same on"});
    ASSERT_EQ(Run(kWrite), kSuccess);
    form->Click(kGenerateUnique);
    ASSERT_NE(form->Text(kDataEdit), typed);
    Ack(*this, {"split 20"});
    ASSERT_EQ(Run(kRead), kSuccess);
    EXPECT_EQ(form->Text(kDataEdit), typed);

    // A Master read puts the card's settings back into the form.
    form->Select(kRole, 0);
    form->Select(kWorkMode, 0);
    sim("card chip plus0");
    for (int id : {kPlus, kAesAuth, kShowAes, kGenerateRandom, kIfW26, kIndInverse, kStandbyDynamic, kTouchPollOn})
        form->Click(id);
    const std::string aesKey = form->Text(kAesEdit);
    Ack(*this, {"same on", "tail \\r\\n"});
    ASSERT_EQ(Run(kWrite), kSuccess);
    for (int id : {kClassic, kIfW58, kIndDirect, kStandbyOff, kTouchPollOff}) form->Click(id);
    Ack(*this, {"split 20", "tail \\r\\n"});
    ASSERT_EQ(Run(kRead), kSuccess);
    for (int id : {kPlus, kSl1, kAesAuth, kIfW26, kIndInverse, kStandbyDynamic, kTouchPollOn})
        EXPECT_TRUE(form->Checked(id)) << id;
    EXPECT_FALSE(form->Checked(kClassic));
    EXPECT_EQ(form->Text(kAesEdit), aesKey);
    EXPECT_EQ(WindowText(form->Main()), "Tollvane ver.2.00 (x64)");
}

enum Column { kDataCol = 12, kResultCol = 22 };

TEST_F(E2eTest, CyclicUserWriteIsRecordedCardByCardAndTheRegisterWindowFiltersAndExports) {
    sim("delay 100");
    ASSERT_EQ(Start(), kConnected);
    sim("sent");
    form->Select(kWorkMode, 1);
    form->Select(kRole, 1);
    form->Click(kUniqueBeforeWrite);
    form->ClickAsync(kWriteCyclic);
    for (int card = 0; card < 3; ++card) {  // a card of its own for each cycle; the fourth cycle fails
        ASSERT_TRUE(WaitUntil([&] { return Card("role") == "U"; })) << "card " << card;
        sim(card < 2 ? "card select " + std::to_string(card + 1) : "next err 04");
    }
    EXPECT_EQ(NextBox(), kNoCard);
    ASSERT_TRUE(Idle());

    // Four frames, each with a fresh number that usersData.data (its first
    // five bytes) and the register's row recorded first.
    const std::string sent = sim.Sent();
    ASSERT_EQ(sent.size(), 4 * 92u);
    const std::vector<std::string> lines = Split(dir.Read("IssuedCards.csv").value_or(""), "\r\n");
    ASSERT_EQ(lines.size(), 6u);
    std::istringstream records(dir.Read("usersData.data").value_or(""));
    std::vector<std::string> shown;  // the numbers as the operator sees them
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string number = sent.substr(i * 92 + 74, 14);
        std::string record;
        records >> record;
        EXPECT_EQ(record, number.substr(0, 10));
        const std::vector<std::string> row = Split(lines[i + 1], ",");
        ASSERT_EQ(row.size(), 24u) << lines[i + 1];
        shown.push_back(row[kDataCol]);
        std::string digits = row[kDataCol];
        digits.erase(std::remove(digits.begin(), digits.end(), ' '), digits.end());
        EXPECT_EQ(digits + row[kResultCol], number + (i < 3 ? "OK" : "ERR_04"));
    }

    // Tools, "Issued cards...": the filter keeps one card, "Export..." writes it.
    form->MenuAsync(kIssuedCards);
    const HWND window = program->WaitTop(L"my Child Window Issued Cards");
    const HWND list = GetDlgItem(window, 62);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 4; }));
    Shot(window, "issued-cards");
    SetWindowTextW(GetDlgItem(window, 61), Widen(shown[1].substr(0, 8)).c_str());
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 1 && ListCell(list, 0, kDataCol) == shown[1]; }));
    ChooseFile(window, 64, "export.csv");
    EXPECT_TRUE(WaitUntil([&] { return dir.Read("export.csv") == lines[0] + "\r\n" + lines[2] + "\r\n"; }));
    program->Key(VK_ESCAPE);  // closes it as its Close does
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(form->Main()); }));
    EXPECT_EQ(sim.Sent(), "");  // the run is over
}

// The Tools menu item switches the option (appconfig.ini keeps it); a
// written card is read back, a bad one told and recorded, and a cyclic run
// goes on after a verified card and ends at a bad one. Switched off, a write
// is one frame again.
TEST_F(E2eTest, VerifyAfterWriteTellsAndRecordsABadCardAndEndsTheRun) {
    ASSERT_EQ(Start(), kConnected);
    form->Menu(67);  // Tools, "Verify after write"
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\nVerify = ON;\r\n");
    sim("sent");
    form->Select(kWorkMode, 1);
    form->Select(kRole, 1);
    EXPECT_EQ(Run(kWrite), kSuccess);
    sim("card fault byte");
    form->Click(kGenerateUnique);
    const std::string mismatch = "The card does not hold what was written!\nDiffers: unique data.\nPut this card aside.";
    EXPECT_EQ(Run(kWrite), mismatch);
    EXPECT_EQ(Version(), "2.00");  // a card's fault leaves the link as it was
    EXPECT_EQ(FrameLetters(sim.Sent()), "Uw Ur Uw Ur");

    sim("card select 1");  // good until its first cycle is recorded, gone before the second
    form->Click(kUniqueBeforeWrite);
    form->ClickAsync(kWriteCyclic);
    const auto rows = [&] { return Split(dir.Read("IssuedCards.csv").value_or(""), ",VERIFIED,").size(); };
    ASSERT_TRUE(WaitUntil([&] { return rows() == 3; }));
    sim("card fault gone");
    EXPECT_EQ(NextBox(), "The card was written, but it could not be read back to check it:\n" + kNoCard);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(FrameLetters(sim.Sent()), "Uw Ur Uw Ur");
    std::string results;  // a row's message, after its result, may hold line ends
    for (const std::string& row : Split(dir.Read("IssuedCards.csv").value_or(""), "\r\n"))
        if (const auto f = Split(row, ","); f.size() > kResultCol + 1 && f[kResultCol] != "Result")
            results += f[kResultCol] + " ";
    EXPECT_EQ(results, "VERIFIED MISMATCH VERIFIED UNVERIFIED ");

    form->Menu(67);
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\nVerify = OFF;\r\n");
    EXPECT_EQ(Run(kWrite), kSuccess);
    EXPECT_EQ(FrameLetters(sim.Sent()), "Uw");
}

}  // namespace
}  // namespace tollvane::e2e
