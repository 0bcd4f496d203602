#include "simreader/device.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "simreader/sim_crc.h"

namespace tollvane::sim {
namespace {

constexpr std::string_view kDefaultVersion = "2.00";
constexpr Millis kDefaultCardDelay = 300;
constexpr std::uint32_t kFirstBarcode = 12345678;
constexpr std::uint32_t kFirstCipher = 3232235777u;  // 192.168.1.1
constexpr std::size_t kLongReplySize = 100;

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool IsFrameStart(std::string_view s) {
  return StartsWith(s, "AT+") && s.size() > 3 && (s[3] == 'M' || s[3] == 'U');
}

bool IsWellFormedFrame(const std::string& s) {
  if (s.size() != kFrameSize || !IsFrameStart(s)) return false;
  if (s[4] != 'w' && s[4] != 'r' && s[4] != 'c') return false;
  return SimCrc8(Bytes(s), kFrameSize) == 0;
}

template <std::size_t N>
std::array<std::uint8_t, N> Field(const std::string& frame, std::size_t offset) {
  std::array<std::uint8_t, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<std::uint8_t>(frame[offset + i]);
  return out;
}

template <std::size_t N>
bool AllZero(const std::array<std::uint8_t, N>& a) {
  return std::all_of(a.begin(), a.end(), [](std::uint8_t b) { return b == 0; });
}

template <std::size_t N>
std::array<std::uint8_t, N> TransportKey() {
  std::array<std::uint8_t, N> k;
  k.fill(0xFF);
  return k;
}

// Noise that contains no ASCII at all, so no reply pattern can match it.
std::string Garbage(std::size_t n) {
  std::string out(std::max<std::size_t>(n, 12), '\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char>(0x80 + (i * 37) % 120);
  }
  return out;
}

}  // namespace

// --- Framing ---------------------------------------------------------------

std::vector<std::string> CommandFramer::Push(std::string_view bytes, Millis now) {
  std::vector<std::string> done;
  for (char c : bytes) {
    pending_.push_back(c);
    bool complete = pending_ == kVersionQuery || pending_ == kCardIdQuery ||
                    (pending_.size() == kFrameSize && IsFrameStart(pending_)) ||
                    pending_.size() >= kMaxPendingInput;
    if (complete) {
      done.push_back(std::move(pending_));
      pending_.clear();
    }
  }
  if (!bytes.empty()) last_byte_ = now;
  return done;
}

std::optional<std::string> CommandFramer::Flush(Millis now) {
  if (pending_.empty() || now - last_byte_ < kQuietEndsCommand) return std::nullopt;
  std::string out = std::move(pending_);
  pending_.clear();
  return out;
}

std::optional<Millis> CommandFramer::Deadline() const {
  if (pending_.empty()) return std::nullopt;
  return last_byte_ + kQuietEndsCommand;
}

// --- Replies ---------------------------------------------------------------

std::string VersionReply(std::string_view version) {
  return std::string("\n\rAT+USB - OK! >> ") + std::string(version);
}

std::string CardIdReply(std::uint32_t barcode, std::uint32_t cipher) {
  char numbers[32];
  std::snprintf(numbers, sizeof numbers, "%010u %010u.", barcode, cipher);
  return std::string("\n\rAT+IDS - OK! >> ") + numbers;
}

std::string UnknownReply() { return "\n\rAT+CMD - UNKNOWN CMD!"; }

std::string AckReply(char role, char op) {
  return std::string("\n\rAT+") + role + op + " - OK!";
}

std::string OkResult() { return "\n\rAT+DAT_OK"; }

std::string ErrResult(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "\n\rAT+ERR_%02d", code % 100);
  return text;
}

VirtualCard VirtualCard::Fresh(std::uint32_t barcode, std::uint32_t cipher) {
  VirtualCard c;
  c.barcode = barcode;
  c.cipher = cipher;
  c.crypto1 = TransportKey<6>();
  c.aes = TransportKey<16>();
  return c;
}

