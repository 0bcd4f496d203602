// The register file opened through kernel32 for appending: read and write
// access, others may only read while it is open.
#pragma once

#include <string>

#include "register/register_appender.h"

namespace tollvane {

class RegisterFileStorage : public RegisterStorage {
public:
    explicit RegisterFileStorage(std::wstring path) : path_(std::move(path)) {}
    std::unique_ptr<RegisterFile> OpenForAppend(unsigned long& error) override;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace tollvane
