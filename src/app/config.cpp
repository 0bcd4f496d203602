#include "app/config.h"

#include <cstring>
#include <memory>
#include <string>

namespace tollvane {

namespace {

// The lines are written with CR LF on every platform, as a text-mode write
// on Windows does; reading accepts CR LF or a lone LF.
constexpr char kRussianLine[] = "Language = RU;\r\n";
constexpr char kEnglishLine[] = "Language = EN;\r\n";
constexpr std::size_t kLineBytes = sizeof kRussianLine - 1;
static_assert(sizeof kRussianLine == sizeof kEnglishLine);

// The first line is read into a buffer of this size, so a longer line is
// seen in pieces and only its first piece is compared.
constexpr std::size_t kLineBuffer = 80;

bool IsLine(const char* text, std::size_t length, const char* expected) {
    // expected ends in CR LF; the text may end in CR LF or in LF alone.
    const std::size_t stem = kLineBytes - 2;
    if (length == kLineBytes) return std::memcmp(text, expected, kLineBytes) == 0;
    if (length == stem + 1) return std::memcmp(text, expected, stem) == 0 && text[stem] == '\n';
    return false;
}

constexpr char kVerifyOnLine[] = "Verify = ON;\r\n";
constexpr char kVerifyOffLine[] = "Verify = OFF;\r\n";
// appconfig.ini is a few lines; a file past this size is not one to read or rewrite.
constexpr std::uint64_t kConfigMaxBytes = 64 * 1024;

// The whole file, or false.
bool ReadWhole(File& file, std::string& text) {
    std::uint64_t size = 0;
    if (!file.Size(size) || size > kConfigMaxBytes) return false;
    text.assign(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    return file.Seek(0) && ReadFull(file, text.data(), text.size(), got) && got == text.size();
}

// Where the line that begins at from ends, its line feed included.
std::size_t LineEnd(const std::string& text, std::size_t from) {
    const std::size_t feed = text.find('\n', from);
    return feed == std::string::npos ? text.size() : feed + 1;
}

// The language a file starting with text means, as ReadConfig sees it: the
// first line up to its line feed, within the reader's buffer, cut at a zero byte.
LanguageId LanguageOf(const std::string& text) {
    std::size_t length = 0;
    const std::size_t got = text.size() < kLineBuffer - 1 ? text.size() : kLineBuffer - 1;
    while (length < got && text[length] != '\0' && text[length++] != '\n') {}
    return IsLine(text.data(), length, kEnglishLine) ? LanguageId::English : LanguageId::Russian;
}

const char* LanguageLine(LanguageId lang) {
    if (lang == LanguageId::Russian) return kRussianLine;
    if (lang == LanguageId::English) return kEnglishLine;
    return nullptr;
}

// The second line, without its line end.
std::string SecondLine(const std::string& text) {
    const std::size_t from = LineEnd(text, 0);
    std::string line = text.substr(from, LineEnd(text, from) - from);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool IsVerifyLine(const std::string& line) {
    return line == "Verify = ON;" || line == "Verify = OFF;";
}

bool WriteWhole(File& file, const std::string& text) {
    return file.Seek(0) && file.Write(text.data(), text.size()) && file.Resize(text.size()) &&
           file.Flush();
}

}  // namespace

LanguageId ReadConfig(Files& files, const std::string& path) {
    std::unique_ptr<File> file;
    const FileResult opened = files.Open(path, OpenMode::ReadShared, file);
    if (!opened) {
        // Only a missing file is created: one that exists but cannot be read
        // is left as it is rather than emptied.
        if (opened.status == FileStatus::NotFound &&
            files.Open(path, OpenMode::CreateAlways, file)) {
            if (file->Write(kRussianLine, kLineBytes)) file->Flush();
        }
        return LanguageId::Russian;
    }
    // The first line as a C line reader with a buffer of kLineBuffer sees it:
    // up to the first line feed, and no further than a zero byte.
    char line[kLineBuffer] = {};
    std::size_t got = 0;
    if (!ReadFull(*file, line, kLineBuffer - 1, got)) return LanguageId::Russian;
    return LanguageOf(std::string(line, got));
}

bool SaveConfig(Files& files, const std::string& path, LanguageId lang) {
    std::unique_ptr<File> file;
    if (!files.Open(path, OpenMode::ReadWrite, file)) return false;
    const char* text = LanguageLine(lang);
    if (text == nullptr) return true;
    // A file with the verify option on its second line gets its whole first
    // line replaced: put over the start, the 16 bytes would cut into the
    // option's line behind a first line of another length (trailing blanks,
    // a lone line feed). Any other file has its start overwritten, as always.
    std::string whole;
    if (ReadWhole(*file, whole) && IsVerifyLine(SecondLine(whole)))
        return WriteWhole(*file, text + whole.substr(LineEnd(whole, 0)));
    return file->Seek(0) && file->Write(text, kLineBytes) && file->Flush();
}

bool ReadVerifyAfterWrite(Files& files, const std::string& path) {
    std::unique_ptr<File> file;
    std::string text;
    if (!files.Open(path, OpenMode::ReadShared, file) || !ReadWhole(*file, text)) return false;
    return SecondLine(text) == "Verify = ON;";
}

bool SaveVerifyAfterWrite(Files& files, const std::string& path, bool on) {
    std::unique_ptr<File> file;
    std::string text;
    if (!files.Open(path, OpenMode::ReadWrite, file) || !ReadWhole(*file, text)) return false;
    const std::size_t from = LineEnd(text, 0);
    std::string saved = text.substr(0, from);
    // The first line ends in CR LF, as the language's save writes it: that
    // save puts its 16 bytes over the start and must end where this line does.
    if (saved.empty() || saved.back() != '\n')
        saved += "\r\n";
    else if (saved.size() < 2 || saved[saved.size() - 2] != '\r')
        saved.insert(saved.size() - 1, "\r");
    // A line end added to a first line that had none can make it say English
    // ("Language = EN;" alone reads as Russian): the first line then becomes
    // the line of the language it meant before.
    const LanguageId meant = LanguageOf(text);
    if (LanguageOf(saved) != meant) saved = LanguageLine(meant);
    saved += on ? kVerifyOnLine : kVerifyOffLine;
    saved += text.substr(LineEnd(text, from));
    return WriteWhole(*file, saved);
}

}  // namespace tollvane
