#include "simreader/control.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace tollvane::sim {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

template <typename T>
std::optional<T> Number(std::string_view text) {
    T value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string Hex(const std::uint8_t* data, std::size_t n) {
    return ToHex(std::string_view(reinterpret_cast<const char*>(data), n));
}

const char* ChipName(const VirtualCard& c) {
    if (c.chip == Chip::Classic) return "classic";
    switch (c.level) {
        case 0: return "plus0";
        case 3: return "plus3";
        default: return "plus1";
    }
}

std::string Letter(std::uint8_t c) {
    if (c == 0) return "-";
    return std::string(1, static_cast<char>(c));
}

std::string CardMemory(Device& d) {
    const VirtualCard& c = d.Card();
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "barcode=%010u cipher=%010u", c.barcode, c.cipher);
    std::string out = "OK card=" + std::to_string(d.Selected()) +
                      " present=" + (d.CardPresent() ? "1" : "0") + " " + numbers +
                      " chip=" + ChipName(c) +
                      " role=" + Letter(static_cast<std::uint8_t>(c.role)) +
                      " type=" + Letter(c.typeLetter) + " aesauth=" + Letter(c.aesAuthLetter) +
                      " crypto1=" + Hex(c.crypto1.data(), c.crypto1.size()) +
                      " aes=" + Hex(c.aes.data(), c.aes.size()) +
                      " block=" + Hex(c.block.data(), c.block.size()) +
                      " masteraes=" + Hex(c.masterAes.data(), c.masterAes.size()) +
                      " fault=" + CardFaultName(c.fault);
    return out;
}

std::optional<std::string> Unescape(std::string_view text);

// "card noid ...": what a Read ID with no card in front is answered.
std::string NoCardIdCommand(std::string_view line, const std::vector<std::string_view>& w,
                            Device& d) {
    const std::string_view what = w.size() > 2 ? w[2] : std::string_view{};
    if (what == "err" && w.size() == 3) {
        d.SetNoCardIdReply(ErrResult(4));
    } else if (what == "silent" && w.size() == 3) {
        d.SetNoCardIdReply(std::nullopt);
    } else if (what == "unknown" && w.size() == 3) {
        d.SetNoCardIdReply(UnknownReply());
    } else if (what == "text" && w.size() > 3) {
        const auto text =
            Unescape(line.substr(static_cast<std::size_t>(w[3].data() - line.data())));
        if (!text) return "ERR bad escape";
        d.SetNoCardIdReply(*text);
    } else {
        return "ERR usage: card noid err|silent|unknown|text <TEXT>";
    }
    return "OK card noid " +
           (d.NoCardIdReply() ? "hex:" + ToHex(*d.NoCardIdReply()) : std::string("silent"));
}

// "card feed ON OFF" or "card feed off".
std::string FeedCommand(const std::vector<std::string_view>& w, Device& d, Millis now) {
    if (w.size() == 3 && w[2] == "off") {
        d.FeedCards(std::nullopt, now);
        return "OK card feed off";
    }
    const auto on = w.size() == 4 ? Number<Millis>(w[2]) : std::nullopt;
    const auto off = w.size() == 4 ? Number<Millis>(w[3]) : std::nullopt;
    if (!on || !off || *on <= 0 || *off < 0)
        return "ERR usage: card feed <on ms> <off ms> | card feed off";
    d.FeedCards(CardFeed{*on, *off}, now);
    return "OK card " + std::to_string(d.Selected()) + " present, feed " + std::to_string(*on) +
           " " + std::to_string(*off);
}