// --- Device ----------------------------------------------------------------

Device::Device() { Reset(); }

void Device::Reset() {
  framer_.Clear();
  queue_.clear();
  cards_.assign(1, VirtualCard::Fresh(kFirstBarcode, kFirstCipher));
  selected_ = 0;
  present_ = true;
  version_ = std::string(kDefaultVersion);
  card_delay_ = kDefaultCardDelay;
  armed_ = Faults{};
  ack_form_ = AckForm{};
  waiting_.reset();
  received_.clear();
  commands_ = 0;
}

void Device::DropLine() {
  framer_.Clear();
  queue_.clear();
  waiting_.reset();
}

void Device::Receive(std::string_view bytes, Millis now) {
  received_.append(bytes);
  for (const std::string& command : framer_.Push(bytes, now)) HandleCommand(command, now);
}

void Device::Tick(Millis now) {
  if (auto command = framer_.Flush(now)) HandleCommand(*command, now);
  if (waiting_ && now - waiting_->since >= kCardWaitLimit) waiting_.reset();
}

std::string Device::TakeDue(Millis now) {
  std::string out;
  auto it = queue_.begin();
  while (it != queue_.end() && it->at <= now) {
    out += it->bytes;
    ++it;
  }
  queue_.erase(queue_.begin(), it);
  return out;
}

std::optional<Millis> Device::NextDeadline() const {
  std::optional<Millis> next = framer_.Deadline();
  if (!queue_.empty() && (!next || queue_.front().at < *next)) next = queue_.front().at;
  if (waiting_) {
    Millis expiry = waiting_->since + kCardWaitLimit;
    if (!next || expiry < *next) next = expiry;
  }
  return next;
}

std::string Device::TakeReceived() {
  std::string out = std::move(received_);
  received_.clear();
  return out;
}

void Device::SelectCard(std::size_t n, Millis now) {
  while (cards_.size() <= n) {
    auto i = static_cast<std::uint32_t>(cards_.size());
    cards_.push_back(VirtualCard::Fresh(kFirstBarcode + i, kFirstCipher + i));
  }
  selected_ = n;
  PresentSelected(now);
}

void Device::PresentCard(std::uint32_t barcode, std::uint32_t cipher, Millis now) {
  for (std::size_t i = 0; i < cards_.size(); ++i) {
    if (cards_[i].barcode == barcode) {
      cards_[i].cipher = cipher;
      selected_ = i;
      PresentSelected(now);
      return;
    }
  }
  cards_.push_back(VirtualCard::Fresh(barcode, cipher));
  selected_ = cards_.size() - 1;
  PresentSelected(now);
}

void Device::PresentSelected(Millis now) {
  present_ = true;
  // A command that arrived while no card was there is carried out now, as
  // the real reader does when the operator finally presents the card.
  if (waiting_) {
    CardCommand command = std::move(*waiting_);
    waiting_.reset();
    SendResult(command.frame, command.faults, now + card_delay_);
  }
}

Faults Device::TakeFaults(bool is_frame, bool is_read) {
  Faults f;
  f.silent = std::exchange(armed_.silent, false);
  f.garbage = std::exchange(armed_.garbage, false);
  f.unknown = std::exchange(armed_.unknown, false);
  f.long_reply = std::exchange(armed_.long_reply, false);
  f.split_ms = std::exchange(armed_.split_ms, std::nullopt);
  f.cut = std::exchange(armed_.cut, std::nullopt);
  if (is_frame) {
    f.err = std::exchange(armed_.err, std::nullopt);
    f.no_ack = std::exchange(armed_.no_ack, false);
    f.no_result = std::exchange(armed_.no_result, false);
    f.ack_with_result = std::exchange(armed_.ack_with_result, false);
  }
  if (is_read) f.bad_crc = std::exchange(armed_.bad_crc, std::nullopt);
  return f;
}

