#include "register/issued_cards.h"

#include <cstdio>
#include <cstdlib>

#include "carddata/converter.h"
#include "protocol/work_mode.h"

namespace tollvane {

const std::array<const char*, kRegisterColumnCount> kRegisterColumnNames = {
    "Time",    "Operator", "Computer", "Port",        "ReaderVersion", "Role",       "Operation",
    "Cyclic",  "CardType", "WorkMode", "Sector",      "Block",         "UniqueData", "TM_W44",
    "HEX_W44", "DEC_W44",  "TM_W26",   "HEX_W26",     "DEC_W26",       "TM_W58",     "HEX_W58",
    "DEC_W58", "Result",   "Message",  "CardBarcode", "CardCipherId",
};

namespace {

constexpr char kFileStart[] =
    "\xEF\xBB\xBF"
    "Time,Operator,Computer,Port,ReaderVersion,Role,Operation,Cyclic,CardType,WorkMode,Sector,"
    "Block,"
    "UniqueData,TM_W44,HEX_W44,DEC_W44,TM_W26,HEX_W26,DEC_W26,TM_W58,HEX_W58,DEC_W58,Result,"
    "Message,"
    "CardBarcode,CardCipherId\r\n";
constexpr std::string_view kCardColumns = ",CardBarcode,CardCipherId\r\n";

constexpr char kUpperDigits[] = "0123456789ABCDEF";

std::string SpacedHex(const std::array<std::uint8_t, 7>& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty()) text.push_back(' ');
        text.push_back(kUpperDigits[b >> 4]);
        text.push_back(kUpperDigits[b & 0x0F]);
    }
    return text;
}

std::string CardTypeText(std::uint8_t letter, bool aesAuth) {
    std::string text;
    switch (letter) {
        case kCardTypeClassic: text = "Classic"; break;
        case kCardTypeSl1: text = "Plus SL1"; break;
        case kCardTypeSl3: text = "Plus SL3"; break;
        default: break;  // no card type chosen: the frame carried 0
    }
    if (aesAuth) text += text.empty() ? "AES" : " AES";
    return text;
}

std::string RoleText(std::uint8_t letter) {
    if (letter == 'M') return "Master";
    if (letter == 'U') return "User";
    return {};
}

std::string OperationText(std::uint8_t letter) {
    if (letter == 'w') return "Write";
    if (letter == 'r') return "Read";
    if (letter == 'c') return "Clear";
    if (letter == kRevokeLetter) return "Revoke";
    return {};
}

}  // namespace

std::string_view RegisterFileStart() { return {kFileStart, sizeof kFileStart - 1}; }
std::string_view OldRegisterFileStart() {
    static const std::string start =
        std::string(kFileStart, sizeof kFileStart - 1 - kCardColumns.size()) + "\r\n";
    return start;
}

std::string QuoteRegisterField(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
    std::string out;
    out.reserve(field.size() + 2);
    out.push_back('"');
    for (char c : field) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string SpreadsheetSafe(std::string_view cell) {
    if (cell.empty() || std::string_view("=+-@\t\r").find(cell.front()) == std::string_view::npos) {
        return std::string(cell);
    }
    std::string safe;
    safe.reserve(cell.size() + 1);
    safe.push_back('\'');
    safe.append(cell);
    return safe;
}

std::string FormatRegisterLine(const RegisterRow& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) line.push_back(',');
        std::string field = row[i];
        for (std::size_t p; (p = field.find("\r\n")) != std::string::npos;) field.erase(p, 1);
        line += QuoteRegisterField(field);
    }
    line += "\r\n";
    return line;
}

std::string FormatRegisterTime(const RegisterTime& t) {
    const int offset = std::abs(t.utcOffsetMinutes);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, t.utcOffsetMinutes < 0 ? '-' : '+',
                  offset / 60, offset % 60);
    return text;
}

std::string RegisterResultText(IssueResult result, int errorCode) {
    switch (result) {
        case IssueResult::Ok: return "OK";
        case IssueResult::Error: {
            char text[16];
            std::snprintf(text, sizeof text, "ERR_%02d", errorCode);
            return text;
        }
        case IssueResult::NoReply: return "NO_REPLY";
        case IssueResult::Unrecognized: return "UNRECOGNIZED";
        case IssueResult::NotSent: return "NOT_SENT";
        case IssueResult::Verified: return "VERIFIED";
        case IssueResult::Mismatch: return "MISMATCH";
        case IssueResult::Unverified: return "UNVERIFIED";
    }
    return {};
}

