// Noise on the line at each point of the conversation (the simulator's
// noise mode: random bytes, cut short, over-long, repeated, a silence in the
// middle). Whatever comes, the step ends with the program running and idle,
// having shown only texts of its own, and once the noise is gone the next
// command works.
#include "base/message_table.h"
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

std::string En(Msg id) { return Text(LanguageId::English, id); }
const std::vector<std::string> kConnected = {En(Msg::kVarnelFound) + "\n\r->[COM5]", "Settings read!"};

// Each point of the conversation; every kind of noise is tried there in turn.
const char* const kPoints[] = {"version", "ack", "result", "ids"};
const char* const kKinds[] = {"random", "cut", "long", "repeat", "pause"};

// An entry of the message table, alone or followed by a port name.
bool IsProgramText(const std::string& text) {
    for (int id = 1; id <= kMessageCount; ++id) {
        const std::string entry = En(static_cast<Msg>(id));
        if (!entry.empty() && text.rfind(entry, 0) == 0) return true;
    }
    return false;
}

class ReaderNoiseTest : public E2eTest, public ::testing::WithParamInterface<const char*> {
protected:
    std::string Point() const { return GetParam(); }

    std::vector<std::string> Write() {
        form->ClickAsync(kWrite);
        WaitUntil([&] { return program->ProgressWindow() || program->CurrentMessageBox(); });
        return program->SettleSearch();
    }

    // The step at the point, under the noise: the start, which connects
    // (version), a Write (ack, result) or Read ID; the boxes it showed.
    std::vector<std::string> NoisyStep(const std::string& noise) {
        if (Point() == "version") {
            form.reset();
            program.reset();
        } else if (!program) {
            EXPECT_EQ(Start(), kConnected);
        }
        sim(noise);
        if (Point() == "version") return Start();
        if (Point() != "ids") return Write();
        form->MenuAsync(kReadId);
        HWND window = nullptr;
        WaitUntil([&] {
            return (window = program->FindTop(L"my Child Window Read ID")) != nullptr || program->CurrentMessageBox();
        });
        if (window == nullptr) return program->SettleSearch();
        readIdWindow = true;
        PostMessageW(window, WM_CLOSE, 0, 0);
        return {};
    }

    bool readIdWindow = false;
};

TEST_P(ReaderNoiseTest, TheProgramShowsItsOwnTextsAndTheNextCommandWorks) {
    for (const char* kind : kKinds) {
        const std::string noise = "noise " + Point() + " " + kind;
        SCOPED_TRACE(noise);
        readIdWindow = false;
        const std::vector<std::string> boxes = NoisyStep(noise);
        ASSERT_TRUE(Idle()) << "the program still waits";
        ASSERT_TRUE(program->Running());
        for (const std::string& text : boxes) EXPECT_TRUE(IsProgramText(text)) << text;
        // Bytes that can only begin a reply, and never finish it, count as
        // no reply: the link is closed without a box.
        if (boxes.empty() && !readIdWindow) {
            EXPECT_EQ(Version(), "x.xx");
        }

        sim("noise off");
        std::vector<std::string> next = Write();
        // A closed link makes the Write a search, which is not resumed.
        if (next == kConnected) next = Write();
        ASSERT_EQ(next, std::vector<std::string>{kSuccess});
    }
}

INSTANTIATE_TEST_SUITE_P(Noise, ReaderNoiseTest, ::testing::ValuesIn(kPoints),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
}  // namespace tollvane::e2e
