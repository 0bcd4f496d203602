#include "app/reader/card_run.h"

#include <utility>

#include "app/reader/card_command.h"
#include "app/unique_numbers.h"

namespace tollvane {

namespace {

// One card, or "Write cyclically" and "Clear cyclically": a User write gets
// a drawn number when the form asks for one, and the run goes on while
// cards are done.
class PlainRun final : public CardRun {
public:
    CardNumber NextNumber(AppContext& app, const CardCommand& command) override {
        if (!command.drawNumber) return {};
        const DrawnNumber drawn = GenerateUniqueIntoForm(app);
        if (drawn.draw != UniqueDraw::Recorded) return {CardNumber::Kind::Refused, {}};
        return {CardNumber::Kind::Number, drawn.number};
    }
    std::string ProgressSuffix(const MessageTable&) const override { return {}; }
    bool CardFinished(AppContext&, bool cardDone) override { return cardDone; }
    std::string CardNotRecorded(AppContext&, bool) override { return {}; }
    void RunEnded() override {}
    bool IssuesCards() const override { return false; }
};

}  // namespace

CardRun& RunOf(AppContext& app) {
    // The plain run keeps nothing of its own, so one serves every context.
    static PlainRun plain;
    return app.op.run ? *app.op.run : plain;
}

void StartCardRun(AppContext& app, CyclicRun kind, CardRun& run) {
    app.op.cyclicRun = kind;
    app.op.run = &run;
    NextCard(app);
}

void NextCard(AppContext& app) {
    if (app.op.cyclicRun == CyclicRun::Write)
        WriteCard(app);
    else
        ClearCard(app);
}

void EndCyclicRun(AppContext& app) {
    app.op.cyclicRun = CyclicRun::None;
    // The next run may write any card again.
    app.ident.doneInRun.clear();
    if (CardRun* run = std::exchange(app.op.run, nullptr)) run->RunEnded();
}

bool CyclicRunActive(const AppContext& app) { return app.op.cyclicRun != CyclicRun::None; }

}  // namespace tollvane