void Device::HandleCommand(const std::string& command, Millis now) {
  ++commands_;
  // The reader does one thing at a time: a new command ends the wait for a
  // card of the previous one.
  waiting_.reset();
  bool frame = IsWellFormedFrame(command);
  Faults faults = TakeFaults(frame, frame && command[4] == 'r');
  if (faults.silent) return;
  if (faults.unknown) {
    Queue(UnknownReply(), faults, now);
  } else if (command == kVersionQuery) {
    Queue(VersionReply(version_), faults, now);
  } else if (command == kCardIdQuery) {
    // The card numbers can only be read from a card that is there.
    Queue(present_ ? CardIdReply(card().barcode, card().cipher) : ErrResult(4), faults, now);
  } else if (frame) {
    HandleFrame(command, faults, now);
  } else {
    // Short, long or corrupt frames and unknown text are all refused alike.
    Queue(UnknownReply(), faults, now);
  }
}

void Device::HandleFrame(const std::string& frame, Faults faults, Millis now) {
  // The acknowledgement is never reshaped by a fault, only by the form the
  // reader is set to answer in.
  Faults plain;
  if (ack_form_.split_ms > 0) plain.split_ms = static_cast<int>(ack_form_.split_ms);
  if (!faults.split_ms && ack_form_.split_ms > 0) faults.split_ms = static_cast<int>(ack_form_.split_ms);
  std::string ack;
  if (!faults.no_ack) {
    ack = ack_form_.prefix ? *ack_form_.prefix + " - OK!" : AckReply(frame[3], frame[4]);
    ack += ack_form_.tail;
  }
  if (faults.no_result || !present_) {
    Queue(std::move(ack), plain, now);
    if (!faults.no_result) waiting_ = CardCommand{frame, faults, now};
    return;
  }
  if (ack_form_.with_result) {
    Queue(ack + RunCardCommand(frame, faults), faults, now);
    return;
  }
  Queue(std::move(ack), plain, now);
  SendResult(frame, faults, faults.ack_with_result ? now : now + card_delay_);
}

void Device::SendResult(const std::string& frame, const Faults& faults, Millis at) {
  Queue(RunCardCommand(frame, faults), faults, at);
}

std::string Device::RunCardCommand(const std::string& frame, const Faults& faults) {
  if (faults.err) return ErrResult(*faults.err);
  if (SimCrc8(Bytes(frame) + kSettingsOffset, kSettingsSize) != 0) return ErrResult(15);

  VirtualCard& c = card();
  const char role = frame[3];
  const char op = frame[4];
  const char type = frame[5];

  // The card type named in the frame must fit the chip. A Plus card at level
  // 1 works like a Classic card; a write switches a Plus card up to the
  // level it names, reads and clears never do.
  int new_level = c.level;
  switch (type) {
    case 's':
      if (!(c.chip == Chip::Classic || c.level == 1)) return ErrResult(6);
      break;
    case '1':
      if (c.chip == Chip::Classic || c.level == 3) return ErrResult(17);
      if (c.level == 0 && op != 'w') return ErrResult(17);
      new_level = 1;
      break;
    case '3':
      if (c.chip == Chip::Classic) return ErrResult(9);
      if (c.level != 3 && op != 'w') return ErrResult(9);
      new_level = 3;
      break;
    default:
      return ErrResult(6);
  }

  // The card must hold the record of the role asked for; a clear of an
  // empty card succeeds, a write replaces whatever was there.
  if (op == 'r' && c.role != role) return ErrResult(role == 'M' ? 16 : 18);
  if (op == 'c' && c.role != 0 && c.role != role) return ErrResult(role == 'M' ? 16 : 18);
  if (op == 'c' && c.role == 0) return OkResult();

  // User cards are opened with the sector key the frame carries. A write may
  // also open a card that still has its transport key, and then keys it.
  const auto crypto1 = Field<6>(frame, 7);
  const auto aes = Field<16>(frame, 13);
  const bool uses_crypto1 = type == 's' || type == '1';
  if (role == 'U') {
    if (op == 'w') {
      if (uses_crypto1 && !AllZero(crypto1) && crypto1 != c.crypto1 &&
          c.crypto1 != TransportKey<6>()) {
        return ErrResult(11);
      }
      if (type == '3' && !AllZero(aes) && aes != c.aes && c.aes != TransportKey<16>()) {
        return ErrResult(11);
      }
    } else {
      if (uses_crypto1 && crypto1 != c.crypto1) return ErrResult(11);
      if (type == '3' && aes != c.aes) return ErrResult(11);
    }
  }

  const auto settings = Field<kSettingsSize>(frame, kSettingsOffset);
  switch (op) {
    case 'r':
      if (role == 'U' && (settings[6] != c.block[6] || settings[7] != c.block[7])) {
        return ErrResult(14);  // no user record in that sector and block
      }
      return ReadBack(frame, faults);
    case 'c':
      c.role = 0;
      c.block = {};
      c.type_letter = c.aes_auth_letter = 0;
      c.master_aes = {};
      c.crypto1 = TransportKey<6>();
      c.aes = TransportKey<16>();
      return OkResult();
    default:  // 'w'
      c.role = role;
      c.block = settings;
      c.level = new_level;
      if (role == 'M') {
        c.type_letter = static_cast<std::uint8_t>(type);
        c.aes_auth_letter = static_cast<std::uint8_t>(frame[6]);
        c.master_aes = aes;
      } else {
        c.type_letter = c.aes_auth_letter = 0;
        c.master_aes = {};
        if (uses_crypto1 && !AllZero(crypto1)) c.crypto1 = crypto1;
        if (type == '3' && !AllZero(aes)) c.aes = aes;
      }
      return OkResult();
  }
}

