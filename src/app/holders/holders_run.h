// Issuing cards to the people of the list: a cyclic User write in which
// each card is for the next waiting person, in list order. The run is a
// CardRun: it gives each card the person's number (given on import, or
// drawn and recorded as "Generate" does) and hears whether the card was
// done, which decides whether the person is issued. The list stays held for
// the whole run, so no other station changes it meanwhile.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/holders/card_holders.h"
#include "app/reader/card_run.h"

namespace tollvane {

class HoldersRun final : public CardRun {
public:
    // displayPath names the list in messages.
    HoldersRun(Files& files, Sleeper& sleeper, StationClock& clock, HolderPaths paths,
               std::string displayPath);

    // "Issue cards": the form must be set for a User write, the list free
    // and someone waiting on it. Takes the list for the run. False: the
    // operator has been told what is missing.
    bool Prepare(AppContext& app);
    // Starts the cyclic write of a prepared run.
    void Begin(AppContext& app);
    bool Active() const { return running_; }

    // The next person's number, recorded in usersData.data and shown in the
    // form. Refused when there is none to give (the operator has been told).
    CardNumber NextNumber(AppContext& app, const CardCommand& command) override;
    // " — <name> (3 of 200)" for the progress window's title.
    std::string ProgressSuffix(const MessageTable& texts) const override;
    // A card that was done (and verified, when that was asked for) issues
    // its person, who is saved as such; the run goes on while someone
    // waits, and ends with its message when nobody does. A card that was
    // not done leaves its person waiting.
    bool CardFinished(AppContext& app, bool cardDone) override;
    // The run is over, whichever way: the list is let go.
    void RunEnded() override { End(); }
    bool IssuesCards() const override { return running_; }
    void End();

    const HolderPaths& Paths() const { return paths_; }
    const std::string& DisplayPath() const { return displayPath_; }

private:
    void ShowListFailure(AppContext& app, const ListFailure& failure) const;

    Files& files_;
    Sleeper& sleeper_;
    StationClock& clock_;
    HolderPaths paths_;
    std::string displayPath_;

    std::unique_ptr<ListHold> hold_;
    std::vector<CardHolder> people_;
    bool running_ = false;
    std::size_t current_ = 0;  // the person the card under way is for
    std::optional<HolderNumber> cardNumber_;
    std::size_t issuedInRun_ = 0, waitingAtStart_ = 0;
};

// The message for a failed step of the list file: what failed, the list's
// path, and the system error.
std::string ListFailureText(const MessageTable& texts, const ListFailure& failure,
                            const std::string& path);

}  // namespace tollvane
