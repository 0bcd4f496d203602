// The register file read through kernel32, opened for each look and shared
// with the stations that write it.
#pragma once

#include <string>

#include "register/register_browser.h"

namespace tollvane {

class RegisterFileSource : public RegisterSource {
public:
    explicit RegisterFileSource(std::wstring path) : path_(std::move(path)) {}

    bool Size(std::uint64_t& size) override;
    bool ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) override;
    // The system error of the last failure.
    unsigned long LastError() const { return lastError_; }

private:
    std::wstring path_;
    unsigned long lastError_ = 0;
};

}  // namespace tollvane
