// A power loss at every step of every file operation, as the files in memory model it: what the
// next start finds. Each operation runs with the loss at its Nth file call, plainly and with that
// write torn in half, for every N.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/holders/card_holders.h"
#include "carddata/users_data_store.h"
#include "native/key_list_fixture.h"
#include "register/issued_cards.h"
#include "register/register_appender.h"
#include "register/register_reader.h"

namespace tollvane {
namespace {

using testing::MemoryFiles;
using testing::Tear;

// Runs `operation` on a disk set up by `prepare` with the power lost at each step in turn, and
// `check`s the disk after the restart; `check(true)` is the run that the loss never reached, which
// must leave the new state, so that a walk over an operation that does nothing fails. The number of
// steps the whole operation takes.
int AtEveryStep(MemoryFiles& files, const std::function<void()>& prepare,
                const std::function<void()>& operation,
                const std::function<void(bool whole)>& check) {
    for (int step = 1;; ++step) {
        for (Tear tear : {Tear::None, Tear::HalfWritten}) {
            SCOPED_TRACE(::testing::Message()
                         << "power lost at step " << step << (tear == Tear::None ? "" : ", torn"));
            files.entries.clear();
            prepare();
            files.PowerLossAtStep(step, tear);
            operation();
            const bool reached = files.PowerLost();
            files.Restart();
            check(!reached);
            if (!reached) return step - 1;
        }
    }
}

class KeyListCrash : public KeyListTest {
protected:
    const std::string old_ = Rec("r0") + Rec("r1") + Rec("r2");

