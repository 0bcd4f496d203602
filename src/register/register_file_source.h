// The register file read for the window, opened for each look and shared
// with the stations that write it.
#pragma once

#include <string>

#include "base/files.h"
#include "register/register_browser.h"

namespace tollvane {

class RegisterFileSource : public RegisterSource {
public:
    RegisterFileSource(Files& files, std::string path) : files_(files), path_(std::move(path)) {}

    bool Size(std::uint64_t& size) override;
    bool ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) override;
    // The outcome of the last failure: NotFound for a register not yet made.
    const FileResult& LastFailure() const { return lastFailure_; }
    unsigned long LastError() const { return lastFailure_.error; }

private:
    bool Fail(const FileResult& failure);

    Files& files_;
    std::string path_;
    FileResult lastFailure_;
};

// Writes the rows the browser shows to path as a register of their own
// (RegisterBrowser::Export) and flushes it. A failed export leaves no file
// behind: half a register would pass for a whole one. The failure carries
// the system error of the step that failed: the export's open, write or
// flush, or the register's read.
FileResult ExportRegister(RegisterBrowser& browser, const RegisterFileSource& source, Files& files,
                          const std::string& path);

}  // namespace tollvane