std::string CardCommand(std::string_view line, const std::vector<std::string_view>& w, Device& d,
                        Millis now) {
    if (w.size() < 2) return "ERR card needs present|absent|select|chip|keys|wipe|fault|noid|feed";
    std::string_view what = w[1];
    if (what == "present") {
        if (w.size() == 2) {
            d.PresentSelected(now);
        } else if (w.size() == 4) {
            auto barcode = Number<std::uint32_t>(w[2]);
            auto cipher = Number<std::uint32_t>(w[3]);
            if (!barcode || !cipher) return "ERR card present needs two decimal numbers";
            d.PresentCard(*barcode, *cipher, now);
        } else {
            return "ERR usage: card present [<barcode> <cipher>]";
        }
        return "OK card " + std::to_string(d.Selected()) + " present";
    }
    if (what == "absent") {
        d.RemoveCard();
        return "OK card absent";
    }
    if (what == "select") {
        auto n = w.size() == 3 ? Number<std::size_t>(w[2]) : std::nullopt;
        if (!n || *n > 999) return "ERR usage: card select <0..999>";
        d.SelectCard(*n, now);
        return "OK card " + std::to_string(*n) + " present";
    }
    if (what == "chip") {
        if (w.size() != 3) return "ERR usage: card chip classic|plus0|plus1|plus3";
        VirtualCard& c = d.Card();
        if (w[2] == "classic") {
            c.chip = Chip::Classic;
            c.level = 1;
        } else if (w[2] == "plus0" || w[2] == "plus1" || w[2] == "plus3") {
            c.chip = Chip::Plus;
            c.level = w[2][4] - '0';
        } else {
            return "ERR usage: card chip classic|plus0|plus1|plus3";
        }
        return "OK chip " + std::string(w[2]);
    }
    if (what == "keys") {
        if (w.size() < 3 || w.size() > 4) return "ERR usage: card keys <crypto1 hex> [<aes hex>]";
        auto crypto1 = FromHex(w[2]);
        if (!crypto1 || crypto1->size() != 6) return "ERR crypto1 key needs 12 hex digits";
        std::optional<std::string> aes;
        if (w.size() == 4) {
            aes = FromHex(w[3]);
            if (!aes || aes->size() != 16) return "ERR aes key needs 32 hex digits";
        }
        VirtualCard& c = d.Card();
        for (std::size_t i = 0; i < 6; ++i) c.crypto1[i] = static_cast<std::uint8_t>((*crypto1)[i]);
        if (aes) {
            for (std::size_t i = 0; i < 16; ++i) c.aes[i] = static_cast<std::uint8_t>((*aes)[i]);
        }
        return "OK keys set";
    }
    if (what == "fault") {
        const std::optional<CardFault> fault = w.size() == 3 ? CardFaultNamed(w[2]) : std::nullopt;
        if (!fault) return "ERR usage: card fault none|stale|byte|gone";
        d.Card().fault = *fault;
        return "OK card " + std::to_string(d.Selected()) + " fault " + CardFaultName(*fault);
    }
    if (what == "noid") return NoCardIdCommand(line, w, d);
    if (what == "feed") return FeedCommand(w, d, now);
    if (what == "wipe") {
        VirtualCard& c = d.Card();
        c = VirtualCard::Fresh(c.barcode, c.cipher);
        return "OK card wiped";
    }
    return "ERR unknown card command";
}

std::string NextCommand(const std::vector<std::string_view>& w, Device& d) {
    if (w.size() < 2) return "ERR next needs a fault";
    Faults& f = d.Armed();
    std::string_view what = w[1];
    auto arg = [&]() -> std::optional<int> {
        return w.size() == 3 ? Number<int>(w[2]) : std::nullopt;
    };
    if (what == "err") {
        auto code = arg();
        if (!code || *code < 0 || *code > 99 || w[2].size() != 2)
            return "ERR usage: next err <two digits>";
        f.err = *code;
    } else if (what == "silent") {
        f.silent = true;
    } else if (what == "noack") {
        f.noAck = true;
    } else if (what == "noresult") {
        f.noResult = true;
    } else if (what == "garbage") {
        f.garbage = true;
    } else if (what == "unknown") {
        f.unknown = true;
    } else if (what == "badcrc") {
        if (w.size() != 3 || (w[2] != "frame" && w[2] != "settings")) {
            return "ERR usage: next badcrc frame|settings";
        }
        f.badCrc = w[2] == "frame" ? 'f' : 's';
    } else if (what == "split") {
        auto ms = arg();
        if (!ms || *ms < 0 || *ms > 60000) return "ERR usage: next split <ms>";
        f.splitMs = *ms;
    } else if (what == "long") {
        f.longReply = true;
    } else if (what == "ackwithresult") {
        f.ackWithResult = true;
    } else if (what == "cut") {
        auto n = arg();
        if (!n || *n < 0) return "ERR usage: next cut <bytes>";
        f.cut = *n;
    } else if (what == "none") {
        f = Faults{};
    } else {
        return "ERR unknown fault";
    }
    std::string out = "OK next";
    for (std::size_t i = 1; i < w.size(); ++i) out += " " + std::string(w[i]);
    return out;
}

// Text with the escapes \r, \n, \t, \\ and \xNN, so that line ends and
// blanks can be given on one control line.
std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i]) {
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case '\\': out.push_back('\\'); break;
            case 'x': {
                const auto byte =
                    i + 2 < text.size() ? FromHex(text.substr(i + 1, 2)) : std::nullopt;
                if (!byte || byte->size() != 1) return std::nullopt;
                out += *byte;
                i += 2;
                break;
            }
            default: return std::nullopt;
        }
    }
    return out;
}

