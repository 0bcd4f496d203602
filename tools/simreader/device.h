// The simulated Varnel reader: command framing, virtual cards, replies and
// scripted faults. Nothing here touches a file descriptor or a clock: the
// caller passes the current time in milliseconds and collects the bytes that
// are due, so tests can drive the device on a made-up timeline.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tollvane::sim {

using Millis = std::int64_t;

constexpr std::size_t kFrameSize = 46;
constexpr std::size_t kSettingsOffset = 29;
constexpr std::size_t kSettingsSize = 16;
constexpr Millis kQuietEndsCommand = 20;
constexpr std::size_t kMaxPendingInput = 256;
// A card command waits this long for a card, then is dropped without a
// reply; by then the program has long stopped waiting (165 ticks of 50 ms),
// and a late result would only be read as the start of its next reply.
constexpr Millis kCardWaitLimit = 10000;

inline constexpr std::string_view kVersionQuery = "AT+READS_USB";
inline constexpr std::string_view kCardIdQuery = "AT+READS_IDS";

// Splits the byte stream from the program into commands. The program writes
// its commands as bare bytes without a terminator, so a command ends when
// (a) the buffer holds exactly one of the two 12-byte text commands,
// (b) it holds 46 bytes that begin with "AT+" and a role letter (a frame), or
// (c) the line has been quiet for kQuietEndsCommand ms (anything else, such
//     as a short frame or unknown text, is then taken as one command), or
// (d) kMaxPendingInput bytes piled up without matching anything.
// The checks run after every byte, so two commands that arrive back to back
// are still told apart.
class CommandFramer {
 public:
  // Appends bytes; returns the commands they completed, in order.
  std::vector<std::string> Push(std::string_view bytes, Millis now);
  // Ends the pending command once the line has been quiet long enough.
  std::optional<std::string> Flush(Millis now);
  // Time at which Flush would end the pending command, if one is pending.
  std::optional<Millis> Deadline() const;
  void Clear() { pending_.clear(); }

 private:
  std::string pending_;
  Millis last_byte_ = 0;
};

// Chip of a virtual card. A MIFARE Plus card is at security level 0 when new;
// a write with card type '1' or '3' switches it up, never down.
enum class Chip { Classic, Plus };

struct VirtualCard {
  std::uint32_t barcode = 0;
  std::uint32_t cipher = 0;
  Chip chip = Chip::Classic;
  int level = 1;  // security level of a Plus card: 0, 1 or 3
  // Sector keys the card is protected with; new cards carry the transport
  // keys (all bytes FF).
  std::array<std::uint8_t, 6> crypto1{};
  std::array<std::uint8_t, 16> aes{};
  // What a write left on the card: 0 (empty), 'M' or 'U'.
  char role = 0;
  std::array<std::uint8_t, kSettingsSize> block{};
  std::uint8_t type_letter = 0;     // card type letter of the Master write
  std::uint8_t aes_auth_letter = 0; // AES authentication letter of the Master write
  std::array<std::uint8_t, 16> master_aes{};  // AES key carried by a Master write

  static VirtualCard Fresh(std::uint32_t barcode, std::uint32_t cipher);
};

// Faults armed with "next ...". Each one waits for the next command it fits
// and is used up by it.
struct Faults {
  std::optional<int> err;        // frames: the result is "\rAT+ERR_nn"
  bool silent = false;           // any command: no reply at all
  bool no_ack = false;           // frames: no acknowledgement, result as usual
  bool no_result = false;        // frames: acknowledgement, never a result
  bool garbage = false;          // any: the reply (frames: the result) is noise
  bool unknown = false;          // any: answered as an unknown command
  std::optional<char> bad_crc;   // reads: 'f' frame or 's' settings checksum broken
  std::optional<int> split_ms;   // any: the reply (frames: the result) pauses halfway
  bool long_reply = false;       // any: the reply (frames: the result) exceeds 64 bytes
  bool ack_with_result = false;  // frames: the result follows the ack at once
  std::optional<int> cut;        // any: only the first n bytes of the reply are sent
};

// How the reader words and writes its answer to a card command. The device
// contract binds only " - OK!" (not followed by " >> ") and the result line;
// the text around the acknowledgement and how the bytes are cut into writes
// are the device's choice, and a program must cope with all of them.
struct AckForm {
  std::optional<std::string> prefix;  // text before " - OK!"; default "\n\rAT+" role op
  std::string tail;                   // text after " - OK!", such as "\r\n"
  bool with_result = false;           // a card in place: the result in the same write
  Millis split_ms = 0;                // > 0: each reply written in two halves this far apart
};

struct Emission {
  Millis at = 0;
  std::string bytes;
};

// Bytes of the reader's replies.
std::string VersionReply(std::string_view version);
std::string CardIdReply(std::uint32_t barcode, std::uint32_t cipher);
std::string UnknownReply();
std::string AckReply(char role, char op);
std::string OkResult();
std::string ErrResult(int code);

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
  const std::string& version() const { return version_; }
  void SetCardDelay(Millis ms) { card_delay_ = ms; }
  Millis card_delay() const { return card_delay_; }
  Faults& armed() { return armed_; }
  AckForm& ack_form() { return ack_form_; }

  // Puts card n in front of the reader (creating cards up to n).
  void SelectCard(std::size_t n, Millis now);
  // Puts the card with these numbers in front of the reader, creating it.
  void PresentCard(std::uint32_t barcode, std::uint32_t cipher, Millis now);
  void PresentSelected(Millis now);
  void RemoveCard() { present_ = false; }
  bool card_present() const { return present_; }
  std::size_t selected() const { return selected_; }
  std::size_t card_count() const { return cards_.size(); }
  VirtualCard& card() { return cards_[selected_]; }

  // Everything received since the last call, then forgotten.
  std::string TakeReceived();
  const std::string& received() const { return received_; }
  // Count of commands answered since the start or the last reset.
  std::size_t commands() const { return commands_; }
  bool waiting_for_card() const { return waiting_.has_value(); }

  // Back to the start state, the acknowledgement form included.
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
  std::string ReadBack(const std::string& frame, const Faults& faults);
  void SendResult(const std::string& frame, const Faults& faults, Millis at);
  // Queues a reply, applying the reply-shaping faults.
  void Queue(std::string reply, const Faults& faults, Millis at);
  Faults TakeFaults(bool is_frame, bool is_read);

  CommandFramer framer_;
  std::vector<Emission> queue_;
  std::vector<VirtualCard> cards_;
  std::size_t selected_ = 0;
  bool present_ = true;
  std::string version_;
  Millis card_delay_;
  Faults armed_;
  AckForm ack_form_;
  std::optional<CardCommand> waiting_;
  std::string received_;
  std::size_t commands_ = 0;
};

std::string ToHex(std::string_view bytes);
// Parses contiguous hex digits (blanks allowed between pairs).
std::optional<std::string> FromHex(std::string_view text);

}  // namespace tollvane::sim
