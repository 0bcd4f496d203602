// The program's files over kernel32: the one Windows implementation of Files.
#pragma once

#include "base/files.h"

namespace tollvane {

class WinFiles : public Files {
public:
    FileResult Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override;
    FileResult Copy(const std::string& from, const std::string& to) override;
    FileResult MoveReplace(const std::string& from, const std::string& to) override;
    FileResult Delete(const std::string& path) override;
    bool Exists(const std::string& path) override;
    FileResult Stamp(const std::string& path, FileStamp& stamp) override;
};

}  // namespace tollvane