std::string DescribeAck(const AckForm& a) {
    return "OK ack prefix=" + (a.prefix ? "hex:" + ToHex(*a.prefix) : std::string("default")) +
           " tail=hex:" + ToHex(a.tail) + " same=" + (a.withResult ? "on" : "off") +
           " split=" + std::to_string(a.splitMs);
}

std::string WithHex(std::string_view bytes) { return bytes.empty() ? "OK" : "OK " + ToHex(bytes); }

}  // namespace

std::string ConfigureAck(std::string_view args, Device& d) {
    AckForm& a = d.AckSettings();
    const std::size_t blank = args.find(' ');
    const std::string_view what = args.substr(0, blank);
    // The text is everything after the one blank that follows the word, so
    // that it may begin with blanks of its own.
    const std::string_view rest =
        blank == std::string_view::npos ? std::string_view{} : args.substr(blank + 1);
    if (what.empty()) return DescribeAck(a);
    if (what == "tail" || what == "prefix") {
        const std::optional<std::string> text = Unescape(rest);
        if (!text) return "ERR usage: ack tail|prefix <text with \\r \\n \\t \\\\ \\xNN>";
        if (what == "tail")
            a.tail = *text;
        else if (text->empty())
            a.prefix.reset();
        else
            a.prefix = *text;
    } else if (what == "same") {
        if (rest != "on" && rest != "off") return "ERR usage: ack same on|off";
        a.withResult = rest == "on";
    } else if (what == "split") {
        const auto ms = Number<Millis>(rest);
        if (!ms || *ms < 0 || *ms > 60000) return "ERR usage: ack split <ms>";
        a.splitMs = *ms;
    } else if (what == "default") {
        a = AckForm{};
    } else {
        return "ERR usage: ack [tail|prefix <text> | same on|off | split <ms> | default]";
    }
    return DescribeAck(a);
}

std::string RunControlCommand(std::string_view line, Device& d, ControlHost& host, Millis now) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    const auto w = Words(line);
    if (w.empty()) return "ERR empty command";
    const std::string_view cmd = w[0];

    if (cmd == "version") {
        if (w.size() > 1) {
            // Everything after the first blank is the version text, as it is sent.
            auto start = static_cast<std::size_t>(w[1].data() - line.data());
            d.SetVersion(std::string(line.substr(start)));
        }
        return "OK version " + d.Version();
    }
    if (cmd == "delay") {
        if (w.size() > 1) {
            auto ms = Number<Millis>(w[1]);
            if (w.size() != 2 || !ms || *ms < 0 || *ms > 600000) return "ERR usage: delay <ms>";
            d.SetCardDelay(*ms);
        }
        return "OK delay " + std::to_string(d.CardDelay());
    }
    if (cmd == "card") return CardCommand(line, w, d, now);
    if (cmd == "ack") {
        const std::size_t at = line.find("ack") + 3;
        return ConfigureAck(at < line.size() ? line.substr(at + 1) : std::string_view{}, d);
    }
    if (cmd == "next") return NextCommand(w, d);
    if (cmd == "noise") {
        const std::size_t at = line.find("noise") + 5;
        return ConfigureNoise(at < line.size() ? line.substr(at + 1) : std::string_view{},
                              d.NoiseMode());
    }
    // An empty capture is a bare "OK", so that splitting the line at blanks
    // never yields an empty hex word.
    if (cmd == "sent") return WithHex(d.TakeReceived());
    if (cmd == "peek") return WithHex(d.Received());
    if (cmd == "cardmem") return CardMemory(d);
    if (cmd == "status") {
        return "OK version=" + d.Version() + " delay=" + std::to_string(d.CardDelay()) +
               " card=" + std::to_string(d.Selected()) +
               " present=" + (d.CardPresent() ? "1" : "0") +
               " waiting=" + (d.WaitingForCard() ? "1" : "0") +
               " commands=" + std::to_string(d.Commands()) + " pty=" + host.PortPath();
    }
    if (cmd == "reset") {
        d.Reset();
        return "OK reset";
    }
    if (cmd == "pty") return "OK " + host.PortPath();
    if (cmd == "unplug") return host.Unplug() ? "OK unplugged" : "ERR not plugged";
    if (cmd == "plug") return host.Plug() ? "OK " + host.PortPath() : "ERR cannot open a new port";
    if (cmd == "quit") {
        host.Quit();
        return "OK bye";
    }
    return "ERR unknown command";
}

}  // namespace tollvane::sim
