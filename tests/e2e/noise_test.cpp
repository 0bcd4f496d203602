// Noise on the line (the simulator's noise mode) at each point of the
// conversation, each kind of noise once: whatever comes, the step ends with
// the program running and idle, having shown only texts of its own, and once
// the noise is gone the next command works. Every damaged reply of each kind
// is the unit tests' and the fuzz harnesses'.
#include "base/message_table.h"
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

// An entry of the message table, alone or followed by a port name.
bool IsProgramText(const std::string& text) {
    for (int id = 1; id <= kMessageCount; ++id) {
        const std::string entry = Text(LanguageId::English, static_cast<Msg>(id));
        if (!entry.empty() && text.rfind(entry, 0) == 0) return true;
    }
    return false;
}

TEST_F(E2eTest, NoiseAtEachPointLeavesTheProgramItsOwnTextsAndTheNextCommandWorks) {
    const auto write = [&] {
        form->ClickAsync(kWrite);
        WaitUntil([&] { return program->ProgressWindow() || program->CurrentMessageBox(); });
        return program->SettleSearch();
    };
    const std::pair<std::string, const char*> steps[] = {
        {"version", "cut"}, {"ack", "random"}, {"result", "long"}, {"result", "pause"}, {"ids", "repeat"}};
    for (const auto& [point, kind] : steps) {
        SCOPED_TRACE(point + " " + kind);
        sim("noise " + point + " " + kind);
        std::vector<std::string> boxes;
        HWND readId = nullptr;
        if (point == "version") {
            boxes = Start();  // the start connects
        } else if (point == "ids") {
            form->MenuAsync(kReadId);
            WaitUntil([&] {
                return (readId = program->FindTop(L"my Child Window Read ID")) || program->CurrentMessageBox();
            });
            if (readId) PostMessageW(readId, WM_CLOSE, 0, 0);
            else boxes = program->SettleSearch();
        } else {
            boxes = write();
        }
        ASSERT_TRUE(Idle()) << "the program still waits";
        ASSERT_TRUE(program->Running());
        for (const std::string& text : boxes) EXPECT_TRUE(IsProgramText(text)) << text;
        // Bytes that can only begin a reply, and never finish it, count as
        // no reply: the link is closed without a box.
        EXPECT_TRUE(!boxes.empty() || readId || Version() == "x.xx") << Version();

        sim("noise off");
        std::vector<std::string> next = write();
        if (next == kConnected) next = write();  // a closed link makes the Write a search
        ASSERT_EQ(next, std::vector<std::string>{kSuccess});
    }
}

}  // namespace
}  // namespace tollvane::e2e
