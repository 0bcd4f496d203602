// Card commands against the simulated reader: a Master write and clear, a User write and read, each
// under another form of acknowledgement; the cyclic run and its register; verify after write with a
// bad card. The frames' and rows' bytes, a Master read-back put into the form, every damaged reply
// and noise on the line are the unit tests' and the fuzz harnesses'.
#include "e2e_fixture.h"
#include "register/register_reader.h"

namespace tollvane::e2e {
namespace {

const std::string kNoCard = "The card was not brought to the reader!";

// The commands sent: "ID" for a Read ID, a frame as its role and operation letters ("ID Uw Ur
// ...").
std::string FrameLetters(const std::string& hex) {
    const std::string readId = "41542B52454144535F494453";  // "AT+READS_IDS"
    std::string letters;
    for (std::size_t at = 0; at < hex.size();) {
        if (!letters.empty()) letters += ' ';
        if (hex.compare(at, readId.size(), readId) == 0) {
            letters += "ID";
            at += readId.size();
            continue;
        }
        if (at + 92 > hex.size()) break;
        for (std::size_t i : {6u, 8u})
            letters += static_cast<char>(std::stoi(hex.substr(at + i, 2), nullptr, 16));
        at += 92;
    }
    return letters;
}

// The Result of each row of the register, as the program's own reader splits it.
std::string Results(const ScratchDir& dir) {
    const std::string file = dir.Read("IssuedCards.csv");
    std::string results;
    RegisterScanner().Feed(file.data(), file.size(), [&](std::uint64_t, std::string_view line) {
        RegisterRow row;
        SplitRegisterLine(line, row);
        results += row[kColResult] + " ";
    });
    return results;
}

// The reader may put text around " - OK!", send the result with the acknowledgement, and write
// either in pieces: the next step meets the form these "ack" settings of the simulator give.
void Ack(std::vector<std::string> settings) {
    Sim("ack default");
    for (const std::string& setting : settings)
        ASSERT_EQ(Sim("ack " + setting).rfind("OK ack", 0), 0u);
}

TEST_F(E2eTest, CardCommandsGiveTheirResultsInEveryFormOfAcknowledgement) {
    ASSERT_EQ(Start(), kConnected);
    Sim("sent");
    // Master write of the start form: the known frame.
    EXPECT_EQ(Run(Id(WriteButton)), kSuccess);
    EXPECT_EQ(Sent(),
              "41542B4D777358" + std::string(44, '0') + "4D64646665640100FFFFFFFFFFFF0084FD");
    EXPECT_EQ(Card("role"), "M");
    // An error code: its message, and the reader stays connected.
    Ack({"prefix Varnel ready, write", "tail  ready\\r\\n"});
    Sim("next err 04");
    EXPECT_EQ(Run(Id(WriteButton)), kNoCard);
    EXPECT_EQ(Version(), "2.00");
    // Clear, once confirmed, empties the card.
    Ack({"tail \\r\\n"});
    program->ClickAsync(Id(ClearButton));
    const auto question = program->WaitMessageBox();
    ASSERT_TRUE(question);
    program->Answer(*question, IDYES);
    EXPECT_EQ(NextBox(), kSuccess);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Card("role"), "-");

