// Card commands against the simulated reader, each with its result, in every
// form of acknowledgement the reader may use; the cyclic run and its
// register of issued cards; Read ID; the reader pulled out and put back.
#include <algorithm>
#include <sstream>
#include <thread>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

const std::vector<std::string> kConnected = {"Varnel reader found!\n\r->[COM5]", "Settings read!"};
const std::string kNoCard = "The card was not brought to the reader!";
const std::string kTyped = "11 22 33 44 55 66 77";

using CardTest = E2eTest;

// The reader may put text around " - OK!", send the result in the same write
// as the acknowledgement, and write either in pieces.
struct AckForm {
    const char* name;
    std::vector<std::string> settings;  // the simulator's "ack" commands
};

class CardCommandTest : public CardTest, public ::testing::WithParamInterface<AckForm> {};

TEST_P(CardCommandTest, EachCommandGivesItsResult) {
    for (const std::string& setting : GetParam().settings) ASSERT_EQ(sim(setting).rfind("OK ack", 0), 0u);
    ASSERT_EQ(Start(), kConnected);
    sim("sent");

    // Write of the Master card of the start form: the known frame.
    EXPECT_EQ(Run(kWrite), kSuccess);
    const std::string settingsBlock = "4D646466656401" "00" "FFFFFFFFFFFF" "00" "84";
    EXPECT_EQ(sim.Sent(), "41542B4D777358" + std::string(22 * 2, '0') + settingsBlock + "FD");
    EXPECT_EQ(Card("role"), "M");

    // An error code: its message, and the reader stays connected.
    sim("next err 04");
    EXPECT_EQ(Run(kWrite), kNoCard);
    EXPECT_EQ(Version(), "2.00");

    // Clear, once confirmed, empties the card.
    form->ClickAsync(kClear);
    const auto question = program->WaitMessageBox();
    ASSERT_TRUE(question);
    program->Answer(*question, IDYES);
    EXPECT_EQ(NextBox(), kSuccess);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Card("role"), "-");

    // The decrypt mode scrambles a User card's data; a User read shows it plain.
    form->Select(kWorkMode, 3);
    form->Select(kRole, 1);
    ASSERT_EQ(form->Text(kDataEdit), kTyped);
    ASSERT_EQ(Run(kWrite), kSuccess);
    EXPECT_EQ(Card("block").substr(16, 14), "B44ED27CEA21A5");
    form->Click(kGenerateUnique);
    ASSERT_NE(form->Text(kDataEdit), kTyped);
    ASSERT_EQ(Run(kRead), kSuccess);
    EXPECT_EQ(form->Text(kDataEdit), kTyped);

    // A Master read puts the card's settings back into the form.
    form->Select(kRole, 0);
    form->Select(kWorkMode, 0);
    sim("card chip plus0");
    for (int id : {kPlus, kAesAuth, kShowAes, kGenerateRandom, kIfW26, kIndInverse, kStandbyDynamic, kTouchPollOn})
        form->Click(id);
    const std::string aesKey = form->Text(kAesEdit);
    ASSERT_EQ(Run(kWrite), kSuccess);
    for (int id : {kClassic, kIfW58, kIndDirect, kStandbyOff, kTouchPollOff}) form->Click(id);
    ASSERT_NE(form->Text(kAesEdit), aesKey);  // Classic puts the AES key back
    ASSERT_EQ(Run(kRead), kSuccess);
    for (int id : {kPlus, kSl1, kAesAuth, kIfW26, kIndInverse, kStandbyDynamic, kTouchPollOn})
        EXPECT_TRUE(form->Checked(id)) << id;
    EXPECT_FALSE(form->Checked(kClassic));
    EXPECT_EQ(form->Text(kAesEdit), aesKey);
    EXPECT_EQ(form->Text(kCrypto1Edit), "FF FF FF FF FF FF");
}

INSTANTIATE_TEST_SUITE_P(
    AckForms, CardCommandTest,
    ::testing::Values(AckForm{"Bare", {}}, AckForm{"LineEnd", {"ack tail \\r\\n"}},
                      AckForm{"TextAround", {"ack prefix Varnel ready, write", "ack tail  ready\\r\\n"}},
                      AckForm{"WithTheResult", {"ack same on"}},
                      AckForm{"WithTheResultAfterLineEnd", {"ack same on", "ack tail \\r\\n"}},
                      AckForm{"InPieces", {"ack split 20"}},
                      AckForm{"InPiecesWithLineEnd", {"ack split 20", "ack tail \\r\\n"}}),
    [](const ::testing::TestParamInfo<AckForm>& info) { return std::string(info.param.name); });

enum Column { kPortCol = 3, kModeCol = 9, kDataCol = 12, kResultCol = 22, kMessageCol = 23 };

