#include "simreader/framing.h"

namespace tollvane::sim {

bool IsFrameStart(std::string_view bytes) {
    return bytes.size() > 3 && bytes.substr(0, 3) == "AT+" && (bytes[3] == 'M' || bytes[3] == 'U');
}

std::vector<std::string> CommandFramer::Push(std::string_view bytes, Millis now) {
    std::vector<std::string> done;
    for (char c : bytes) {
        pending_.push_back(c);
        const bool complete = pending_ == kVersionQuery || pending_ == kCardIdQuery ||
                              (pending_.size() == kFrameSize && IsFrameStart(pending_)) ||
                              pending_.size() >= kMaxPendingInput;
        if (complete) {
            done.push_back(std::move(pending_));
            pending_.clear();
        }
    }
    if (!bytes.empty()) lastByte_ = now;
    return done;
}

std::optional<std::string> CommandFramer::Flush(Millis now) {
    if (pending_.empty() || now - lastByte_ < kQuietEndsCommand) return std::nullopt;
    std::string out = std::move(pending_);
    pending_.clear();
    return out;
}

std::optional<Millis> CommandFramer::Deadline() const {
    if (pending_.empty()) return std::nullopt;
    return lastByte_ + kQuietEndsCommand;
}

std::string ToHex(std::string_view bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

std::optional<std::string> FromHex(std::string_view text) {
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    int high = -1;
    for (char c : text) {
        if (c == ' ' && high < 0) continue;
        const int v = value(c);
        if (v < 0) return std::nullopt;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return out;
}

}  // namespace tollvane::sim
