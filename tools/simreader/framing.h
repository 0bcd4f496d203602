// How the simulated reader cuts the program's byte stream into commands, and
// the sizes of what it exchanges. The program writes its commands as bare
// bytes without a terminator, so the reader has to tell them apart itself.
#pragma once

#include <cstddef>
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
// 20 ms is far above the 0.5 ms a byte takes at 19200 baud and far below the
// 50 ms after which the program reads the acknowledgement.
constexpr Millis kQuietEndsCommand = 20;
constexpr std::size_t kMaxPendingInput = 256;

inline constexpr std::string_view kVersionQuery = "AT+READS_USB";
inline constexpr std::string_view kCardIdQuery = "AT+READS_IDS";

// "AT+" and a role letter: the beginning of a card command frame.
bool IsFrameStart(std::string_view bytes);

// A command ends when
// (a) the buffer holds exactly one of the two 12-byte text commands,
// (b) it holds 46 bytes that begin like a frame,
// (c) the line has been quiet for kQuietEndsCommand ms (anything else, such
//     as a short frame or unknown text, is then taken as one command), or
// (d) kMaxPendingInput bytes piled up without matching anything.
// The checks run after every byte, so two commands that arrive back to back
// are still told apart, and a frame is answered the moment its last byte
// arrives rather than a quiet spell later.
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
    Millis lastByte_ = 0;
};

// Upper-case hex, two digits a byte, no blanks: how the control channel
// shows bytes.
std::string ToHex(std::string_view bytes);
// Parses hex digit pairs (blanks allowed between pairs).
std::optional<std::string> FromHex(std::string_view text);

}  // namespace tollvane::sim
