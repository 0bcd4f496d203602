// appconfig.ini with any content: the language read, and a switch that rewrites only the first
// line.
#include <algorithm>

#include "app/config.h"
#include "fuzz_target.h"
#include "support/memory_files.h"

// Input: one byte choosing the language to save, then the file's content.
TOLLVANE_FUZZ_HARNESS(config) {
    const std::string path = "appconfig.ini";
    const LanguageId save = (in.Byte() & 1) ? LanguageId::English : LanguageId::Russian;
    const std::string content(in.Rest());
    testing::MemoryFiles files;
    files.Put(path, content);

    // English only for a first line that is exactly the English line, with either line end.
    const bool english =
        content.starts_with("Language = EN;\n") || content.starts_with("Language = EN;\r\n");
    FUZZ_CHECK(ReadConfig(files, path) == (english ? LanguageId::English : LanguageId::Russian));
    FUZZ_CHECK(files.Text(path) == content);  // reading never changes the file

    FUZZ_CHECK(SaveConfig(files, path, save));
    const std::string line =
        save == LanguageId::English ? "Language = EN;\r\n" : "Language = RU;\r\n";
    const std::string after = files.entries[path].durable;
    // Behind a verify option's line the first line is replaced whole; otherwise the start is
    // overwritten.
    const std::size_t feed = content.find('\n');
    const std::string rest = feed == std::string::npos ? "" : content.substr(feed + 1);
    const bool option = rest.starts_with("Verify = ON;") || rest.starts_with("Verify = OFF;");
    const std::string tail = rest.substr(rest.find(';') + 1, 2);
    if (option && (tail.empty() || tail[0] == '\n' || tail == "\r\n" ||
                   (tail == "\r" && rest.size() == rest.find(';') + 2))) {
        FUZZ_CHECK(after == line + rest);
    } else {
        FUZZ_CHECK(after.size() == std::max(content.size(), line.size()) &&
                   after.starts_with(line));
        FUZZ_CHECK(content.size() <= line.size() ||
                   after.compare(line.size(), std::string::npos, content, line.size()) == 0);
    }
    FUZZ_CHECK(ReadConfig(files, path) == save);
}
