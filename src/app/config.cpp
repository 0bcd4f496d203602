#include "app/config.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

LanguageId ReadConfig(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        // Only a missing file is created: one that exists but cannot be read
        // is left as it is rather than emptied.
        if (errno == ENOENT) {
            if (std::FILE* created = std::fopen(path.c_str(), "wb")) {
                std::fwrite(kRussianLine, 1, kLineBytes, created);
                std::fclose(created);
            }
        }
        return LanguageId::Russian;
    }
    char line[kLineBuffer];
    LanguageId lang = LanguageId::Russian;
    if (std::fgets(line, kLineBuffer, file) != nullptr) {
        const std::size_t length = std::strlen(line);
        if (IsLine(line, length, kEnglishLine)) lang = LanguageId::English;
    }
    std::fclose(file);
    return lang;
}

bool SaveConfig(const std::string& path, LanguageId lang) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr) return false;
    const char* text = nullptr;
    if (lang == LanguageId::Russian) text = kRussianLine;
    if (lang == LanguageId::English) text = kEnglishLine;
    bool ok = true;
    if (text != nullptr) ok = std::fwrite(text, 1, kLineBytes, file) == kLineBytes;
    // A write that fails only at the flush is reported by fclose.
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

}  // namespace tollvane
