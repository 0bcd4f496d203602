// Card commands and the register of issued cards: a row for each outcome,
// written before its message, and no command sent when the register cannot
// be written.
#include <gtest/gtest.h>

#include "app/reader/card_command.h"
#include "register/register_reader.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

class FixedStation : public StationClock {
public:
    RegisterTime Now() override { return {2026, 12, 6, 18, 30, 5, 180}; }
    std::string OperatorName() override { return "ivanova"; }
    std::string ComputerName() override { return "DESK-2"; }
};

struct RegisterFlow : ::testing::Test {
    TestApp t{WithReader{}};
    MemoryFiles files;
    FakeSleeper registerSleeper;
    FixedStation station;
    IssuedCardsLog log{files, "IssuedCards.csv", registerSleeper, station, "C:\\Cards\\IssuedCards.csv"};

    void SetUp() override {
        t.Connect();
        t.app.issued = &log;
        t.SelectCombo(Ctl::WorkModeCombo, 1);
        t.SelectCombo(Ctl::RoleCombo, 1);
        t.Click(Ctl::UniqueBeforeWriteCheck);
    }
    std::vector<RegisterRow> Rows() const {
        std::vector<RegisterRow> rows;
        RegisterScanner scanner;
        const std::string file = files.Text("IssuedCards.csv");
        scanner.Feed(file.data(), file.size(), [&](std::uint64_t, std::string_view line) {
            rows.emplace_back();
            SplitRegisterLine(line, rows.back());
        });
        return rows;
    }
    // One card of a cyclic run answered with this result line.
    void Answer(const std::string& result) {
        t.port.Arrive(result);
        t.Tick(TimerId::Card);
        t.Tick(TimerId::Card);
    }
};

TEST_F(RegisterFlow, EachCardOfACyclicRunGetsItsRowWithItsNumberAndResult) {
    t.Click(Ctl::WriteCyclicButton);
    Answer("\n\rAT+DAT_OK");
    Answer("\n\rAT+ERR_04");
    const std::vector<RegisterRow> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][kColResult], "OK");
    EXPECT_EQ(rows[0][kColMessage], "The operation was successful!");  // not shown in a run, but recorded
    EXPECT_EQ(rows[1][kColResult], "ERR_04");
    EXPECT_EQ(rows[1][kColMessage], "The card was not brought to the reader!");
    EXPECT_EQ(rows[1][kColUniqueData], t.app.values.uniqueDataText);
    EXPECT_NE(rows[0][kColUniqueData], rows[1][kColUniqueData]);
    for (const RegisterRow& row : rows) {
        EXPECT_EQ(row[kColTime], "2026-12-06T18:30:05+03:00");
        EXPECT_EQ(row[kColOperator], "ivanova");
        EXPECT_EQ(row[kColPort], "COM3");
        EXPECT_EQ(row[kColRole], "User");
        EXPECT_EQ(row[kColCyclic], "yes");
    }
    EXPECT_EQ(t.users.asked.size(), 2u);
}

TEST_F(RegisterFlow, ARegisterThatCannotBeWrittenStopsTheRunBeforeAnythingIsSent) {
    const std::optional<FileOp> steps[] = {FileOp::Read, FileOp::Write, FileOp::Flush, std::nullopt /* open refused */};
    for (const auto& step : steps) {
        files.Put("IssuedCards.csv", "2026-12-06T18:29:00+03:00,cut short");  // to be read and mended first
        files.FailAt(step.value_or(FileOp::Open), 1, step ? 112 : 5);
        t.boxes.shown.clear();
        const std::size_t sent = t.port.sent.size();
        const std::size_t drawn = t.users.asked.size();
        t.Click(Ctl::WriteCyclicButton);
        EXPECT_EQ(t.port.sent.size(), sent);
        EXPECT_EQ(t.users.asked.size(), drawn);  // no number handed out for it
        EXPECT_FALSE(t.app.op.cyclicWriteActive);
        ASSERT_EQ(t.boxes.shown.size(), 1u);
        EXPECT_EQ(t.boxes.shown[0].text.rfind("The register of issued cards cannot be written:\n\rC:\\Cards\\IssuedCards.csv\n\r", 0), 0u);
        EXPECT_NE(t.boxes.shown[0].text.find(step ? "GetLastError=00000070" : "GetLastError=00000005"), std::string::npos);
    }
}

TEST_F(RegisterFlow, ARowThatCannotBeWrittenEndsTheRun) {
    t.Click(Ctl::WriteCyclicButton);
    files.FailAt(FileOp::Flush, 1, 112);
    const std::size_t sent = t.port.sent.size();
    Answer("\n\rAT+DAT_OK");
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_EQ(t.port.sent.size(), sent);
    ASSERT_FALSE(t.boxes.shown.empty());
    EXPECT_EQ(t.boxes.shown[0].text.rfind("The card command was carried out, but it could not be recorded", 0), 0u);
}

}  // namespace
}  // namespace tollvane::testing
