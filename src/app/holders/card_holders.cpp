#include "app/holders/card_holders.h"

#include "app/holders/csv_records.h"
#include "carddata/converter.h"
#include "register/issued_cards.h"

namespace tollvane {

namespace {

constexpr std::string_view kMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeader = "Name,UniqueData,Status,Time,CardBarcode,CardCipherId";
constexpr std::string_view kExportHeader =
    "Name,UniqueData,TM_W44,HEX_W44,DEC_W44,TM_W26,HEX_W26,DEC_W26,TM_W58,HEX_W58,DEC_W58,Time,"
    "CardBarcode,"
    "CardCipherId";
constexpr std::string_view kRevokedHeader =
    "UniqueData,TM_W44,HEX_W44,DEC_W44,TM_W26,HEX_W26,DEC_W26,TM_W58,HEX_W58,DEC_W58,CardBarcode,"
    "CardCipherId,"
    "Reason,Time";
// A list written before the cards were identified has only the first four.
constexpr std::size_t kOldFields = 4, kFields = 6;
constexpr char kDigits[] = "0123456789ABCDEF";

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<HolderNumber> ParseHolderNumber(std::string_view text) {
    HolderNumber number{};
    if (text.size() != 20) return std::nullopt;
    for (std::size_t b = 0; b < 7; ++b) {
        const int hi = DigitValue(text[3 * b]), lo = DigitValue(text[3 * b + 1]);
        if (hi < 0 || lo < 0 || (b < 6 && text[3 * b + 2] != ' ')) return std::nullopt;
        number[b] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return number;
}

namespace {

// Lower case of ASCII and of the Cyrillic letters of Russian (U+0410 to
// U+042F and U+0401), in UTF-8; other bytes stay as they are.
std::string LowerForFilter(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            out.push_back(static_cast<char>(c + 32));
        } else if ((c == 0xD0) && i + 1 < text.size()) {
            const auto d = static_cast<unsigned char>(text[i + 1]);
            ++i;
            if (d >= 0x90 && d <= 0x9F) {  // А..П -> а..п
                out.push_back(static_cast<char>(0xD0));
                out.push_back(static_cast<char>(d + 0x20));
            } else if (d >= 0xA0 && d <= 0xAF) {  // Р..Я -> р..я
                out.push_back(static_cast<char>(0xD1));
                out.push_back(static_cast<char>(d - 0x20));
            } else if (d == 0x81) {  // Ё -> ё
                out.push_back(static_cast<char>(0xD1));
                out.push_back(static_cast<char>(0x91));
            } else {
                out.push_back(static_cast<char>(c));
                out.push_back(static_cast<char>(d));
            }
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::optional<ListFailure> Failure(ListStep step, const FileResult& result) {
    return ListFailure{step, result.error};
}

}  // namespace

std::string HolderNumberText(const HolderNumber& number) {
    std::string text;
    text.reserve(20);
    for (std::uint8_t b : number) {
        if (!text.empty()) text.push_back(' ');
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

std::string_view HolderStatusText(HolderStatus status) {
    return status == HolderStatus::Issued ? "issued" : "waiting";
}

std::string FormatCardHolders(const std::vector<CardHolder>& people) {
    std::string text;
    text.reserve(kMark.size() + kHeader.size() + 2 + people.size() * 64);
    text += kMark;
    text += kHeader;
    text += "\r\n";
    for (const CardHolder& p : people) {
        text += QuoteRegisterField(p.name);
        text.push_back(',');
        if (p.number) text += HolderNumberText(*p.number);
        text.push_back(',');
        text += HolderStatusText(p.status);
        text.push_back(',');
        text += QuoteRegisterField(p.time);
        text.push_back(',');
        text += QuoteRegisterField(p.cardBarcode);
        text.push_back(',');
        text += QuoteRegisterField(p.cardCipherId);
        text += "\r\n";
    }
    return text;
}

std::optional<ListDamage> ParseCardHolders(std::string_view bytes,
                                           std::vector<CardHolder>& people) {
    people.clear();
    if (bytes.substr(0, kMark.size()) == kMark) bytes.remove_prefix(kMark.size());
    std::optional<ListDamage> damage;
    bool header = true;
    ReadCsvRecords(bytes, ',', [&](std::size_t line, std::vector<std::string>& fields) {
        if (header) {
            header = false;
            if (fields.size() >= 1 && fields[0] == "Name") return true;
        }
        if (IsEmptyRecord(fields)) return true;
        // A list this program did not write in full is not read in part:
        // saving it again would drop what could not be read.
        if (fields.size() != kFields && fields.size() != kOldFields) {
            damage = ListDamage{line};
            return false;
        }
        CardHolder p;
        p.name = std::move(fields[0]);
        if (!fields[1].empty()) {
            p.number = ParseHolderNumber(fields[1]);
            if (!p.number) {
                damage = ListDamage{line};
                return false;
            }
        }
        if (fields[2] == "issued") {
            p.status = HolderStatus::Issued;
        } else if (fields[2] != "waiting") {
            damage = ListDamage{line};
            return false;
        }
        if (p.status == HolderStatus::Issued && !p.number) {
            damage = ListDamage{line};
            return false;
        }
        p.time = std::move(fields[3]);
        if (fields.size() == kFields) {
            p.cardBarcode = std::move(fields[4]);
            p.cardCipherId = std::move(fields[5]);
        }
        people.push_back(std::move(p));
        return true;
    });
    return damage;
}

std::optional<ListFailure> LoadCardHolders(Files& files, Sleeper& sleeper, const HolderPaths& paths,
                                           std::vector<CardHolder>& people) {
    people.clear();
    std::unique_ptr<File> file;
    const FileResult opened =
        OpenWithShareRetry(files, sleeper, paths.list, OpenMode::ReadShared, file);
    if (opened.status == FileStatus::NotFound) return std::nullopt;
    if (!opened) return Failure(ListStep::Open, opened);
    std::string text;
    char block[64 * 1024];
    for (;;) {
        std::size_t got = 0;
        const FileResult read = file->Read(block, sizeof block, got);
        if (!read) return Failure(ListStep::Read, read);
        if (got == 0) break;
        text.append(block, got);
    }
    if (const auto damage = ParseCardHolders(text, people)) {
        people.clear();
        return ListFailure{ListStep::Damaged, static_cast<std::uint32_t>(damage->line)};
    }
    return std::nullopt;
}

std::optional<ListFailure> SaveCardHolders(Files& files, Sleeper& sleeper, const HolderPaths& paths,
                                           const std::vector<CardHolder>& people) {
    const std::string text = FormatCardHolders(people);
    std::optional<ListFailure> failure;
    {
        std::unique_ptr<File> file;
        const FileResult opened = files.Open(paths.temp, OpenMode::CreateAlways, file);
        if (!opened) return Failure(ListStep::Open, opened);
        if (const FileResult written = file->Write(text.data(), text.size()); !written) {
            failure = Failure(ListStep::Write, written);
        } else if (const FileResult flushed = file->Flush(); !flushed) {
            failure = Failure(ListStep::Flush, flushed);
        }
    }
    if (!failure) {
        // A station that is reading the list for its window holds it open
        // for a moment, and a move over an open file is refused; the move
        // waits for it as an opening would.
        FileResult moved;
        for (int pause = 0;; ++pause) {
            moved = files.MoveReplace(paths.temp, paths.list);
            if (moved || moved.status != FileStatus::HeldElsewhere || pause == kShareRetryPauses)
                break;
            sleeper.SleepMs(kShareRetryPauseMs);
        }
        if (moved) return std::nullopt;
        failure = Failure(ListStep::Move, moved);
    }
    files.Delete(paths.temp);
    return failure;
}

std::unique_ptr<ListHold> ListHold::Take(Files& files, Sleeper& sleeper, const HolderPaths& paths,
                                         FileResult& result) {
    std::unique_ptr<File> file;
    result = OpenWithShareRetry(files, sleeper, paths.lock, OpenMode::AppendShared, file);
    if (!result) return nullptr;
    return std::unique_ptr<ListHold>(new ListHold(std::move(file)));
}

bool ListHold::HeldElsewhere(Files& files, const HolderPaths& paths) {
    // A reading that shares nothing is refused while a holder has the lock
    // open for writing, and a lock that does not exist is held by nobody.
    std::unique_ptr<File> file;
    return files.Open(paths.lock, OpenMode::Read, file).status == FileStatus::HeldElsewhere;
}

HolderCounts CountHolders(const std::vector<CardHolder>& people) {
    HolderCounts counts;
    counts.total = people.size();
    for (const CardHolder& p : people) counts.issued += p.status == HolderStatus::Issued;
    counts.waiting = counts.total - counts.issued;
    return counts;
}

std::size_t NextWaiting(const std::vector<CardHolder>& people, std::size_t from) {
    while (from < people.size() && people[from].status != HolderStatus::Waiting) ++from;
    return from;
}

const char* HolderStatusShown(HolderStatus status, const MessageTable& texts) {
    return texts[status == HolderStatus::Issued ? Msg::kHoldersStatusIssued
                                                : Msg::kHoldersStatusWaiting];
}

bool HolderMatches(const CardHolder& person, std::string_view filter, const MessageTable& texts) {
    if (filter.empty()) return true;
    const std::string needle = LowerForFilter(filter);
    const auto has = [&](std::string_view text) {
        return LowerForFilter(text).find(needle) != std::string::npos;
    };
    return has(person.name) || (person.number && has(HolderNumberText(*person.number))) ||
           has(HolderStatusShown(person.status, texts)) || has(person.time) ||
           has(person.cardBarcode) || has(person.cardCipherId);
}

std::string ExportIssuedHolders(const std::vector<CardHolder>& people,
                                const std::vector<std::size_t>& rows) {
    std::string text(kMark);
    text += kExportHeader;
    text += "\r\n";
    const auto cell = [&](std::string_view value) {
        text += QuoteRegisterField(SpreadsheetSafe(value));
    };
    for (std::size_t index : rows) {
        if (index >= people.size()) continue;
        const CardHolder& p = people[index];
        if (p.status != HolderStatus::Issued || !p.number) continue;
        cell(p.name);
        text.push_back(',');
        cell(HolderNumberText(*p.number));
        for (int format : {kConverterTmW44, kConverterW26, kConverterW58}) {
            const ConverterTexts forms = RefreshConverter(*p.number, format);
            for (const std::string* form : {&forms.touchMemory, &forms.hex, &forms.dec}) {
                text.push_back(',');
                cell(*form);
            }
        }
        for (const std::string* value : {&p.time, &p.cardBarcode, &p.cardCipherId}) {
            text.push_back(',');
            cell(*value);
        }
        text += "\r\n";
    }
    return text;
}

bool ExportRevokedNumbers(RegisterFileSource& source, std::string& text) {
    text = kMark;
    text += kRevokedHeader;
    text += "\r\n";
    std::uint64_t size = 0;
    if (!source.Size(size)) return source.LastFailure().status == FileStatus::NotFound;
    RegisterScanner scanner;
    RegisterRow row;
    std::vector<char> block(1u << 20);
    for (std::uint64_t at = 0; at < size;) {
        std::size_t got = 0;
        if (!source.ReadAt(at, block.data(), block.size(), got)) return false;
        if (got == 0) break;
        at += got;
        scanner.Feed(block.data(), got, [&](std::uint64_t, std::string_view line) {
            SplitRegisterLine(line, row);
            if (row[kColOperation] != "Revoke") return;
            bool first = true;
            for (int column : {kColUniqueData, kColTmW44, kColHexW44, kColDecW44, kColTmW26,
                               kColHexW26, kColDecW26, kColTmW58, kColHexW58, kColDecW58,
                               kColCardBarcode, kColCardCipherId, kColMessage, kColTime}) {
                if (!first) text.push_back(',');
                first = false;
                text += QuoteRegisterField(SpreadsheetSafe(row[column]));
            }
            text += "\r\n";
        });
    }
    return true;
}

}  // namespace tollvane
