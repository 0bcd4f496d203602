#include "app/config.h"

#include <cstring>
#include <memory>

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
constexpr int kLineBuffer = 80;

bool IsLine(const char* text, std::size_t length, const char* expected) {
    // expected ends in CR LF; the text may end in CR LF or in LF alone.
    const std::size_t stem = kLineBytes - 2;
    if (length == kLineBytes) return std::memcmp(text, expected, kLineBytes) == 0;
    if (length == stem + 1) return std::memcmp(text, expected, stem) == 0 && text[stem] == '\n';
    return false;
}

}  // namespace

LanguageId ReadConfig(Files& files, const std::string& path) {
    std::unique_ptr<File> file;
    const FileResult opened = files.Open(path, OpenMode::ReadShared, file);
    if (!opened) {
        // Only a missing file is created: one that exists but cannot be read
        // is left as it is rather than emptied.
        if (opened.status == FileStatus::NotFound && files.Open(path, OpenMode::CreateAlways, file)) {
            if (file->Write(kRussianLine, kLineBytes)) file->Flush();
        }
        return LanguageId::Russian;
    }
    // The first line as a C line reader with a buffer of kLineBuffer sees it:
    // up to the first line feed, and no further than a zero byte.
    char line[kLineBuffer] = {};
    std::size_t got = 0;
    if (!ReadFull(*file, line, kLineBuffer - 1, got)) return LanguageId::Russian;
    std::size_t length = 0;
    while (length < got && line[length] != '\0' && line[length++] != '\n') {
    }
    return IsLine(line, length, kEnglishLine) ? LanguageId::English : LanguageId::Russian;
}

bool SaveConfig(Files& files, const std::string& path, LanguageId lang) {
    std::unique_ptr<File> file;
    if (!files.Open(path, OpenMode::ReadWrite, file)) return false;
    const char* text = nullptr;
    if (lang == LanguageId::Russian) text = kRussianLine;
    if (lang == LanguageId::English) text = kEnglishLine;
    if (text == nullptr) return true;
    return file->Write(text, kLineBytes) && file->Flush();
}

}  // namespace tollvane
