// The queue of register rows for a server that cannot be reached, over the files in memory with a
// power loss at every step. The fake server keeps one row per id, as the table's key makes the real
// one do.
#include <gtest/gtest.h>

#include <algorithm>

#include "database/register_queue.h"
#include "support/memory_files.h"

namespace tollvane::testing {
namespace {

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
