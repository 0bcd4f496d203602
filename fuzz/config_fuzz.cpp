// appconfig.ini with any content: the language read, and a language switch
// that rewrites the first line and keeps the rest of the file.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/config.h"
#include "fuzz_target.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool StartsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte choosing the language to save, then the file's content.
TOLLVANE_FUZZ_HARNESS(config) {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("tollvane-fuzz-" + std::to_string(::getpid()) + ".ini")).string();
    static const int cleanup = std::atexit([] { std::remove(path.c_str()); });
    (void)cleanup;
    Bytes in(data, size);
    const LanguageId save = (in.Byte() & 1) ? LanguageId::English : LanguageId::Russian;
    const std::string content(in.Rest());
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(content.data(), static_cast<std::streamsize>(content.size()));
    }

    // English only for a first line that is exactly the English line, with
    // either line end; anything else, Russian.
    const bool english = StartsWith(content, "Language = EN;\n") || StartsWith(content, "Language = EN;\r\n");
    FUZZ_CHECK(ReadConfig(path) == (english ? LanguageId::English : LanguageId::Russian));

    // The switch writes the line from the start and leaves what follows it.
    FUZZ_CHECK(SaveConfig(path, save));
    const std::string line = save == LanguageId::English ? "Language = EN;\r\n" : "Language = RU;\r\n";
    const std::string after = ReadAll(path);
    FUZZ_CHECK(after.size() == std::max(content.size(), line.size()));
    FUZZ_CHECK(after.compare(0, line.size(), line) == 0);
    FUZZ_CHECK(content.size() <= line.size() || after.compare(line.size(), std::string::npos, content, line.size()) == 0);
    FUZZ_CHECK(ReadConfig(path) == save);
}
