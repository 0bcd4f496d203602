// The register of issued cards in memory, failing at the step a test names.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "register/register_appender.h"

namespace tollvane::testing {

class MemoryStorage : public RegisterStorage {
public:
    std::string file;
    int busyOpens = 0;               // openings that find the file held elsewhere
    unsigned long openError = 0;     // other than 0: every opening fails so
    std::optional<RegisterStep> failAt;
    std::vector<std::string> appends;

    std::unique_ptr<RegisterFile> OpenForAppend(unsigned long& error) override {
        error = busyOpens > 0 ? (--busyOpens, kErrorSharingViolation) : openError;
        if (error != 0) return nullptr;
        return std::make_unique<Opened>(*this);
    }

private:
    class Opened : public RegisterFile {
    public:
        explicit Opened(MemoryStorage& s) : s_(s) {}
        bool Size(std::uint64_t& size) override {
            size = s_.file.size();
            return true;
        }
        bool ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) override {
            got = s_.file.copy(bytes, n, offset);
            return s_.failAt != RegisterStep::Read;
        }
        bool Append(std::string_view bytes) override {
            if (s_.failAt == RegisterStep::Write) return false;
            s_.appends.emplace_back(bytes);
            s_.file += bytes;
            return true;
        }
        bool Flush() override { return s_.failAt != RegisterStep::Flush; }
        unsigned long LastError() const override { return 112; }

    private:
        MemoryStorage& s_;
    };
};

}  // namespace tollvane::testing