std::string Device::ReadBack(const std::string& frame, const Faults& faults) {
  const VirtualCard& c = card();
  std::string out(kFrameSize, '\0');
  out.replace(0, 5, "AT+ms");
  if (c.role == 'M') {
    out[5] = static_cast<char>(c.type_letter);
    out[6] = static_cast<char>(c.aes_auth_letter);
    for (std::size_t i = 0; i < 16; ++i) out[13 + i] = static_cast<char>(c.master_aes[i]);
  } else {
    out[5] = frame[5];
    out[6] = frame[6];
  }
  std::array<std::uint8_t, kSettingsSize> block = c.block;
  block[15] = SimCrc8(block.data(), kSettingsSize - 1);
  if (faults.bad_crc == 's') block[15] ^= 0x5A;
  for (std::size_t i = 0; i < kSettingsSize; ++i) {
    out[kSettingsOffset + i] = static_cast<char>(block[i]);
  }
  out[kFrameSize - 1] = static_cast<char>(SimCrc8(Bytes(out), kFrameSize - 1));
  if (faults.bad_crc == 'f') out[kFrameSize - 1] ^= static_cast<char>(0xA5);
  return "\n\r" + out;
}

void Device::Queue(std::string reply, const Faults& faults, Millis at) {
  if (faults.garbage) reply = Garbage(reply.size());
  if (faults.long_reply) {
    reply += "\r\n";
    if (reply.size() < kLongReplySize) reply.append(kLongReplySize - reply.size(), '#');
  }
  if (faults.cut) reply.resize(std::min<std::size_t>(reply.size(), std::max(*faults.cut, 0)));
  std::vector<Emission> parts;
  if (faults.split_ms && reply.size() > 1) {
    std::size_t half = reply.size() / 2;
    parts.push_back({at, reply.substr(0, half)});
    parts.push_back({at + *faults.split_ms, reply.substr(half)});
  } else if (!reply.empty()) {
    parts.push_back({at, std::move(reply)});
  }
  for (Emission& e : parts) {
    auto pos = std::upper_bound(queue_.begin(), queue_.end(), e.at,
                                [](Millis t, const Emission& q) { return t < q.at; });
    queue_.insert(pos, std::move(e));
  }
}

// --- Hex -------------------------------------------------------------------

std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto b = static_cast<std::uint8_t>(c);
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
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
    int v = value(c);
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