TEST_F(CardTest, CyclicUserWriteIsRecordedCardByCardAndTheRegisterWindowFiltersAndExports) {
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
    const auto stopped = std::chrono::steady_clock::now();

    // Four frames, each with a fresh number, recorded in usersData.data (its
    // first five bytes) in the same order.
    const std::string sent = sim.Sent();
    ASSERT_EQ(sent.size(), 4 * 92u);
    std::vector<std::string> numbers;
    std::istringstream records(dir.Read("usersData.data").value_or(""));
    for (std::string record; numbers.size() < 4 && records >> record;) {
        numbers.push_back(sent.substr(numbers.size() * 92 + 37 * 2, 14));
        EXPECT_EQ(record, numbers.back().substr(0, 10));
    }
    ASSERT_EQ(numbers.size(), 4u);

    // The register (whose file form the register's unit tests check): after
    // its header a row per frame, three successes and then the error.
    const std::string issued = dir.Read("IssuedCards.csv").value_or("");
    const std::vector<std::string> lines = Split(issued, "\r\n");
    ASSERT_EQ(lines.size(), 6u) << issued;
    std::vector<std::string> shown;  // the numbers as the operator sees them
    for (std::size_t i = 0; i < 4; ++i) {
        const std::vector<std::string> row = Split(lines[i + 1], ",");
        ASSERT_EQ(row.size(), 24u) << lines[i + 1];
        EXPECT_EQ(std::vector<std::string>(row.begin() + kPortCol, row.begin() + kModeCol + 1),
                  (std::vector<std::string>{"COM5", "2.00", "User", "Write", "yes", "Classic", "1"}));
        shown.push_back(row[kDataCol]);
        std::string digits = row[kDataCol];
        digits.erase(std::remove(digits.begin(), digits.end(), ' '), digits.end());
        EXPECT_EQ(digits, numbers[i]);
        EXPECT_EQ(row[kResultCol] + " " + row[kMessageCol], i < 3 ? "OK " + kSuccess : "ERR_04 " + kNoCard);
    }

    // Tools, "Issued cards...": newest first; the filter keeps one card.
    form->MenuAsync(kIssuedCards);
    const HWND window = program->WaitTop(L"my Child Window Issued Cards");
    const HWND list = GetDlgItem(window, 62);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 4; }));
    EXPECT_EQ(ListCell(list, 0, kDataCol) + ListCell(list, 3, kDataCol), shown[3] + shown[0]);
    Shot(window, "issued-cards");
    SetWindowTextW(GetDlgItem(window, 61), Widen(shown[1].substr(0, 8)).c_str());
    ASSERT_TRUE(WaitUntil([&] { return ListRows(list) == 1 && ListCell(list, 0, kDataCol) == shown[1]; }));

    // "Export...": a file name typed into the Save As dialog, Save pressed.
    ChooseFile(window, 64, "export.csv");
    const std::string exported = lines[0] + "\r\n" + lines[2] + "\r\n";
    EXPECT_TRUE(WaitUntil([&] { return dir.Read("export.csv") == exported; })) << dir.Read("export.csv").value_or("");
    program->Key(VK_ESCAPE);  // closes it as its Close does
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(form->Main()); }));

    std::this_thread::sleep_until(stopped + 1500ms);  // the run is over: nothing more was sent
    EXPECT_EQ(sim.Sent(), "");
}

TEST_F(CardTest, ReadIdShowsTheCardAndAReaderPulledOutIsFoundAgainWhenPluggedIn) {
    ASSERT_EQ(Start(), kConnected);
    sim("sent");
    form->MenuAsync(kReadId);
    const HWND window = program->WaitTop(L"my Child Window Read ID");
    EXPECT_EQ(WindowText(window), "Varnel ver.2.00");
    EXPECT_FALSE(IsWindowEnabled(form->Main()));
    std::vector<std::string> fields;
    for (HWND edit = nullptr; (edit = FindWindowExW(window, edit, L"Edit", nullptr)) != nullptr;)
        fields.push_back(WindowText(edit));
    EXPECT_EQ(fields, (std::vector<std::string>{"0012345678", "00BC614E", "3232235777", "192.168.1.1"}));
    Shot(window, "readid");
    program->Key(VK_ESCAPE);  // closes it as its close box does
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(form->Main()); }));

    const auto deviceChange = [&] { PostMessageW(form->Main(), WM_DEVICECHANGE, 7 /* DBT_DEVNODES_CHANGED */, 0); };
    const auto listed = [&] {
        const std::vector<std::string> ports = form->Items(kPortCombo);
        return std::count(ports.begin(), ports.end(), "COM5");
    };
    sim("unplug");
    Registry("unplug");  // as Windows does: the port and the USB device go
    deviceChange();
    EXPECT_EQ(NextBox(), "Connection broken.\n\r(Varnel disabled!)");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(listed(), 0);
    EXPECT_EQ(Version(), "x.xx");

    ASSERT_EQ(sim("plug").rfind("OK", 0), 0u);
    Registry("plug");
    deviceChange();
    EXPECT_EQ(program->SettleSearch(), kConnected);
    EXPECT_EQ(Version(), "2.00");
    EXPECT_EQ(listed(), 1);
}

}  // namespace
}  // namespace tollvane::e2e
