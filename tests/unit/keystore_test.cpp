// Key record lines and the key list window's cells; fuzz/key_record_fuzz.cpp parses any line after
// any other.
#include <gtest/gtest.h>

#include "keystore/key_list_rows.h"
#include "keystore/key_record.h"

namespace tollvane {
namespace {

std::vector<std::string> Fields(const KeyRecord& r) {
    return {r.TC, r.AA, r.OI, r.LL, r.DI, r.SB, r.WM, r.SN, r.BN, r.M_KEY, r.A_KEY, r.Description};
}
// Differs from the example in every field, to see which fields a line leaves alone.
const KeyRecord kPrevious = {"SL3",
                             "V",
                             "3",
                             "1",
                             "1",
                             "0",
                             "2",
                             "15",
                             "2",
                             "A0 A1 A2 A3 A4 A5",
                             "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF",
                             "previous",
                             false,
                             false};

// The keys are searched in their order, each from a fixed distance after the one before, values
// held to their widths; the first key missing ends the parse, the fields from it on keep the line
// before's.
TEST(KeyRecord, TheExampleIsWrittenAndReadBackAndADamagedLineKeepsWhatItDoesNotReach) {
    const std::string example =
        "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=FFFFFFFFFFFF "
        "A_KEY=FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF Description=Key Description";
    EXPECT_EQ(FormatKeyRecord("FF FF FF FF FF FF",
                              "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF", "Key Description",
                              RecordSettings{"Cls", "X", "0", "0", "2", "1", "0", "01", "0"}),
              example + "\n");
    const struct {
        std::string line;
        std::vector<std::string> reached;
    } cases[] = {
        {example,
         {"Cls", "X", "0", "0", "2", "1", "0", "01", "0", std::string(12, 'F'),
          std::string(32, 'F'), "Key Description"}},
        {"TC=SL1 AA=V", {"SL1", "V"}},
        {"TC=Cls OI=0 LL=1", {"Cls"}},
        {"TC=SL1AA=V", {"SL1"}},
        {"TC=ABCDE AA=XY", {"ABC", "X"}},
        {"xx TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=A0A1A2A3A4A5",
         {"Cls", "X", "0", "0", "2", "1", "0", "01", "0", "A0A1A2A3A4A5"}},
    };
    for (const auto& c : cases) {
        KeyRecord r = kPrevious;
        std::vector<std::string> expected = Fields(r);
        std::copy(c.reached.begin(), c.reached.end(), expected.begin());
        ParseKeyRecord(c.line, r);
        EXPECT_EQ(Fields(r), expected) << c.line;
    }
}

// Number "%04d" from 0000, TC, AA, WM, SN, BN, the keys spaced or as 17 and 32 asterisks, the
// description.
TEST(KeyListRows, CellsOfEachRow) {
    const auto record = [](const char* tc, const char* wm, const char* sn,
                           const char* description) {
        return KeyRecord{tc,
                         "X",
                         "1",
                         "0",
                         "2",
                         "1",
                         wm,
                         sn,
                         "2",
                         "12 34 56 78 9A BC",
                         "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF",
                         description,
                         false,
                         false};
    };
    KeyListRows rows;
    rows.Append(record("Cls", "0", "01", "Door 1"), false);
    rows.Append(record("SL3", "3", "15", ""), true);
    for (int i = 2; i < 10001; ++i) rows.Append(record("SL1", "1", "05", "Other"), false);
    const struct {
        std::size_t row;
        std::vector<std::string> cells;
    } expected[] = {
        {0,
         {"0000", "Cls", "X", "0", "01", "2", std::string(17, '*'), std::string(32, '*'),
          "Door 1"}},
        {1,
         {"0001", "SL3", "X", "3", "15", "2", "12 34 56 78 9A BC",
          "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF", ""}},
        {10000,
         {"10000", "SL1", "X", "1", "05", "2", std::string(17, '*'), std::string(32, '*'),
          "Other"}},
    };
    ASSERT_EQ(rows.Count(), 10001u);
    for (const auto& e : expected) {
        std::vector<std::string> cells;
        for (int column = 0; column < kKeyListColumns; ++column)
            cells.push_back(rows.Cell(e.row, column));
        EXPECT_EQ(cells, e.cells) << e.row;
    }
    EXPECT_EQ(rows.Cell(10001, 1), "");
    EXPECT_EQ(rows.Cell(0, kKeyListColumns), "");
}

}  // namespace
}  // namespace tollvane
