#include "base/files.h"

namespace tollvane {

FileResult ReadWholeFile(Files& files, const std::string& path, std::string& text,
                         std::uint64_t limit) {
    text.clear();
    std::unique_ptr<File> file;
    const FileResult opened = files.Open(path, OpenMode::ReadShared, file);
    if (opened.status == FileStatus::NotFound) return FileResult::Success();
    if (!opened) return opened;
    std::uint64_t size = 0;
    if (const FileResult sized = file->Size(size); !sized) return sized;
    text.resize(static_cast<std::size_t>(size < limit ? size : limit));
    std::size_t got = 0;
    const FileResult read = ReadFull(*file, text.data(), text.size(), got);
    text.resize(got);
    return read;
}

FileResult OpenWithShareRetry(Files& files, Sleeper& sleeper, const std::string& path,
                              OpenMode mode, std::unique_ptr<File>& file) {
    for (int pause = 0;; ++pause) {
        const FileResult opened = files.Open(path, mode, file);
        if (opened.status != FileStatus::HeldElsewhere || pause == kShareRetryPauses) return opened;
        sleeper.SleepMs(kShareRetryPauseMs);
    }
}

bool IsProgramFileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // Windows drops trailing dots and blanks: "keys.data." is keys.data.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
    static constexpr std::string_view kNames[] = {
        "cardholders.csv", "issuedcards.csv", "usersdata.data", "crkeys.data",
        "zipkeys.data",    "keys.data",       "appconfig.ini"};
    for (std::string_view own : kNames) {
        if (own.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < own.size() && same; ++i) {
            const char c = name[i];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) == own[i];
        }
        if (same) return true;
    }
    return false;
}

}  // namespace tollvane
