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

}  // namespace tollvane