IssuedCardEntry EntryFromFrame(const CommandFrame& frame, const FormSnapshot& form) {
    IssuedCardEntry e;
    e.roleLetter = frame[kFrameRoleOffset];
    e.operationLetter = frame[kFrameOperationOffset];
    e.cardTypeLetter = frame[kFrameCardTypeOffset];
    e.aesAuth = frame[kFrameAesAuthOffset] == kAesAuthOn;
    e.workModeIndex = form.workModeIndex;
    // The Master read and clear carry no settings block, so no sector or
    // block went to the reader.
    const std::uint8_t* block = &frame[kFrameSettingsOffset];
    if (block[kSettingsRoleOffset] == 'M' || block[kSettingsRoleOffset] == 'U') {
        e.sector = block[kSettingsSectorOffset];
        e.block = block[kSettingsBlockOffset];
    }
    // Only a User write in a sector-data mode carries user data.
    if (e.roleLetter == 'U' && e.operationLetter == 'w' &&
        CarriesUserData(WorkModeOfLetter(block[kSettingsWorkModeOffset]))) {
        e.uniqueData = form.uniqueData;
    }
    return e;
}

RegisterRow MakeRegisterRow(const IssuedCardEntry& e) {
    RegisterRow row;
    row[kColTime] = FormatRegisterTime(e.time);
    row[kColOperator] = e.operatorName;
    row[kColComputer] = e.computer;
    row[kColPort] = e.port;
    row[kColReaderVersion] = e.readerVersion;
    row[kColRole] = RoleText(e.roleLetter);
    row[kColOperation] = OperationText(e.operationLetter);
    row[kColCyclic] = e.cyclic ? "yes" : "no";
    row[kColCardType] = CardTypeText(e.cardTypeLetter, e.aesAuth);
    if (e.workModeIndex >= 0 && e.workModeIndex <= 3)
        row[kColWorkMode] = std::to_string(e.workModeIndex);
    if (e.sector) row[kColSector] = std::to_string(*e.sector);
    if (e.block) row[kColBlock] = std::to_string(*e.block);
    if (e.uniqueData) {
        row[kColUniqueData] = SpacedHex(*e.uniqueData);
        static constexpr struct {
            int format;
            int firstColumn;
        } kInterfaces[] = {
            {kConverterTmW44, kColTmW44}, {kConverterW26, kColTmW26}, {kConverterW58, kColTmW58}};
        for (const auto& itf : kInterfaces) {
            ConverterTexts texts = RefreshConverter(*e.uniqueData, itf.format);
            row[itf.firstColumn] = std::move(texts.touchMemory);
            row[itf.firstColumn + 1] = std::move(texts.hex);
            row[itf.firstColumn + 2] = std::move(texts.dec);
        }
    }
    row[kColResult] = RegisterResultText(e.result, e.errorCode);
    row[kColMessage] = e.message;
    if (e.card) PutCardIdentity(row, *e.card);
    return row;
}

void PutCardIdentity(RegisterRow& row, const CardIdentity& card) {
    CardIdTexts texts = FormatCardId(card.barcode, card.cipherId);
    row[kColCardBarcode] = std::move(texts.barcodeDec);
    row[kColCardCipherId] = std::move(texts.cipherDec);
}

std::string RegisterLeadIn(std::uint64_t fileSize, std::string_view lastBytes) {
    const std::string_view start = RegisterFileStart();
    // A file whose first write was cut short holds a beginning of the header;
    // finish it rather than start a row inside it.
    if (fileSize < start.size() && lastBytes.size() == fileSize &&
        start.substr(0, lastBytes.size()) == lastBytes) {
        return std::string(start.substr(lastBytes.size()));
    }
    if (lastBytes.size() >= 2 && lastBytes.substr(lastBytes.size() - 2) == "\r\n") return {};

    // The writer never puts a CRLF inside a field, so the last line starts
    // after the last CRLF, and an odd number of quotes since then means the
    // line was cut inside a quoted field: close it, or the next row would be
    // read as part of that field.
    const std::size_t lineEnd = lastBytes.rfind("\r\n");
    const std::string_view lastLine =
        lineEnd == std::string_view::npos ? lastBytes : lastBytes.substr(lineEnd + 2);
    std::size_t quotes = 0;
    for (char c : lastLine) quotes += c == '"';
    if (quotes % 2 == 1) return "\"\r\n";
    if (!lastLine.empty() && lastLine.back() == '\r') return "\n";
    return "\r\n";
}

}  // namespace tollvane
