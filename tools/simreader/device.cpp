#include "simreader/device.h"

#include <algorithm>
#include <utility>

#include "simreader/sim_crc.h"

namespace tollvane::sim {
namespace {

constexpr std::string_view kDefaultVersion = "2.00";
constexpr Millis kDefaultCardDelay = 300;
constexpr std::uint32_t kFirstBarcode = 12345678;
constexpr std::uint32_t kFirstCipher = 3232235777u;  // 192.168.1.1
constexpr std::size_t kLongReplySize = 100;

bool IsWellFormedFrame(const std::string& s) {
    if (s.size() != kFrameSize || !IsFrameStart(s)) return false;
    if (s[4] != 'w' && s[4] != 'r' && s[4] != 'c') return false;
    return SimCrc8(reinterpret_cast<const std::uint8_t*>(s.data()), kFrameSize) == 0;
}

// Noise that contains no ASCII at all, so no reply pattern can match it.
std::string Garbage(std::size_t n) {
    std::string out(std::max<std::size_t>(n, 12), '\0');
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(0x80 + (i * 37) % 120);
    return out;
}

}  // namespace

Device::Device() { Reset(); }

void Device::Reset() {
    framer_.Clear();
    queue_.clear();
    cards_.assign(1, VirtualCard::Fresh(kFirstBarcode, kFirstCipher));
    selected_ = 0;
    present_ = true;
    version_ = std::string(kDefaultVersion);
    cardDelay_ = kDefaultCardDelay;
    armed_ = Faults{};
    ackForm_ = AckForm{};
    noise_ = Noise{};
    waiting_.reset();
    noCardIdReply_ = ErrResult(4);
    feed_.reset();
    received_.clear();
    commands_ = 0;
}

void Device::FeedCards(std::optional<CardFeed> feed, Millis now) {
    feed_ = std::move(feed);
    if (!feed_) return;
    SelectCard(cards_.size(), now);
    feed_->nextChange = now + feed_->on;
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
    while (feed_ && now >= feed_->nextChange) {
        const Millis at = feed_->nextChange;
        if (present_) {
            RemoveCard();
            feed_->nextChange = at + feed_->off;
        } else {
            SelectCard(cards_.size(), at);
            feed_->nextChange = at + feed_->on;
        }
    }
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
    if (feed_ && (!next || feed_->nextChange < *next)) next = feed_->nextChange;
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
        SendResult(command.frame, command.faults, now + cardDelay_);
    }
}

Faults Device::TakeFaults(bool isFrame, bool isRead) {
    Faults f;
    f.silent = std::exchange(armed_.silent, false);
    f.garbage = std::exchange(armed_.garbage, false);
    f.unknown = std::exchange(armed_.unknown, false);
    f.longReply = std::exchange(armed_.longReply, false);
    f.splitMs = std::exchange(armed_.splitMs, std::nullopt);
    f.cut = std::exchange(armed_.cut, std::nullopt);
    if (isFrame) {
        f.err = std::exchange(armed_.err, std::nullopt);
        f.noAck = std::exchange(armed_.noAck, false);
        f.noResult = std::exchange(armed_.noResult, false);
        f.ackWithResult = std::exchange(armed_.ackWithResult, false);
    }
    if (isRead) f.badCrc = std::exchange(armed_.badCrc, std::nullopt);
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
        Queue(UnknownReply(), faults, now, std::nullopt);
    } else if (command == kVersionQuery) {
        Queue(VersionReply(version_), faults, now, NoisePoint::Version);
    } else if (command == kCardIdQuery) {
        // The card numbers can only be read from a card that is there.
        if (present_) {
            Queue(CardIdReply(Card().barcode, Card().cipher), faults, now, NoisePoint::CardId);
        } else if (noCardIdReply_) {
            Queue(*noCardIdReply_, faults, now, NoisePoint::CardId);
        }
    } else if (frame) {
        HandleFrame(command, faults, now);
    } else {
        // Short, long or corrupt frames and unknown text are all refused alike.
        Queue(UnknownReply(), faults, now, std::nullopt);
    }
}

void Device::HandleFrame(const std::string& frame, Faults faults, Millis now) {
    // The acknowledgement is never reshaped by a fault, only by the form the
    // reader is set to answer in.
    Faults plain;
    if (ackForm_.splitMs > 0) plain.splitMs = static_cast<int>(ackForm_.splitMs);
    if (!faults.splitMs && ackForm_.splitMs > 0)
        faults.splitMs = static_cast<int>(ackForm_.splitMs);
    std::string ack;
    if (!faults.noAck) {
        ack = ackForm_.prefix ? *ackForm_.prefix + " - OK!" : AckReply(frame[3], frame[4]);
        ack += ackForm_.tail;
    }
    if (faults.noResult || !present_) {
        Queue(std::move(ack), plain, now, NoisePoint::Ack);
        if (!faults.noResult) waiting_ = CardCommand{frame, faults, now};
        return;
    }
    if (ackForm_.withResult) {
        // One write carries both, so it is shaped as one reply: as a result.
        Queue(ack + RunCardCommand(frame, faults), faults, now, NoisePoint::Result);
        return;
    }
    Queue(std::move(ack), plain, now, NoisePoint::Ack);
    SendResult(frame, faults, faults.ackWithResult ? now : now + cardDelay_);
}

void Device::SendResult(const std::string& frame, const Faults& faults, Millis at) {
    Queue(RunCardCommand(frame, faults), faults, at, NoisePoint::Result);
}

std::string Device::RunCardCommand(const std::string& frame, const Faults& faults) {
    if (faults.err) return ErrResult(*faults.err);
    return DoCardWork(Card(), frame, faults.badCrc);
}

void Device::Queue(std::string reply, const Faults& faults, Millis at,
                   std::optional<NoisePoint> point) {
    if (faults.garbage) reply = Garbage(reply.size());
    if (faults.longReply) {
        reply += "\r\n";
        if (reply.size() < kLongReplySize) reply.append(kLongReplySize - reply.size(), '#');
    }
    if (faults.cut) reply.resize(std::min<std::size_t>(reply.size(), std::max(*faults.cut, 0)));
    if (point && noise_.IsOn(*point)) {
        for (NoisePiece& piece : noise_.Apply(*point, std::move(reply)))
            QueueAt(at + piece.after, std::move(piece.bytes));
    } else if (faults.splitMs && reply.size() > 1) {
        const std::size_t half = reply.size() / 2;
        QueueAt(at, reply.substr(0, half));
        QueueAt(at + *faults.splitMs, reply.substr(half));
    } else {
        QueueAt(at, std::move(reply));
    }
}

// Replies due at the same moment keep the order they were queued in.
void Device::QueueAt(Millis at, std::string bytes) {
    if (bytes.empty()) return;
    const auto pos = std::upper_bound(queue_.begin(), queue_.end(), at,
                                      [](Millis t, const Emission& q) { return t < q.at; });
    queue_.insert(pos, Emission{at, std::move(bytes)});
}

}  // namespace tollvane::sim
