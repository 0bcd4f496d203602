#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keystore/key_record.h"

namespace tollvane {
namespace {

const std::string kExample =
    "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=FFFFFFFFFFFF "
    "A_KEY=FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF Description=Key Description";

// A record that differs from the example in every field, to see which fields
// a damaged line leaves alone.
KeyRecord Previous() {
    return {"SL3", "V", "3", "1", "1", "0", "2", "15", "2", "A0 A1 A2 A3 A4 A5",
            "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF", "previous", false, false};
}

// Every field in line order, to compare whole records with one message.
std::vector<std::string> Fields(const KeyRecord& r) {
    return {r.TC, r.AA, r.OI, r.LL, r.DI, r.SB, r.WM, r.SN, r.BN, r.M_KEY, r.A_KEY, r.Description};
}

TEST(KeyRecord, ExampleLine) {
    KeyRecord r = Previous();
    ParseKeyRecord(kExample, r);
    EXPECT_EQ(Fields(r), (std::vector<std::string>{"Cls", "X", "0", "0", "2", "1", "0", "01", "0",
                                                   std::string(12, 'F'), std::string(32, 'F'), "Key Description"}));
    RegroupKeys(r);
    EXPECT_EQ(r.M_KEY, "FF FF FF FF FF FF");
    EXPECT_EQ(r.A_KEY, "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
}

TEST(KeyRecord, FormatWritesTheExampleAndReadsBack) {
    const RecordSettings s{"Cls", "X", "0", "0", "2", "1", "0", "01", "0"};
    const std::string line = FormatKeyRecord("FF FF FF FF FF FF",
                                             "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF",
                                             "Key Description", s);
    EXPECT_EQ(line, kExample + "\n");
    EXPECT_EQ(line.size(), 118u + 15u + 1u);

    const RecordSettings s2{"SL3", "V", "3", "1", "1", "0", "3", "15", "2"};
    const std::string m = "01 23 45 67 89 AB";
    const std::string a = "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF";
    const std::string written = FormatKeyRecord(m, a, "door = main TC=X", s2);
    KeyRecord r;
    ParseKeyRecord(std::string_view(written).substr(0, written.size() - 1), r);
    RegroupKeys(r);
    EXPECT_EQ(r.TC, "SL3");
    EXPECT_EQ(r.WM, "3");
    EXPECT_EQ(r.SN, "15");
    EXPECT_EQ(r.BN, "2");
    EXPECT_EQ(r.M_KEY, m);
    EXPECT_EQ(r.A_KEY, a);
    EXPECT_EQ(r.Description, "door = main TC=X");
}

// Which fields of the previous record survive a damaged line.
TEST(KeyRecord, DamagedLines) {
    auto replace = [](std::string s, const std::string& from, const std::string& to) {
        return s.replace(s.find(from), from.size(), to);
    };
    struct Case {
        const char* name;
        std::string line;
        KeyRecord expected;
    };
    KeyRecord parsed;
    ParseKeyRecord(kExample, parsed);
    const KeyRecord prev = Previous();
    auto mix = [&](int firstKept) {
        // Fields in line order; those from firstKept on keep the previous values.
        KeyRecord r = parsed;
        std::string KeyRecord::*order[] = {&KeyRecord::TC, &KeyRecord::AA, &KeyRecord::OI, &KeyRecord::LL,
                                           &KeyRecord::DI, &KeyRecord::SB, &KeyRecord::WM, &KeyRecord::SN,
                                           &KeyRecord::BN, &KeyRecord::M_KEY, &KeyRecord::A_KEY,
                                           &KeyRecord::Description};
        for (int i = firstKept; i < 12; ++i) r.*order[i] = prev.*order[i];
        return r;
    };
    KeyRecord sn7 = mix(8);
    sn7.SN = "7 ";
    KeyRecord bn10 = parsed;
    bn10.BN = "1";
    KeyRecord emptyDescription = parsed;
    emptyDescription.Description = "";
    KeyRecord tcInDescription = parsed;
    tcInDescription.Description = "TC=SL1 AA=V M_KEY=000000000000";
    KeyRecord cutKey = mix(10);
    cutKey.M_KEY = "FFFF";
    KeyRecord lowerCase = mix(0);
    KeyRecord shortKey = mix(10);
    shortKey.M_KEY = "FFFFFFFFFFF ";  // taken by width: the blank comes along

    const Case cases[] = {
        {"empty", "", prev},
        {"no TC", replace(kExample, "TC=", "XX="), prev},
        {"lower-case key", replace(kExample, "TC=", "tc="), lowerCase},
        {"SN=7", replace(kExample, "SN=01 BN=0", "SN=7 BN=1"), sn7},
        {"BN=10", replace(kExample, "BN=0", "BN=10"), bn10},
        {"11-digit M_KEY", replace(kExample, "M_KEY=FFFFFFFFFFFF", "M_KEY=FFFFFFFFFFF"), shortKey},
        {"no A_KEY", replace(kExample, "A_KEY=", "B_KEY="), mix(10)},
        {"no WM", replace(kExample, "WM=", "WX="), mix(6)},
        {"empty description", replace(kExample, "Key Description", ""), emptyDescription},
        {"TC= in description", replace(kExample, "Key Description", tcInDescription.Description),
         tcInDescription},
        {"cut in M_KEY", "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=FFFF", cutKey},
        {"cut after TC", "TC=Cls", mix(1)},
        {"cut in TC", "TC=Cl", [&] { KeyRecord r = prev; r.TC = "Cl"; return r; }()},
        {"doubled blanks and foreign pairs",
         replace(replace(kExample, " AA=", "  XY=1  AA="), " M_KEY", " ZZ=9 M_KEY"), parsed},
    };
    for (const Case& c : cases) {
        KeyRecord r = Previous();
        ParseKeyRecord(c.line, r);
        EXPECT_EQ(Fields(r), Fields(c.expected)) << c.name;
    }
}

}  // namespace
}  // namespace tollvane
