#include "base/files.h"

namespace tollvane {

FileResult OpenWithShareRetry(Files& files, Sleeper& sleeper, const std::string& path, OpenMode mode,
                              std::unique_ptr<File>& file) {
    for (int pause = 0;; ++pause) {
        const FileResult opened = files.Open(path, mode, file);
        if (opened.status != FileStatus::HeldElsewhere || pause == kShareRetryPauses) return opened;
        sleeper.SleepMs(kShareRetryPauseMs);
    }
}

}  // namespace tollvane
