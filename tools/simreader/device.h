// The simulated Varnel reader: the commands it receives, the cards in front
// of it, the replies it queues and the faults and noise it is scripted to
// put in them. Nothing here touches a file descriptor or a clock: the caller
// passes the current time in milliseconds and collects the bytes that are
// due, so the device runs on any timeline.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simreader/framing.h"
#include "simreader/noise.h"
#include "simreader/virtual_card.h"

namespace tollvane::sim {

// A card command waits this long for a card, then is dropped without a
// reply; by then the program has long stopped waiting (165 ticks of 50 ms),
// and a late result would only be read as the start of its next reply.
constexpr Millis kCardWaitLimit = 10000;

// Faults armed with "next ...". Each one waits for the next command it fits
// and is used up by it.
struct Faults {
    std::optional<int> err;      // frames: the result is "\rAT+ERR_nn"
    bool silent = false;         // any command: no reply at all
    bool noAck = false;          // frames: no acknowledgement, result as usual
    bool noResult = false;       // frames: acknowledgement, never a result
    bool garbage = false;        // any: the reply (frames: the result) is noise
    bool unknown = false;        // any: answered as an unknown command
    BrokenChecksum badCrc;       // reads: 'f' frame or 's' settings checksum broken
    std::optional<int> splitMs;  // any: the reply (frames: the result) pauses halfway
    bool longReply = false;      // any: the reply (frames: the result) exceeds 64 bytes
    bool ackWithResult = false;  // frames: the result follows the ack at once
    std::optional<int> cut;      // any: only the first n bytes of the reply are sent
};

// How the reader words and writes its answer to a card command. The device
// contract binds only " - OK!" (not followed by " >> ") and the result line;
// the text around the acknowledgement and how the bytes are cut into writes
// are the device's choice, and a program must cope with all of them.
struct AckForm {
    std::optional<std::string> prefix;  // text before " - OK!"; default "\n\rAT+" role op
    std::string tail;                   // text after " - OK!", such as "\r\n"
    bool withResult = false;            // a card in place: the result in the same write
    Millis splitMs = 0;                 // > 0: each reply written in two halves this far apart
};

// Cards that come and go by themselves, as an operator feeds them: each card
// stays in front of the reader for `on` ms, then the reader has none for
// `off` ms, then the next new card is put there.
struct CardFeed {
    Millis on = 0;
    Millis off = 0;
    Millis nextChange = 0;
};

class Device {
public:
    Device();

    // --- The serial side.
    void Receive(std::string_view bytes, Millis now);
    // Ends a command on a quiet line and hands a waiting command to a newly
    // presented card; call it whenever time has passed.
    void Tick(Millis now);
    // Bytes whose time has come, in order; they are removed from the queue.
    std::string TakeDue(Millis now);
    // Earliest time at which Tick or TakeDue has something to do.
    std::optional<Millis> NextDeadline() const;

    // --- Settings and scripting (used by the control channel).
    void SetVersion(std::string version) { version_ = std::move(version); }
    const std::string& Version() const { return version_; }
    void SetCardDelay(Millis ms) { cardDelay_ = ms; }
    Millis CardDelay() const { return cardDelay_; }
    Faults& Armed() { return armed_; }
    AckForm& AckSettings() { return ackForm_; }
    Noise& NoiseMode() { return noise_; }

    // Puts card n in front of the reader (creating cards up to n).
    void SelectCard(std::size_t n, Millis now);
    // Puts the card with these numbers in front of the reader, creating it.
    void PresentCard(std::uint32_t barcode, std::uint32_t cipher, Millis now);
    void PresentSelected(Millis now);
    void RemoveCard() { present_ = false; }
    // What "AT+READS_IDS" gets with no card in front: the device contract
    // leaves it open, so any text (by default "\n\rAT+ERR_04"), or nothing
    // at all (nullopt).
    void SetNoCardIdReply(std::optional<std::string> reply) { noCardIdReply_ = std::move(reply); }
    const std::optional<std::string>& NoCardIdReply() const { return noCardIdReply_; }
    // Starts feeding cards (the next new card first), or stops (nullopt).
    void FeedCards(std::optional<CardFeed> feed, Millis now);
    const std::optional<CardFeed>& Feed() const { return feed_; }
    bool CardPresent() const { return present_; }
    std::size_t Selected() const { return selected_; }
    VirtualCard& Card() { return cards_[selected_]; }

    // Everything received since the last call, then forgotten.
    std::string TakeReceived();
    const std::string& Received() const { return received_; }
    // Count of commands answered since the start or the last reset.
    std::size_t Commands() const { return commands_; }
    bool WaitingForCard() const { return waiting_.has_value(); }

    // Back to the start state, the acknowledgement form and noise included.
    void Reset();
    // The line went away: half-received commands and unsent replies are lost.
    void DropLine();

private:
    struct CardCommand {
        std::string frame;
        Faults faults;
        Millis since = 0;
    };

    void HandleCommand(const std::string& command, Millis now);
    void HandleFrame(const std::string& frame, Faults faults, Millis now);
    std::string RunCardCommand(const std::string& frame, const Faults& faults);
    void SendResult(const std::string& frame, const Faults& faults, Millis at);
    // Queues a reply, applying the reply-shaping faults and the noise at its
    // point of the conversation, if any.
    void Queue(std::string reply, const Faults& faults, Millis at, std::optional<NoisePoint> point);
    void QueueAt(Millis at, std::string bytes);
    Faults TakeFaults(bool isFrame, bool isRead);

    // Bytes to be written at a time; the queue is kept in time order.
    struct Emission {
        Millis at = 0;
        std::string bytes;
    };

    CommandFramer framer_;
    std::vector<Emission> queue_;
    std::vector<VirtualCard> cards_;
    std::size_t selected_ = 0;
    bool present_ = true;
    std::string version_;
    Millis cardDelay_ = 0;
    Faults armed_;
    AckForm ackForm_;
    Noise noise_;
    std::optional<CardCommand> waiting_;
    std::optional<std::string> noCardIdReply_;
    std::optional<CardFeed> feed_;
    std::string received_;
    std::size_t commands_ = 0;
};

}  // namespace tollvane::sim
