// Issuing cards to the people of the list: a cyclic User write in which
// each card is for the next waiting person, in list order. The run is a
// CardRun: it gives each card the person's number (given on import, or
// drawn and recorded as "Generate" does) and hears whether the card was
// done, which decides whether the person is issued. The people come from
// the station's HolderStore, which gives each person to one station only.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/holders/card_holders.h"
#include "app/holders/holder_store.h"
#include "app/reader/card_run.h"

namespace tollvane {

class HoldersRun final : public CardRun {
public:
    HoldersRun(HolderStore& store, StationClock& clock) : store_(store), clock_(clock) {}

    // "Issue cards": the form must be set for a User write, the list free
    // and someone waiting on it. Takes the list for the run. False: the
    // operator has been told what is missing.
    bool Prepare(AppContext& app);
    // Starts the cyclic write of a prepared run.
    void Begin(AppContext& app);
    bool Active() const { return running_; }

    // The next person's number, recorded as a drawn one is and shown in the
    // form. Refused when there is none to give (the operator has been told).
    CardNumber NextNumber(AppContext& app, const CardCommand& command) override;
    // " — <name> (3 of 200)" for the progress window's title.
    std::string ProgressSuffix(const MessageTable& texts) const override;
    // A card that was done (and verified, when that was asked for) issues
    // its person, who is saved as such; the run goes on while someone
    // waits, and ends with its message when nobody does. A card that was
    // not done leaves its person waiting.
    bool CardFinished(AppContext& app, bool cardDone) override;
    // A done card whose register row failed still issues its person: the
    // card holds the number. The message names the person.
    std::string CardNotRecorded(AppContext& app, bool cardDone) override;
    // The run is over, whichever way: the list is let go.
    void RunEnded() override { End(); }
    bool IssuesCards() const override { return running_; }
    void End();

    HolderStore& Store() { return store_; }

private:
    // The next person to get a card, into person_. Failed: the store could
    // not say, the run is over and the operator has been told why.
    enum class Next { Found, Nobody, Failed };
    Next TakeNext(AppContext& app);
    // The person of the done card issued with it; false when the store
    // could not say so (the run has ended, the operator was told).
    bool IssueCurrent(AppContext& app);

    HolderStore& store_;
    StationClock& clock_;

    bool running_ = false;
    std::optional<CardHolder> person_;  // the person the card under way is for
    std::optional<HolderNumber> cardNumber_;
    std::size_t issuedInRun_ = 0, waitingAtStart_ = 0;
};

}  // namespace tollvane
