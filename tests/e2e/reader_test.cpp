// The program against the simulated reader on a COM port: discovery and the
// version check, card commands and their results, cyclic runs, read-back,
// Read ID, and the reader pulled out and plugged in again.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

#include "protocol/crc8.h"
#include "reader_sim.h"

namespace tollvane::e2e {
namespace {

using ::testing::ElementsAre;

std::string FoundText(const std::string& com) { return En(Msg::kVarnelFound) + "\n\r->[" + com + "]"; }

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    char pair[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        out += pair;
    }
    return out;
}

std::vector<std::uint8_t> Unhex(const std::string& hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// One field of the simulator's "cardmem" reply, such as "block".
std::string CardField(const std::string& cardmem, const std::string& name) {
    std::istringstream in(cardmem);
    std::string word;
    while (in >> word)
        if (word.rfind(name + "=", 0) == 0) return word.substr(name.size() + 1);
    return {};
}

// --- Discovery and version --------------------------------------------------------------

using ReaderDiscoveryTest = ReaderProgramTest;

TEST_F(ReaderDiscoveryTest, StartUpFindsTheReaderAndReadsItsVersion) {
    EXPECT_THAT(StartReader(), ElementsAre(FoundText(com), "Settings read!"));
    EXPECT_EQ(WindowText(VersionValue()), "2.00");
    EXPECT_FALSE(form->Enabled(kPortCombo));
    const int sel = form->Selection(kPortCombo);
    ASSERT_GE(sel, 0);
    EXPECT_EQ(form->Items(kPortCombo).at(static_cast<std::size_t>(sel)), com);
    EXPECT_EQ(sim.Sent(), Hex(reinterpret_cast<const std::uint8_t*>("AT+READS_USB"), 12));
    Shot(program->Main(), "main-connected");
}

TEST_F(ReaderDiscoveryTest, AReaderOfAnotherVersionIsRejectedAndItsPortClosed) {
    sim("version 2.01");
    EXPECT_THAT(StartReader(), ElementsAre(FoundText(com), "Settings read!", "Update your reader to version 2.00!"));
    EXPECT_EQ(WindowText(VersionValue()), "x.xx");
    EXPECT_TRUE(form->Enabled(kPortCombo));
    // Closed: a Write now searches again instead of sending.
    sim("version 2.00");
    sim("sent");
    form->Click(kWrite);
    EXPECT_THAT(Boxes(), ElementsAre(FoundText(com), "Settings read!"));
    EXPECT_EQ(sim.Sent(), Hex(reinterpret_cast<const std::uint8_t*>("AT+READS_USB"), 12));
}

TEST_F(ReaderDiscoveryTest, WithoutTheUsbDeviceTheReaderIsNotFoundAndAPickedSilentPortIsGivenUp) {
    SimRegistry registry(com);
    registry.RemoveUsbDevice();
    std::vector<std::string> boxes;
    try {
        boxes = StartReader();
    } catch (...) {
        registry.AddUsbDevice();
        throw;
    }
    registry.AddUsbDevice();
    EXPECT_THAT(boxes, ElementsAre("Varnel not found!", En(Msg::kSelectPortHint)));
    EXPECT_EQ(WindowText(VersionValue()), "x.xx");

    const std::vector<std::string> ports = form->Items(kPortCombo);
    const auto it = std::find(ports.begin(), ports.end(), com);
    ASSERT_NE(it, ports.end());
    sim("next silent");
    form->Select(kPortCombo, static_cast<int>(it - ports.begin()));
    int icon = 0;
    EXPECT_EQ(NextBox(&icon), En(Msg::kReaderDidNotRespond));
    EXPECT_EQ(icon, 7);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(form->Enabled(kPortCombo));
    EXPECT_EQ(WindowText(VersionValue()), "x.xx");
}

// --- Card commands ---------------------------------------------------------------------

class ReaderCardTest : public ReaderProgramTest {
protected:
    void Connect() {
        ASSERT_THAT(StartReader(), ElementsAre(FoundText(com), "Settings read!"));
        sim("sent");
    }
    // Clicks a button whose command waits for the reader and returns the
    // box that ends the wait.
    std::string Run(int button, int* icon = nullptr) {
        form->ClickAsync(button);
        return NextBox(icon);
    }
};

// --- The card scenarios with every acknowledgement form --------------------------------

// The reader may end its acknowledgement with a line end of its own; every
// card scenario must work with that as with the bare acknowledgement.
struct AckForm {
    const char* name;
    const char* setting;  // the simulator's "ack" command, or nothing
};
const AckForm kAckForms[] = {{"BareAck", nullptr}, {"AckWithLineEnd", "ack tail \\r\\n"}};

struct ErrorText {
    int code;
    Msg message;
};

class CardScenarioTest : public ReaderCardTest,
                         public ::testing::WithParamInterface<std::tuple<int, int>> {
public:
    struct Scenario {
        const char* name;
        const char* before;  // a simulator command before the program starts, or nothing
        void (CardScenarioTest::*run)();
    };
    static const Scenario kScenarios[];

protected:
    void MasterWriteSendsTheKnownFrame() {
        int icon = 0;
        EXPECT_EQ(Run(kWrite, &icon), "The operation was successful!");
        EXPECT_EQ(icon, 3);
        const std::string settingsBlock = "4D646466656401" "00" "FFFFFFFFFFFF" "00" "84";
        EXPECT_EQ(sim.Sent(), "41542B4D777358" + std::string(22 * 2, '0') + settingsBlock + "FD");
        EXPECT_EQ(CardField(sim("cardmem"), "role"), "M");
    }

    void MasterReadPutsTheCardBackIntoTheForm() {
        form->Click(kPlus);
        form->Click(kAesAuth);
        form->Click(kShowAes);
        form->Click(kGenerateRandom);
        const std::string aesKey = form->Text(kAesEdit);
        form->Click(kIfW26);
        form->Click(kIndInverse);
        form->Click(kStandbyDynamic);
        form->Click(kTouchPollOn);
        ASSERT_EQ(Run(kWrite), "The operation was successful!");

        // The form forgets: Classic resets the AES key, the radios move.
        form->Click(kClassic);
        form->Click(kIfW58);
        form->Click(kIndDirect);
        form->Click(kStandbyOff);
        form->Click(kTouchPollOff);
        ASSERT_NE(form->Text(kAesEdit), aesKey);
        ASSERT_EQ(Run(kRead), "The operation was successful!");
        ASSERT_TRUE(Idle());
        EXPECT_TRUE(form->Checked(kPlus));
        EXPECT_FALSE(form->Checked(kClassic));
        EXPECT_TRUE(form->Checked(kSl1));
        EXPECT_TRUE(form->Checked(kAesAuth));
        EXPECT_TRUE(form->Checked(kIfW26));
        EXPECT_TRUE(form->Checked(kIndInverse));
        EXPECT_TRUE(form->Checked(kStandbyDynamic));
        EXPECT_TRUE(form->Checked(kTouchPollOn));
        EXPECT_EQ(form->Text(kAesEdit), aesKey);
        EXPECT_EQ(form->Text(kCrypto1Edit), "FF FF FF FF FF FF");
    }

    void ClearEmptiesAWrittenCard() {
        ASSERT_EQ(Run(kWrite), "The operation was successful!");
        ASSERT_EQ(CardField(sim("cardmem"), "role"), "M");
        form->ClickAsync(kClear);
        const auto question = program->WaitMessageBox();
        ASSERT_TRUE(question);
        program->Answer(*question, IDYES);
        EXPECT_EQ(NextBox(), "The operation was successful!");
        ASSERT_TRUE(Idle());
        EXPECT_EQ(CardField(sim("cardmem"), "role"), "-");
        EXPECT_EQ(WindowText(VersionValue()), "2.00");
    }

    void CyclicUniqueWriteGivesEveryCardItsOwnRecordedNumber() {
        form->Select(kWorkMode, 1);
        form->Select(kRole, 1);
        form->Click(kUniqueBeforeWrite);
        form->ClickAsync(kWriteCyclic);
        // Each cycle on a card of its own; the fourth finds no card.
        std::set<std::string> onCards;
        for (int card = 0; card < 3; ++card) {
            ASSERT_TRUE(WaitUntil([&] { return CardField(sim("cardmem"), "role") == "U"; })) << "card " << card;
            onCards.insert(CardField(sim("cardmem"), "block").substr(16, 14));
            if (card < 2) sim("card select " + std::to_string(card + 1));
            else sim("next err 04");
        }
        int icon = 0;
        EXPECT_EQ(NextBox(&icon), "The card was not brought to the reader!");
        EXPECT_EQ(icon, 5);
        ASSERT_TRUE(Idle());

        // Every frame sent carried fresh data, and every number is in the file.
        const std::string sent = sim.Sent();
        ASSERT_EQ(sent.size() % 92, 0u);
        std::set<std::string> inFrames;
        for (std::size_t at = 0; at < sent.size(); at += 92) inFrames.insert(sent.substr(at + (29 + 8) * 2, 14));
        EXPECT_GE(inFrames.size(), 4u);
        EXPECT_EQ(inFrames.size(), sent.size() / 92);
        EXPECT_EQ(onCards.size(), 3u);
        for (const std::string& data : onCards) EXPECT_EQ(inFrames.count(data), 1u) << data;
        const std::optional<std::string> file = dir.Read("usersData.data");
        ASSERT_TRUE(file);
        for (const std::string& data : inFrames) EXPECT_NE(file->find(data.substr(0, 10)), std::string::npos) << data;
        // The run is over: nothing more is sent.
        Sleep(1500);
        EXPECT_EQ(sim.Sent(), "");
    }

    // Every code's message is checked in the unit tests; here the first and
    // the last code go through the real line and windows.
    void AnErrorCodeShowsItsMessageAndKeepsTheConnection() {
        const ErrorText errors[] = {{4, Msg::kErr04CardNotPresented}, {18, Msg::kErr18NotUser}};
        for (const ErrorText& e : errors) {
            char command[16];
            std::snprintf(command, sizeof command, "next err %02d", e.code);
            sim(command);
            int icon = 0;
            EXPECT_EQ(Run(kWrite, &icon), En(e.message)) << e.code;
            EXPECT_EQ(icon, 5);
            ASSERT_TRUE(Idle());
        }
        EXPECT_EQ(WindowText(VersionValue()), "2.00");
    }
};

const CardScenarioTest::Scenario CardScenarioTest::kScenarios[] = {
    {"Write", nullptr, &CardScenarioTest::MasterWriteSendsTheKnownFrame},
    {"ReadBack", "card chip plus0", &CardScenarioTest::MasterReadPutsTheCardBackIntoTheForm},
    {"Clear", nullptr, &CardScenarioTest::ClearEmptiesAWrittenCard},
    {"Cyclic", "delay 100", &CardScenarioTest::CyclicUniqueWriteGivesEveryCardItsOwnRecordedNumber},
    {"ErrorCodes", nullptr, &CardScenarioTest::AnErrorCodeShowsItsMessageAndKeepsTheConnection},
};

TEST_P(CardScenarioTest, Runs) {
    const AckForm& ack = kAckForms[std::get<0>(GetParam())];
    const Scenario& scenario = kScenarios[std::get<1>(GetParam())];
    if (ack.setting) ASSERT_EQ(sim(ack.setting).rfind("OK ack", 0), 0u);
    if (scenario.before) ASSERT_EQ(sim(scenario.before).rfind("OK", 0), 0u);
    ASSERT_NO_FATAL_FAILURE(Connect());
    (this->*scenario.run)();
}

INSTANTIATE_TEST_SUITE_P(
    AckForms, CardScenarioTest,
    ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(kAckForms))),
                       ::testing::Range(0, static_cast<int>(std::size(CardScenarioTest::kScenarios)))),
    [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
        return std::string(kAckForms[std::get<0>(info.param)].name) + "_" +
               CardScenarioTest::kScenarios[std::get<1>(info.param)].name;
    });

