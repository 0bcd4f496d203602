// KeyFiles over POSIX calls on a real folder, with failures injected on
// demand: "the 2nd read of keys.data fails with code 0x1E". The cipher under
// test works on the same folder by path, so the files must be real ones.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "keystore/key_files.h"

namespace tollvane::testing {

enum class FileOp { Open, Create, Read, Write, Copy, Move, Delete };

class PosixKeyFiles : public KeyFiles {
public:
    // The nth call (from 1) of op on the file named name fails with code;
    // later calls succeed again. For Copy and Move the name is the target's.
    void FailAt(FileOp op, const std::string& name, int nth, std::uint32_t code) {
        failures_[{op, name}] = {nth, code};
    }
    void ClearFailures() {
        failures_.clear();
        calls_.clear();
    }
    int Calls(FileOp op, const std::string& name) const {
        const auto it = calls_.find({op, name});
        return it == calls_.end() ? 0 : it->second;
    }
    void SetLastSystemError(std::uint32_t code) { lastError_ = code; }

    FileResult Open(const std::string& path, OpenMode mode, std::unique_ptr<KeyFile>& file) override {
        file.reset();
        if (const auto injected = Inject(mode == OpenMode::CreateAlways ? FileOp::Create : FileOp::Open, path))
            return *injected;
        int flags = O_RDONLY;
        if (mode == OpenMode::ReadWrite) flags = O_RDWR;
        if (mode == OpenMode::CreateAlways) flags = O_WRONLY | O_CREAT | O_TRUNC;
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (fd < 0) return Fail(static_cast<std::uint32_t>(errno));
        file = std::make_unique<File>(*this, fd, BaseName(path));
        return FileResult::Success();
    }

    FileResult Copy(const std::string& from, const std::string& to) override {
        if (const auto injected = Inject(FileOp::Copy, to)) return *injected;
        std::string data;
        if (!Slurp(from, data)) return Fail(static_cast<std::uint32_t>(errno));
        const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return Fail(static_cast<std::uint32_t>(errno));
        const bool ok = ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
        ::close(fd);
        return ok ? FileResult::Success() : Fail(static_cast<std::uint32_t>(errno));
    }

    FileResult MoveReplace(const std::string& from, const std::string& to) override {
        if (const auto injected = Inject(FileOp::Move, to)) return *injected;
        if (::rename(from.c_str(), to.c_str()) != 0) return Fail(static_cast<std::uint32_t>(errno));
        return FileResult::Success();
    }

    FileResult Delete(const std::string& path) override {
        if (const auto injected = Inject(FileOp::Delete, path)) return *injected;
        if (::unlink(path.c_str()) != 0) return Fail(static_cast<std::uint32_t>(errno));
        return FileResult::Success();
    }

    bool Exists(const std::string& path) const override {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0;
    }

    std::uint32_t LastSystemError() const override { return lastError_; }

    static bool Slurp(const std::string& path, std::string& data) {
        data.clear();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        char block[65536];
        ssize_t n;
        while ((n = ::read(fd, block, sizeof block)) > 0) data.append(block, static_cast<std::size_t>(n));
        ::close(fd);
        return n == 0;
    }

private:
    class File : public KeyFile {
    public:
        File(PosixKeyFiles& owner, int fd, std::string name) : owner_(owner), fd_(fd), name_(std::move(name)) {}
        ~File() override { ::close(fd_); }
        File(const File&) = delete;
        File& operator=(const File&) = delete;

        FileResult Read(char* buffer, std::size_t size, std::size_t& got) override {
            got = 0;
            if (const auto injected = owner_.Inject(FileOp::Read, name_)) return *injected;
            const ssize_t n = ::read(fd_, buffer, size);
            if (n < 0) return owner_.Fail(static_cast<std::uint32_t>(errno));
            got = static_cast<std::size_t>(n);
            return FileResult::Success();
        }
        FileResult Write(const char* data, std::size_t size) override {
            if (const auto injected = owner_.Inject(FileOp::Write, name_)) return *injected;
            while (size > 0) {
                const ssize_t n = ::write(fd_, data, size);
                if (n < 0) return owner_.Fail(static_cast<std::uint32_t>(errno));
                data += n;
                size -= static_cast<std::size_t>(n);
            }
            return FileResult::Success();
        }

    private:
        PosixKeyFiles& owner_;
        int fd_;
        std::string name_;
    };

    struct Failure {
        int nth;
        std::uint32_t code;
    };

    static std::string BaseName(const std::string& path) {
        const std::size_t slash = path.find_last_of('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    FileResult Fail(std::uint32_t code) {
        lastError_ = code;
        return FileResult::Failure(code);
    }

    std::unique_ptr<FileResult> Inject(FileOp op, const std::string& path) {
        const std::pair<FileOp, std::string> key{op, BaseName(path)};
        const int call = ++calls_[key];
        const auto it = failures_.find(key);
        if (it == failures_.end() || it->second.nth != call) return nullptr;
        return std::make_unique<FileResult>(Fail(it->second.code));
    }

    std::map<std::pair<FileOp, std::string>, Failure> failures_;
    std::map<std::pair<FileOp, std::string>, int> calls_;
    std::uint32_t lastError_ = 0;
};

}  // namespace tollvane::testing