    // crkeys.data holds the old list or, always once the operation ran whole, the new one.
    void Check(const std::string& old, const std::string& changed, bool whole) {
        const std::string stored = Stored();
        if (whole || stored != old) {
            EXPECT_EQ(stored, changed);
        }
        // The next start wipes whatever plain text the loss left behind (a
        // TmpCrKeys.data is encrypted, and the next change overwrites it).
        WipeLeftoverPlainKeys(files);
        EXPECT_FALSE(files.Has(kKeysFile));
        EXPECT_FALSE(files.Has(kTmpKeysFile));
    }
};

// The steps each walk must at least take: a change decrypts the list (the list opened, its plain
// copy made, read and written) and encrypts the new one to a temporary file that replaces it; a
// first list alike without the reading.
TEST_F(KeyListCrash, AddLeavesTheOldListOrTheNewOne) {
    const int steps = AtEveryStep(
        files,
        [&] {
            Store(old_);
            FieldsFromForm("new");
        },
        [&] { list.OnAddNew(); }, [&](bool whole) { Check(old_, old_ + Rec("new"), whole); });
    EXPECT_GT(steps, 10);
}

TEST_F(KeyListCrash, RemoveLeavesTheOldListOrTheNewOne) {
    const int steps = AtEveryStep(
        files, [&] { Store(old_); },
        [&] {
            list.OnRowClicked(1);
            list.OnRemove();
        },
        [&](bool whole) { Check(old_, Rec("r0") + Rec("r2"), whole); });
    EXPECT_GT(steps, 10);
}

TEST_F(KeyListCrash, TheFirstListIsAbsentOrWholeAndAnExistingOneIsKept) {
    const int steps = AtEveryStep(
        files, [] {}, [&] { MakeFirstKeyList(files, cipher); },
        [&](bool whole) {
            if (whole || files.Has(kCrKeysFile)) {
                EXPECT_EQ(Stored(), "");
            }
        });
    EXPECT_GE(steps, 4);
    Store(old_);
    EXPECT_TRUE(MakeFirstKeyList(files, cipher));
    EXPECT_EQ(Stored(), old_);
}

TEST(UsersDataCrash, EveryNumberReportedRecordedSurvives) {
    MemoryFiles files;
    testing::FakeSleeper sleeper;
    std::vector<std::array<std::uint8_t, 7>> reported;
    const std::string before =
        "1111111111 2222222222 3333333333 4444444444 5555555555 "
        "6666666666 7777777777 8888888888 9999999999";
    const int steps = AtEveryStep(
        files,
        [&] {
            files.Put("usersData.data", before);
            reported.clear();
        },
        [&] {
            UsersDataStore store(files, sleeper);
            for (std::uint8_t i = 0; i < 3; ++i) {
                const std::array<std::uint8_t, 7> number{0xA0, i, 0x01, 0x02, 0x03, 0, 0};
                if (store.Record(number.data()) == RecordOutcome::Recorded)
                    reported.push_back(number);
            }
        },
        [&](bool whole) {
            if (whole) {
                EXPECT_EQ(reported.size(), 3u);
            }
            UsersDataStore store(files, sleeper);
            for (const auto& number : reported)
                EXPECT_EQ(store.Record(number.data()), RecordOutcome::AlreadyRecorded);
            const std::uint8_t old[7] = {0x99, 0x99, 0x99, 0x99, 0x99, 0, 0};
            EXPECT_EQ(store.Record(old), RecordOutcome::AlreadyRecorded);
            // A new number after whatever the loss left is a record of its own.
            const std::uint8_t next[7] = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0, 0};
            ASSERT_EQ(store.Record(next), RecordOutcome::Recorded);
            const std::string text = files.Text("usersData.data");
            const std::size_t at = text.find("B0B1B2B3B4");
            ASSERT_NE(at, std::string::npos);
            const char separator = at == 0 ? ' ' : text[at - 1];
            EXPECT_NE(std::string(" \n").find(separator), std::string::npos) << text;
        });
    EXPECT_GE(steps, 6);  // each of the three numbers at least written and flushed
}

TEST(ConfigCrash, ASaveLeavesTheOldLanguageOrTheNewOne) {
    MemoryFiles files;
    const std::string notes = "# station 2\r\n";
    const std::string old = "Language = RU;\r\n" + notes;
    const int steps = AtEveryStep(
        files, [&] { files.Put("appconfig.ini", old); },
        [&] { SaveConfig(files, "appconfig.ini", LanguageId::English); },
        [&](bool whole) {
            const std::string text = files.Text("appconfig.ini");
            if (whole || text != old) {
                EXPECT_EQ(text, "Language = EN;\r\n" + notes);
            }
        });
    EXPECT_GE(steps, 3);  // the file opened, its first line written over and flushed
}

TEST(CardHoldersCrash, ARewriteLeavesTheOldListOrTheNewOne) {
    MemoryFiles files;
    testing::FakeSleeper sleeper;
    const std::vector<CardHolder> before = {
        {"Anna", std::nullopt, HolderStatus::Waiting, "", "", ""},
        {"Boris, Jr.", std::nullopt, HolderStatus::Waiting, "", "", ""}};
    std::vector<CardHolder> after = before;
    after[0] = {"Anna",
                HolderNumber{1, 2, 3, 4, 5, 6, 7},
                HolderStatus::Issued,
                "2026-12-06T18:30:05+03:00",
                "",
                ""};
    for (const bool first : {false, true}) {
        const std::string old = first ? "" : FormatCardHolders(before);
        const int steps = AtEveryStep(
            files,
            [&] {
                if (!first) files.Put("CardHolders.csv", old);
            },
            [&] { SaveCardHolders(files, sleeper, HolderPaths{}, after); },
            [&](bool whole) {
                const std::string text = files.Text("CardHolders.csv");
                if (whole || text != old) {
                    EXPECT_EQ(text, FormatCardHolders(after));
                }
            });
        EXPECT_GE(steps, 4)
            << first;  // a new file opened, written and flushed, then moved over the old one
    }
}

TEST(RegisterCrash, AtMostTheRowBeingWrittenIsLostAndNoneIsMerged) {
    MemoryFiles files;
    testing::FakeSleeper sleeper;
    const auto row = [](int i) {
        RegisterRow r;
        r[0] = "2026-12-06T10:0" + std::to_string(i) + ":00+03:00";
        r[22] = "OK";
        r[23] = "line one\nline \"two\"";  // quoted, with a line end inside
        return r;
    };
    int written = 0;
    const int steps = AtEveryStep(
        files, [&] { written = 0; },
        [&] {
            for (int i = 0; i < 3; ++i) {
                if (PrepareRegister(files, sleeper, "r.csv")) return;
                if (AppendRegisterLine(files, sleeper, "r.csv", FormatRegisterLine(row(i)))) return;
                ++written;
            }
        },
        [&](bool whole) {
            if (whole) {
                EXPECT_EQ(written, 3);
            }
            // The restarted program mends the file and appends its next row.
            ASSERT_FALSE(AppendRegisterLine(files, sleeper, "r.csv", FormatRegisterLine(row(9))));
            const std::string file = files.Text("r.csv");
            ASSERT_EQ(file.rfind(RegisterFileStart(), 0), 0u) << file;
            const std::vector<RegisterRow> rows = testing::RegisterRows(file);
            ASSERT_FALSE(rows.empty());
            EXPECT_EQ(rows.back(), row(9));
            // Every row reported written is there in order; at most one cut row stands between them
            // and the next.
            ASSERT_GE(rows.size(), static_cast<std::size_t>(written) + 1);
            EXPECT_LE(rows.size(), static_cast<std::size_t>(written) + 2);
            for (int i = 0; i < written; ++i) EXPECT_EQ(rows[i], row(i)) << i;
        });
    EXPECT_GE(steps, 6);  // each of the three rows at least written and flushed
}

// A register made before the card columns is the old file or the new header with its rows byte for
// byte.
TEST(RegisterCrash, TheNewHeaderReplacesTheOldOneWhole) {
    MemoryFiles files;
    testing::FakeSleeper sleeper;
    const std::string rows = "2026-12-06T10:00:00+03:00,op,\"a\r\nb\",x\r\n2026-12-06T10:01";
    const std::string old = std::string(OldRegisterFileStart()) + rows;
    const int steps = AtEveryStep(
        files, [&] { files.Put("r.csv", old); }, [&] { PrepareRegister(files, sleeper, "r.csv"); },
        [&](bool) {
            const std::string text = files.Text("r.csv");
            EXPECT_TRUE(text == old || text.rfind(std::string(RegisterFileStart()) + rows, 0) == 0)
                << text;
        });
    EXPECT_GT(steps, 8);
    EXPECT_EQ(files.Text("r.csv"), std::string(RegisterFileStart()) + rows + "\r\n");
    EXPECT_FALSE(files.Has("r.tmp"));
}

}  // namespace
}  // namespace tollvane