// The other answers the device may give: text in front of " - OK!" and a word
// after it, the result in the same write as the acknowledgement (also after
// a line end), and replies written in pieces with gaps under 60 ms.
TEST_F(ReaderCardTest, EveryAcknowledgementFormTheDeviceMayUseWorks) {
    const std::vector<std::vector<std::string>> forms = {
        {"ack prefix Varnel ready, write", "ack tail  ready\\r\\n"},
        {"ack same on"},
        {"ack same on", "ack tail \\r\\n"},
        {"ack split 20"},
        {"ack split 20", "ack tail \\r\\n"},
    };
    ASSERT_NO_FATAL_FAILURE(Connect());
    for (const std::vector<std::string>& form_ : forms) {
        SCOPED_TRACE(form_.back());
        sim("ack default");
        for (const std::string& setting : form_) ASSERT_EQ(sim(setting).rfind("OK ack", 0), 0u);
        EXPECT_EQ(Run(kWrite), "The operation was successful!");
        ASSERT_TRUE(Idle());
        sim("next err 04");
        EXPECT_EQ(Run(kWrite), "The card was not brought to the reader!");
        ASSERT_TRUE(Idle());
    }
    EXPECT_EQ(WindowText(VersionValue()), "2.00");
}

TEST_F(ReaderCardTest, TheDecryptModeScramblesTheCardDataAndAUserReadShowsItPlain) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    form->Select(kWorkMode, 3);
    form->Select(kRole, 1);
    const std::string typed = form->Text(kDataEdit);
    ASSERT_EQ(typed, "11 22 33 44 55 66 77");
    ASSERT_EQ(Run(kWrite), "The operation was successful!");

    // 11 22 33 44 55 66 77 as the decrypt mode sends it.
    const std::uint8_t scrambled[7] = {0xB4, 0x4E, 0xD2, 0x7C, 0xEA, 0x21, 0xA5};
    const std::string block = CardField(sim("cardmem"), "block");
    ASSERT_EQ(block.size(), 32u);
    EXPECT_EQ(block.substr(16, 14), Hex(scrambled, 7));

    form->Click(kGenerateUnique);
    ASSERT_NE(form->Text(kDataEdit), typed);
    ASSERT_EQ(Run(kRead), "The operation was successful!");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(form->Text(kDataEdit), typed);
}

