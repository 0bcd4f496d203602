// A card command as one value, and the run of cards it belongs to. The
// command is built where the operator presses Write, Read or Clear (or where
// a run takes its next card) and handed down whole; the run hears of each
// card through CardRun and never of the reader flow's workings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/app_context.h"
#include "app/card_settings.h"

namespace tollvane {

using UserNumber = std::array<std::uint8_t, 7>;

enum class CardRole { Master, User };
// The role a RoleCombo item stands for: Master, User, or none when nothing
// is selected.
inline std::optional<CardRole> RoleOfItem(int item) {
    if (item == 0) return CardRole::Master;
    if (item == 1) return CardRole::User;
    return std::nullopt;
}
enum class CardOperation { Write, Read, Clear };

struct CardCommand {
    CardRole role = CardRole::Master;
    CardOperation operation = CardOperation::Write;
    CardSettings settings;
    // The user data a User write carries unless its run gives a number.
    UserNumber formData{};
    // "Generate unique data before write", for a work mode that carries
    // user data.
    bool drawNumber = false;
    // The number drawn or given for this card, once its run gave one.
    std::optional<UserNumber> number;
    bool verify = false;  // "Verify after write", for a write

    bool IsUserWrite() const { return role == CardRole::User && operation == CardOperation::Write; }
};

// What a run gives the card of a User write: the form's data as it stands,
// a number recorded in usersData.data, or nothing (the operator has been
// told why; nothing is sent).
struct CardNumber {
    enum class Kind { FormData, Number, Refused };
    Kind kind = Kind::FormData;
    UserNumber number{};
};

// What the reader flow tells the run a card belongs to, and asks of it. The
// plain run (one card, or "Write cyclically" and "Clear cyclically") and the
// run for the list of people implement it.
class CardRun {
public:
    virtual ~CardRun() = default;
    // Before the frame of a User write is built.
    virtual CardNumber NextNumber(AppContext& app, const CardCommand& command) = 0;
    // What follows the card wait's title: whose card it is.
    virtual std::string ProgressSuffix(const MessageTable& texts) const = 0;
    // The card's wait is over and the operator has its outcome; cardDone:
    // written (and verified, when that was asked for), read or cleared.
    // True when the run may go on to the next card.
    virtual bool CardFinished(AppContext& app, bool cardDone) = 0;
    // The card's register row could not be saved, and the run stops. The
    // card holds what was written all the same: the run keeps what it must
    // of it and returns what the operator's message says first (empty: the
    // register's own words).
    virtual std::string CardNotRecorded(AppContext& app, bool cardDone) = 0;
    // The run is over, whichever way.
    virtual void RunEnded() = 0;
    // Whether the run issues its cards to people: each card is identified
    // before its write, and one the register says holds a number is refused.
    virtual bool IssuesCards() const = 0;
};

// Starts a cyclic run of Write or Clear whose cards are reported to run;
// the first card goes out as if pressed.
void StartCardRun(AppContext& app, CyclicRun kind, CardRun& run);

// The next card of the cyclic run, once the pause in which the operator
// changes cards is over: the card command goes out as if pressed again.
// Every card of a run but the first starts here.
void NextCard(AppContext& app);

// The run the card under way belongs to: the one started, or the plain run.
CardRun& RunOf(AppContext& app);

// Ends the cyclic run, if any, and tells its run once.
void EndCyclicRun(AppContext& app);
bool CyclicRunActive(const AppContext& app);

}  // namespace tollvane
