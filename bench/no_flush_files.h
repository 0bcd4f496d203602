// kernel32 files whose flush returns at once: a flush measures the disk, not
// the program, and is left out of the usersData.data figures.
#pragma once

#include <memory>

#include "base/win/win_files.h"

namespace bench {

class NoFlushFiles : public tollvane::WinFiles {
public:
    tollvane::FileResult Open(const std::string& path, tollvane::OpenMode mode,
                              std::unique_ptr<tollvane::File>& file) override {
        const tollvane::FileResult opened = WinFiles::Open(path, mode, file);
        if (opened) file = std::make_unique<Unflushed>(std::move(file));
        return opened;
    }

private:
    class Unflushed : public tollvane::File {
    public:
        explicit Unflushed(std::unique_ptr<tollvane::File> f) : f_(std::move(f)) {}
        tollvane::FileResult Read(char* b, std::size_t n, std::size_t& got) override {
            return f_->Read(b, n, got);
        }
        tollvane::FileResult Write(const char* d, std::size_t n) override {
            return f_->Write(d, n);
        }
        tollvane::FileResult Seek(std::uint64_t at) override { return f_->Seek(at); }
        tollvane::FileResult Size(std::uint64_t& size) override { return f_->Size(size); }
        tollvane::FileResult Resize(std::uint64_t size) override { return f_->Resize(size); }
        tollvane::FileResult Flush() override { return tollvane::FileResult::Success(); }
        tollvane::FileResult Stamp(tollvane::FileStamp& stamp) override { return f_->Stamp(stamp); }

    private:
        std::unique_ptr<tollvane::File> f_;
    };
};

}  // namespace bench