// --- Read ID ---------------------------------------------------------------------------

TEST_F(ReaderCardTest, ReadIdShowsTheFourValuesUnderTheReadersName) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    form->MenuAsync(kReadId);
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = program->FindTop(L"my Child Window Read ID")) != nullptr; }));
    EXPECT_EQ(WindowText(window), "Varnel ver.2.00");
    EXPECT_FALSE(IsWindowEnabled(program->Main()));
    std::vector<std::string> fields;
    HWND child = nullptr;
    while ((child = FindWindowExW(window, child, L"Edit", nullptr)) != nullptr) fields.push_back(WindowText(child));
    EXPECT_THAT(fields, ElementsAre("0012345678", "00BC614E", "3232235777", "192.168.1.1"));
    Shot(window, "readid");
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(program->Main()); }));
}

// --- Device changes ------------------------------------------------------------------------

// Puts the reader back for the next test however this one ends.
struct PlugBack {
    const SimControl& sim;
    const SimRegistry* registry;
    bool pending = true;
    ~PlugBack() {
        if (!pending) return;
        sim("plug");
        if (registry) registry->Plug();
    }
};

TEST_F(ReaderCardTest, TheReaderPulledOutBreaksTheConnectionAndPluggedInIsFoundAgain) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    SimRegistry registry(com);
    PlugBack plugBack{sim, &registry};
    sim("unplug");
    registry.Unplug();
    PostMessageW(program->Main(), WM_DEVICECHANGE, 7, 0);
    EXPECT_EQ(NextBox(), "Connection broken.\n\r(Varnel disabled!)");
    ASSERT_TRUE(Idle());
    const std::vector<std::string> without = form->Items(kPortCombo);
    EXPECT_EQ(std::count(without.begin(), without.end(), com), 0);
    EXPECT_EQ(WindowText(VersionValue()), "x.xx");

    plugBack.pending = false;
    ASSERT_EQ(sim("plug").rfind("OK", 0), 0u);
    registry.Plug();
    PostMessageW(program->Main(), WM_DEVICECHANGE, 7, 0);
    EXPECT_THAT(Boxes(), ElementsAre(FoundText(com), "Settings read!"));
    EXPECT_EQ(WindowText(VersionValue()), "2.00");
    const std::vector<std::string> with = form->Items(kPortCombo);
    EXPECT_EQ(std::count(with.begin(), with.end(), com), 1);
}

TEST_F(ReaderCardTest, AListedPortWhoseDeviceIsGoneCannotBeReopened) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    PlugBack plugBack{sim, nullptr};
    sim("unplug");  // the terminal goes, the registry stays
    PostMessageW(program->Main(), WM_DEVICECHANGE, 7, 0);
    EXPECT_EQ(NextBox(), "Error opening [" + com + "]!");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(WindowText(VersionValue()), "x.xx");
}

}  // namespace
}  // namespace tollvane::e2e
