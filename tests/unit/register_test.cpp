#include <gtest/gtest.h>

#include <algorithm>

#include "database/register_queue.h"
#include "register/card_holdings.h"
#include "register/issued_cards.h"
#include "register/register_appender.h"
#include "register/register_browser.h"
#include "register/register_file_source.h"
#include "register/register_reader.h"
#include "support/fakes.h"
#include "support/expect_fields.h"

namespace tollvane::testing {
namespace {

// The example User write: Classic, "Send sector data after logged in", sector 1, block 0.
FormSnapshot ExampleForm() {
    return {.classicChecked = true,
            .workModeIndex = 1,
            .crypto1Key = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
            .uniqueData = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
}
RegisterRow RowOf(const CommandFrame& frame, const FormSnapshot& form = ExampleForm()) {
    return MakeRegisterRow(EntryFromFrame(frame, form));
}
RegisterRow OkRow(const char* time) {
    RegisterRow row = RowOf(BuildUserWriteFrame(ExampleForm()));
    row[kColTime] = time;
    row[kColResult] = "OK";
    return row;
}
const std::string kStart = std::string(RegisterFileStart());

// The result texts are the register flow's (flows_test).
TEST(Register, FieldsAndTimeWestOfUtc) {
    const struct {
        const char* in;
        const char* out;
    } table[] = {{"The operation was successful!", "The operation was successful!"},
                 {"a,b", "\"a,b\""},
                 {"say \"hi\"", "\"say \"\"hi\"\"\""},
                 {"line\nnext", "\"line\nnext\""},
                 {"cr\rx", "\"cr\rx\""}};
    for (const auto& t : table) EXPECT_EQ(QuoteRegisterField(t.in), t.out) << t.in;
    EXPECT_EQ(FormatRegisterTime({2027, 1, 2, 3, 4, 5, -330}), "2027-01-02T03:04:05-05:30");
}

// The number columns, the converter's texts, are pinned by the holders' revoked-number export.
TEST(Register, TheFrameDecidesRoleSectorAndData) {
    IssuedCardEntry e = EntryFromFrame(BuildUserWriteFrame(ExampleForm()), ExampleForm());
    e.computer = "DESK-2";
    e.readerVersion = "2.00";
    RegisterRow row = MakeRegisterRow(e);
    EXPECT_EQ((std::vector<std::string>(row.begin() + kColComputer, row.begin() + kColTmW44)),
              (std::vector<std::string>{"DESK-2", "", "2.00", "User", "Write", "no", "Classic", "1",
                                        "1", "0", "11 22 33 44 55 66 77"}));
    // Decrypt mode: the frame carries scrambled data, the row the plain data.
    CommandFrame frame = BuildUserWriteFrame(ExampleForm());
    frame[29 + 5] = 'g';
    frame[29 + 8] = 0x99;
    FormSnapshot form = ExampleForm();
    form.workModeIndex = 3;
    EXPECT_EQ(RowOf(frame, form)[kColUniqueData], "11 22 33 44 55 66 77");
    frame[29 + 5] = 'd';  // "Send card ID": no data goes out, so the row has none
    EXPECT_EQ(RowOf(frame)[kColUniqueData], "");
    // Master read: no settings block, so neither sector nor block.
    row = RowOf(CommandFrame{0x41, 0x54, 0x2B, 'M', 'r', '3', 'V'}, form);
    EXPECT_EQ((std::vector<std::string>(row.begin() + kColRole, row.begin() + kColTmW44)),
              (std::vector<std::string>{"Master", "Read", "no", "Plus SL3 AES", "3", "", "", ""}));
    EXPECT_EQ(row[kColResult], "NOT_SENT");
}

// A new file starts with the byte-order mark and the header; a torn one is completed before the
// next row.
TEST(Register, LeadInRepairsWhatWasCutShort) {
    EXPECT_EQ(kStart,
              "\xEF\xBB\xBFTime,Operator,Computer,Port,ReaderVersion,Role,Operation,Cyclic,"
              "CardType,WorkMode,"
              "Sector,Block,UniqueData,TM_W44,HEX_W44,DEC_W44,TM_W26,HEX_W26,DEC_W26,TM_W58,HEX_"
              "W58,DEC_W58,"
              "Result,Message,CardBarcode,CardCipherId\r\n");
    const std::string rows =
        kStart +
        "2026-12-06T18:30:05+03:00,op,PC,COM5,2.00,User,Write,no,Classic,1,1,0,,,,,,,,,,,OK,x\r\n";
    const struct {
        std::string file;
        const char* leadIn;
    } table[] = {{"", nullptr},
                 {kStart.substr(0, 10),
                  nullptr},  // a new file, or cut inside the header: the rest of the start
                 {rows, ""},
                 {rows + "2026-12-06T18:31", "\r\n"},
                 {rows + "2026-12-06T18:31:00+03:00,op\r", "\n"},
                 {rows + "2026-12-06T18:31:00+03:00,op,\"Smith, J.", "\"\r\n"},
                 {rows + "2026-12-06T18:31:00+03:00,\"a,\"\"b\"\"\",x", "\r\n"}};
    for (const auto& t : table)
        EXPECT_EQ(RegisterLeadIn(t.file.size(), t.file),
                  t.leadIn ? t.leadIn : kStart.substr(t.file.size()))
            << t.file;
    // The last bytes may begin inside a quoted field of a row before: only the last line's quotes
    // count.
    EXPECT_EQ(RegisterLeadIn(kStart.size() + 500, "b\",x\r\n2026-12-06T18:31"), "\r\n");
}

TEST(Register, FilterAndCounts) {
    RegisterRow ok = OkRow("2026-12-06T18:30:05+03:00");
    ok[kColOperator] = "Smith, \"J\"";  // quoted: the columns after it must not shift
    std::string file = kStart + FormatRegisterLine(ok);
    for (const char* result :
         {"ERR_04", "VERIFIED", "MISMATCH"}) {  // read back as written: issued too
        ok[kColResult] = result;
        file += FormatRegisterLine(ok);
    }
    IssuedCardEntry identified = EntryFromFrame(BuildUserWriteFrame(ExampleForm()), ExampleForm());
    identified.card =
        CardIdentity{12345678, 3232235777u};  // Read ID shows 0012345678 and 3232235777
    file += FormatRegisterLine(MakeRegisterRow(identified));
    RegisterRow master = RowOf(CommandFrame{0x41, 0x54, 0x2B, 'M', 'c'});
    master[kColTime] = "2026-12-07T09:00:00+03:00";
    master[kColResult] = "OK";
    master[kColPort] = "COM5";
    file += FormatRegisterLine(master);
    // Time, Touch Memory in either case, DEC of Wiegand 58, the data as typed; not the port, not
    // the result.
    const struct {
        const char* filter;
        std::size_t rows, okUserWrites;
    } table[] = {{"", 6, 2},           {"2026-12-06", 4, 2},
                 {"cd00554433", 5, 2}, {"33608038631023121", 5, 2},
                 {"22 33", 5, 2},      {"COM5", 0, 0},
                 {"ERR_04", 0, 0},     {"0012345678", 1, 0},
                 {"3232235777", 1, 0}};
    for (const auto& t : table) {
        RegisterView view(t.filter);
        view.Feed(file.data(), file.size());
        EXPECT_FIELDS((view.Rows().size(), view.SuccessfulUserWrites()), (t.rows, t.okUserWrites))
            << t.filter;
    }
}

// A register made before the card columns: its header is no row.
TEST(Register, OldRegistersReadAsBefore) {
    const std::string file = std::string(OldRegisterFileStart()) +
                             "t,op,PC,COM5,2.00,User,Write,no,,1,1,0,,,,,,,,,,,OK,x\r\n";
    RegisterView view;
    view.Feed(file.data(), file.size());
    EXPECT_EQ(view.SuccessfulUserWrites(), 1u);
}

// A card holds the number of its latest successful User write until a successful Clear, a Revoke or
// a write of no number; failed writes change nothing; rows that name no card count for none.
TEST(Register, TheNumberACardHolds) {
    const auto line = [](const char* role, const char* op, const char* result, const char* data,
                         const char* barcode) {
        RegisterRow r;
        r[kColRole] = role, r[kColOperation] = op, r[kColResult] = result, r[kColUniqueData] = data;
        r[kColCardBarcode] = barcode, r[kColCardCipherId] = *barcode ? "3232235777" : "";
        return FormatRegisterLine(r);
    };
    const struct {
        const char* name;
        std::string row;
        const char* held;
    } table[] = {
        {"written", line("User", "Write", "OK", "11", "0012345678"), "11"},
        {"failed write", line("User", "Write", "ERR_04", "22", "0012345678"), "11"},
        {"no card named", line("User", "Write", "OK", "33", ""), "11"},
        {"cleared", line("User", "Clear", "OK", "", "0012345678"), ""},
        {"verified", line("User", "Write", "VERIFIED", "44", "0012345678"), "44"},
        {"revoked", line("User", "Revoke", "", "44", "0012345678"), ""},
        {"written again", line("User", "Write", "OK", "66", "0012345678"), "66"},
        {"made a Master card", line("Master", "Write", "OK", "", "0012345678"), ""},
    };
    CardHoldings holdings;
    holdings.Feed(kStart.data(), kStart.size());
    for (const auto& t : table) {
        holdings.Feed(t.row.data(), t.row.size());
        EXPECT_EQ(holdings.NumberHeldBy({12345678, 3232235777u}).value_or(""), t.held) << t.name;
    }
}

// Fields past the columns are lost, missing ones left empty; on the clipboard
// a row is one line, its tabs and line ends made blanks.
TEST(Register, LinesSplitAndGoToTheClipboard) {
    RegisterRow row;
    SplitRegisterLine("z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z,z", row);
    SplitRegisterLine("a,\"b\tc\"", row);
    row[kColCardCipherId] = "x\n\ry";
    const std::string line = "a\tb c" + std::string(kRegisterColumnCount - 2, '\t') + "x  y\r\n";
    EXPECT_EQ(RegisterRowsAsTabText({row, row}), line + line);
}

TEST(RegisterBrowser, NewestFirstAndKeptUpToDate) {
    MemoryFiles files;
    RegisterFileSource source(files, "r.csv");
    std::string& file = files.entries["r.csv"].data;
    const RegisterRow first = OkRow("2026-12-06T10:00:00+03:00"),
                      second = OkRow("2026-12-06T11:00:00+03:00"),
                      third = OkRow("2026-12-07T12:00:00+03:00");
    file = kStart + FormatRegisterLine(first) + FormatRegisterLine(second);
    RegisterBrowser browser(source);
    ASSERT_TRUE(browser.Load());
    ASSERT_EQ(browser.RowCount(), 2u);
    EXPECT_EQ((std::vector{browser.RowAt(0), browser.RowAt(1)}), (std::vector{second, first}));
    // Another station is half-way through its row, then finishes it.
    const std::string line = FormatRegisterLine(third);
    file += line.substr(0, 30);
    bool changed = true;
    ASSERT_TRUE(browser.Refresh(changed));
    ASSERT_FALSE(changed);
    file += line.substr(30);
    ASSERT_TRUE(browser.Refresh(changed));
    ASSERT_TRUE(changed);
    EXPECT_EQ(browser.RowAt(0), third);
    EXPECT_EQ(browser.CopyText({2, 0}), RegisterRowsAsTabText({first, third}));

    // The export: the rows shown, in the order written, flushed. A failed step names its
    // error and leaves no half export; a file that could not be opened is left as it was.
    ASSERT_TRUE(browser.SetFilter("2026-12-06"));
    ASSERT_TRUE(ExportRegister(browser, source, files, "out.csv"));
    EXPECT_EQ(files.entries["out.csv"].durable,
              kStart + FormatRegisterLine(first) + FormatRegisterLine(second));
    const std::pair<FileOp, const char*> failures[] = {{FileOp::Open, "out.csv"},
                                                       {FileOp::Write, "out.csv"},
                                                       {FileOp::Flush, "out.csv"},
                                                       {FileOp::Read, "r.csv"}};
    for (const auto& [op, path] : failures) {
        files.FailAt(op, 1, 112, path);
        EXPECT_EQ(ExportRegister(browser, source, files, "out.csv").error, 112u) << path;
        EXPECT_EQ(files.Has("out.csv"), op == FileOp::Open) << path;
        files.FailAt(op, 0);
    }
    // A register replaced by a shorter one is read again from its start.
    file = kStart + FormatRegisterLine(second);
    ASSERT_TRUE(browser.Refresh(changed));
    ASSERT_TRUE(changed);
    EXPECT_EQ(browser.RowAt(0), second);
    // An export of more than one write's worth goes out whole, once.
    for (int i = 0; i < 6000; ++i) file += FormatRegisterLine(first);
    ASSERT_TRUE(browser.Refresh(changed));
    ASSERT_TRUE(browser.SetFilter(""));
    ASSERT_TRUE(ExportRegister(browser, source, files, "out.csv"));
    EXPECT_EQ(files.entries["out.csv"].durable.size(), file.size());

    files.held.insert("r.csv");
    EXPECT_FALSE(browser.Load());
    EXPECT_FALSE(browser.Refresh(changed));
    EXPECT_EQ(source.LastFailure().status, FileStatus::HeldElsewhere);
}

// A torn last line is mended in the same write as the row, so that no station finds the one
// without the other. Only a held file is waited for; nothing in the file is lost either way.
TEST(RegisterAppend, OneWriteAfterTheRepairAndAWaitOnlyForAHeldFile) {
    const std::string line = FormatRegisterLine(OkRow("2026-12-06T10:00:00+03:00"));
    const std::string before = kStart + "2026-12-06T10:01:00+03:00,\"cut";
    const struct {
        int heldOpens;
        FileOp failAt;
        int nth;
        std::size_t pauses;
    } table[] = {{0, FileOp::Write, 2, 0},
                 {3, FileOp::Write, 2, 3},
                 {0, FileOp::Open, 1, 0},
                 {0, FileOp::Size, 1, 0}};
    for (const auto& t : table) {
        MemoryFiles files;
        FakeSleeper sleeper;
        files.Put("r.csv", before);
        files.heldOpens = t.heldOpens;
        files.FailAt(t.failAt, t.nth, 5);
        const auto failure = AppendRegisterLine(files, sleeper, "r.csv", line);
        EXPECT_EQ(failure ? failure->systemError : 0ul, t.nth == 1 ? 5ul : 0ul) << t.heldOpens;
        EXPECT_EQ(sleeper.pauses, std::vector<unsigned>(t.pauses, 100u));
        EXPECT_EQ(files.entries["r.csv"].durable, failure ? before : before + "\"\r\n" + line);
    }
}

// The queue of register rows for a server that cannot be reached, over the files in memory with a
// power loss at every step. The fake server keeps one row per id, as the table's key makes the real
// one do.
struct Server {
    bool up = true;
    std::vector<std::string> kept;  // ids in the order they first arrived
    std::optional<DbError> Take(const RegisterRecord& record) {
        if (!up) return DbError{"08001", "could not connect to server"};
        if (std::find(kept.begin(), kept.end(), record.id) == kept.end()) kept.push_back(record.id);
        return std::nullopt;
    }
};

RegisterRecord Row(const char* id) {
    RegisterRecord record{id, {}};
    record.row[kColTime] = "2026-12-07T10:00:00+03:00";
    record.row[kColMessage] = std::string("card, \"") + id + "\"\nline";
    return record;
}

// A row the queue reported kept (sent or in its file) reaches the server after a restart, in the
// order written; one whose append the power loss cut is never half sent, and the next append writes
// over its remains.
TEST(RegisterQueue, APowerLossAtAnyStepLosesNoKeptRowAndKeepsTheOrder) {
    int walked = 0;
    for (int step = 1;; ++step) {
        MemoryFiles files;
        Server server;
        const auto send = [&](const RegisterRecord& r) { return server.Take(r); };
        RegisterQueue queue(files, "DatabaseQueue.csv");
        ASSERT_TRUE(queue.Load());
        files.PowerLossAtStep(step, Tear::HalfWritten);
        std::vector<std::string> kept;
        server.up = false;
        for (const char* id : {"A", "B", "C"}) {
            if (queue.Deliver(Row(id), send).file && !files.PowerLost()) kept.push_back(id);
        }
        server.up = true;
        if (queue.Deliver(Row("D"), send).file && !files.PowerLost()) kept.push_back("D");
        const bool completed = !files.PowerLost();
        files.Restart();
        RegisterQueue restarted(files, "DatabaseQueue.csv");
        ASSERT_TRUE(restarted.Load());
        server.up = false;
        ASSERT_TRUE(restarted.Deliver(Row("E"), send).file) << "step " << step;
        server.up = true;
        ASSERT_TRUE(restarted.Send(send).file) << "step " << step;
        kept.push_back("E");
        // Rows not reported kept may have arrived too, but only whole and in their place.
        std::vector<std::string> arrivedKept;
        for (const std::string& id : server.kept) {
            if (std::find(kept.begin(), kept.end(), id) != kept.end()) arrivedKept.push_back(id);
        }
        EXPECT_EQ(arrivedKept, kept) << "step " << step;
        EXPECT_TRUE(std::is_sorted(server.kept.begin(), server.kept.end())) << "step " << step;
        EXPECT_EQ(restarted.Waiting(), 0u) << "step " << step;
        EXPECT_FALSE(files.Has("DatabaseQueue.csv")) << "step " << step;
        if (completed) {
            EXPECT_EQ(server.kept, (std::vector<std::string>{"A", "B", "C", "D", "E"}));
            walked = step;
            break;
        }
    }
    // A's append takes five steps (an opening that finds no file, then open, cut, write, flush);
    // B's and C's ten each (the queue read for a send the server refuses, then the read and the
    // append again); D's four (the read, then the rows sent and the file deleted). The 30th step is
    // the first the sequence never reaches.
    EXPECT_EQ(walked, 30);
}

// Rows arrive exactly as they were written, quotes and line ends inside fields included.
TEST(RegisterQueue, ARowGoesThroughTheFileUnchanged) {
    MemoryFiles files;
    Server server;
    server.up = false;
    RegisterQueue queue(files, "q.csv");
    std::vector<RegisterRecord> got;
    ASSERT_TRUE(
        queue.Deliver(Row("x-1"), [&](const RegisterRecord& r) { return server.Take(r); }).file);
    EXPECT_EQ(queue.Waiting(), 1u);
    queue.Send([&](const RegisterRecord& r) {
        got.push_back(r);
        return std::optional<DbError>();
    });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, "x-1");
    EXPECT_EQ(got[0].row, Row("x-1").row);
}

}  // namespace
}  // namespace tollvane::testing
