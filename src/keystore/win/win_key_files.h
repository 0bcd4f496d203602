// The key list's file operations over kernel32.
#pragma once

#include "keystore/key_files.h"

namespace tollvane {

class WinKeyFiles : public KeyFiles {
public:
    FileResult Open(const std::string& path, OpenMode mode, std::unique_ptr<KeyFile>& file) override;
    FileResult Copy(const std::string& from, const std::string& to) override;
    FileResult MoveReplace(const std::string& from, const std::string& to) override;
    FileResult Delete(const std::string& path) override;
    bool Exists(const std::string& path) const override;
    std::uint32_t LastSystemError() const override;
};

}  // namespace tollvane
