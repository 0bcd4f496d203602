// The card in front of the reader, identified before a card command: with
// "Verify after write" on a write or a clear, and every card of an "Issue
// cards" run. Its ID is read as Read ID reads it; a cyclic run writes no
// card twice, and issues no card the register says holds a number, but
// waits for another one, asking every 300 ms within the card wait's limit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "protocol/card_id.h"

namespace tollvane {

// What the card in front means for the next command of a run.
enum class CardInFront {
    None,          // no card answered
    WrittenInRun,  // this run wrote it already
    IssuedBefore,  // the register says it holds a number
    New,           // go on with it
};

// Decides on the card read (none: no card answered). held: the number the
// register says the card holds, asked only in a run that issues cards.
CardInFront JudgeCard(const std::optional<CardIdentity>& card,
                      const std::vector<CardIdentity>& writtenInRun,
                      const std::optional<std::string>& held);

// The progress window's title while the run waits for another card.
std::string CardWaitTitle(const MessageTable& texts, CardInFront card, const std::string& held);

// The steps of the wait for another card, by tick of 50 ms since it began:
// the ID is asked for every 300 ms and read 100 ms after each ask, as Read
// ID reads it; the wait gives up where a card wait does.
enum class IdentifyStep { Ask, Read, Wait, GiveUp };
IdentifyStep IdentifyStepAt(int tick);

// Before a write (write) or clear is built: whether it may go on now. It
// may when it reads no ID, when it is a single command (the card, if any,
// goes into its row), or when the card in front is new to the run; then
// app.ident.card is the card. Otherwise the run waits for another card
// (false), or the operation ended (false).
bool CardReadyForCommand(AppContext& app, bool write, bool forHolder);

// A tick of the wait for another card (CardWaitStage::Identifying). A new
// card ends the wait and runs the command it waited for.
void IdentifyTick(AppContext& app);

// The card of the command under way was written or cleared: the run does
// not take it again.
void CardDoneInRun(AppContext& app);

// One Read ID exchange, blocking for the 100 ms the reader takes: the card
// that answered, or none. False when the request could not be written; the
// operation has then ended.
bool AskCardIdentity(AppContext& app, std::optional<CardIdentity>& card);

}  // namespace tollvane
