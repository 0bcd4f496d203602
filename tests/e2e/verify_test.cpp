// "Verify after write" against the simulator's bad cards: every written card
// is read back, and the operator and the register hear whether it holds what
// was written. With the option off the conversation is one frame per write.
#include <algorithm>
#include <sstream>

#include "base/message_table.h"
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

constexpr int kVerifyItem = 67;  // Tools, "Verify after write"
enum Column { kResultCol = 22, kMessageCol = 23 };

// The frames sent, as role and operation letters ("Uw Ur ...").
std::string FrameLetters(const std::string& hex) {
    std::string letters;
    for (std::size_t at = 0; at + 92 <= hex.size(); at += 92) {
        if (!letters.empty()) letters += ' ';
        letters += static_cast<char>(std::stoi(hex.substr(at + 6, 2), nullptr, 16));
        letters += static_cast<char>(std::stoi(hex.substr(at + 8, 2), nullptr, 16));
    }
    return letters;
}

// The Result and Message of each row of the register, without the header.
std::vector<std::string> Results(const ScratchDir& dir) {
    std::vector<std::string> results;
    std::istringstream in(dir.Read("IssuedCards.csv").value_or(""));
    std::string line, row;
    std::getline(in, line);  // the header
    // A message with line ends is quoted and goes on over several lines.
    while (std::getline(in, line)) {
        row += line;
        if (std::count(row.begin(), row.end(), '"') % 2 != 0) {
            row += "\n";
            continue;
        }
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (char c : row) {
            if (c == '"') quoted = !quoted;
            else if (c == ',' && !quoted) fields.emplace_back();
            else if (c != '\r') fields.back() += c;
        }
        results.push_back(fields.size() > kMessageCol ? fields[kResultCol] + " " + fields[kMessageCol] : row);
        row.clear();
    }
    return results;
}

struct BadCard {
    const char* name;
    const char* fault;  // the simulator's card fault
    LanguageId language;
    std::string result;  // the register's Result
    Msg message;         // the box, its %s filled with detail
    Msg detail;
};

class VerifyTest : public E2eTest, public ::testing::WithParamInterface<BadCard> {
protected:
    std::string T(Msg id) const { return Text(GetParam().language, id); }
    std::string Expected() const {
        std::string text = T(GetParam().message);
        text.replace(text.find("%s"), 2, T(GetParam().detail));
        return text;
    }
};

// A User card written and read back, then the same card gone bad; then a
// cyclic run that goes on after a verified card and ends at the bad one.
TEST_P(VerifyTest, ABadCardIsToldRecordedAndEndsTheRun) {
    const BadCard& bad = GetParam();
    const bool english = bad.language == LanguageId::English;
    ASSERT_EQ(Start(english ? "Language = EN;\r\nVerify = ON;\r\n" : "Language = RU;\r\nVerify = ON;\r\n").size(), 2u);
    const std::string success = T(Msg::kOperationSuccessful);
    sim("sent");
    form->Select(kWorkMode, 1);
    form->Select(kRole, 1);
    EXPECT_EQ(Run(kWrite), success);
    sim(std::string("card fault ") + bad.fault);
    form->Click(kGenerateUnique);
    EXPECT_EQ(Run(kWrite), Expected());
    EXPECT_EQ(Version(), "2.00");  // a card's fault leaves the link as it was
    EXPECT_EQ(FrameLetters(sim.Sent()), "Uw Ur Uw Ur");

    // The next card is good until its first cycle is recorded; it turns
    // bad in the pause before the second.
    sim("card select 1");
    form->Click(kUniqueBeforeWrite);
    form->ClickAsync(kWriteCyclic);
    ASSERT_TRUE(WaitUntil([&] { return Results(dir).size() == 3; }));
    sim(std::string("card fault ") + bad.fault);
    EXPECT_EQ(NextBox(), Expected());
    ASSERT_TRUE(Idle());
    EXPECT_EQ(FrameLetters(sim.Sent()), "Uw Ur Uw Ur");
    EXPECT_EQ(Results(dir), (std::vector<std::string>{"VERIFIED " + success, bad.result + " " + Expected(),
                                                      "VERIFIED " + success, bad.result + " " + Expected()}));
}

INSTANTIATE_TEST_SUITE_P(
    BadCards, VerifyTest,
    ::testing::Values(
        BadCard{"KeepsItsOldContents", "stale", LanguageId::English, "MISMATCH", Msg::kVerifyMismatch,
                Msg::kFieldNameUniqueData},
        BadCard{"KeepsItsOldContentsRu", "stale", LanguageId::Russian, "MISMATCH", Msg::kVerifyMismatch,
                Msg::kFieldNameUniqueData},
        BadCard{"OneByteChanged", "byte", LanguageId::English, "MISMATCH", Msg::kVerifyMismatch,
                Msg::kFieldNameUniqueData},
        BadCard{"OneByteChangedRu", "byte", LanguageId::Russian, "MISMATCH", Msg::kVerifyMismatch,
                Msg::kFieldNameUniqueData},
        BadCard{"TakenAway", "gone", LanguageId::English, "UNVERIFIED", Msg::kVerifyUnreadable,
                Msg::kErr04CardNotPresented},
        BadCard{"TakenAwayRu", "gone", LanguageId::Russian, "UNVERIFIED", Msg::kVerifyUnreadable,
                Msg::kErr04CardNotPresented}),
    [](const ::testing::TestParamInfo<BadCard>& info) { return std::string(info.param.name); });

// The Tools menu item switches the option and appconfig.ini keeps it on its
// second line (the first line's end made CR LF), across a language switch; switched off, a write is one frame
// again. (The item's text and check mark are the menu bar's platform test.)
TEST_F(E2eTest, VerifyAfterWriteIsSwitchedInTheMenuAndKeptInAppconfig) {
    ASSERT_EQ(Start().size(), 2u);
    form->Menu(kVerifyItem);
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\nVerify = ON;\r\n");
    form->Menu(kRussian);
    form->Menu(kEnglish);
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\nVerify = ON;\r\n");
    sim("sent");
    EXPECT_EQ(Run(kWrite), kSuccess);
    EXPECT_EQ(FrameLetters(sim.Sent()), "Mw Mr");

    form->Menu(kVerifyItem);
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\nVerify = OFF;\r\n");
    EXPECT_EQ(Run(kWrite), kSuccess);
    EXPECT_EQ(FrameLetters(sim.Sent()), "Mw");
}

}  // namespace
}  // namespace tollvane::e2e