    // User data typed: Tab reaches the field, Enter and Escape reach no command there (Quit and
    // Russian are 1 and 2), Tab out fills the missing digits with F and the converter (Wiegand 58:
    // bytes reversed) follows. The decrypt mode's User card reads back plain.
    program->Select(Id(WorkModeCombo), 3);
    program->Select(Id(RoleCombo), 1);
    program->Click(Id(ConvW58Radio));
    ASSERT_TRUE(TabTo(program->Control(Id(SectorDataEdit))));
    program->Key(VK_RETURN);
    program->Key(VK_ESCAPE);
    program->Type("AABBCC");
    ASSERT_TRUE(WaitUntil([&] { return program->Text(Id(SectorDataEdit)) == "AABBCC"; }))
        << program->Text(Id(SectorDataEdit));
    program->Key(VK_TAB);
    EXPECT_TRUE(WaitUntil(
        [&] { return WindowText(program->ControlAt(L"Edit", 130, 652)) == "FFFFFFFFCCBBAA"; }));
    const std::string typed = "AA BB CC FF FF FF FF";
    ASSERT_EQ(program->Text(Id(SectorDataEdit)), typed);
    Ack({"same on"});
    ASSERT_EQ(Run(Id(WriteButton)), kSuccess);
    program->Click(Id(GenerateUniqueButton));
    ASSERT_NE(program->Text(Id(SectorDataEdit)), typed);
    Ack({"split 20"});
    ASSERT_EQ(Run(Id(ReadButton)), kSuccess);
    EXPECT_EQ(program->Text(Id(SectorDataEdit)), typed);
}

TEST_F(E2eTest, CyclicUserWriteIsRecordedCardByCardAndTheRegisterWindowExportsIt) {
    Sim("delay 100");
    ASSERT_EQ(Start(), kConnected);
    Sim("sent");
    UserSectorData();
    program->Click(Id(UniqueBeforeWriteCheck));
    program->ClickAsync(Id(WriteCyclicButton));
    for (int card = 0; card < 3;
         ++card) {  // a card of its own for each cycle; the fourth cycle fails
        ASSERT_TRUE(WaitUntil([&] { return Card("role") == "U"; })) << "card " << card;
        Sim(card < 2 ? "card select " + std::to_string(card + 1) : "next err 04");
    }
    EXPECT_EQ(NextBox(), kNoCard);
    ASSERT_TRUE(Idle());
    // Four frames, a row each; that each number was recorded before it was sent is the flow's
    // unit test's.
    EXPECT_EQ(FrameLetters(Sent()), "Uw Uw Uw Uw");
    EXPECT_EQ(Results(dir), "OK OK OK ERR_04 ");

    // Tools, "Issued cards...": every row, and "Export..." writes them.
    program->MenuAsync(kMenuIssuedCards);
    const HWND window = program->WaitTop(L"my Child Window Issued Cards");
    ASSERT_TRUE(WaitUntil([&] { return ListRows(GetDlgItem(window, kIssuedListViewId)) == 4; }));
    ChooseFile(window, 64, "export.csv");
    EXPECT_TRUE(WaitUntil([&] { return dir.Read("export.csv") == dir.Read("IssuedCards.csv"); }));
    program->Key(VK_ESCAPE);  // closes it as its Close does
    EXPECT_TRUE(Closed(window));
    EXPECT_EQ(Sent(), "");  // the run is over
}

// The Tools item switches the option (appconfig.ini keeps it; the line's forms are the unit
// tests'); a written card is read back and a bad one told and recorded; switched off, a write is
// one frame again. Other bad cards and cyclic runs are the unit tests'.
TEST_F(E2eTest, VerifyAfterWriteTellsAndRecordsABadCard) {
    ASSERT_EQ(Start(), kConnected);
    program->Menu(kMenuVerifyAfterWrite);
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\nVerify = ON;\r\n");
    Sim("sent");
    UserSectorData();
    EXPECT_EQ(Run(Id(WriteButton)), kSuccess);
    Sim("card fault byte");
    program->Click(Id(GenerateUniqueButton));
    EXPECT_EQ(
        Run(Id(WriteButton)),
        "The card does not hold what was written!\nDiffers: unique data.\nPut this card aside.");
    EXPECT_EQ(FrameLetters(Sent()), "ID Uw Ur ID Uw Ur");
    EXPECT_EQ(Results(dir), "VERIFIED MISMATCH ");
    program->Menu(kMenuVerifyAfterWrite);
    EXPECT_EQ(Run(Id(WriteButton)), kSuccess);
    EXPECT_EQ(FrameLetters(Sent()), "Uw");
}

}  // namespace
}  // namespace tollvane::e2e
