// The program's files in memory, for tests of everything that keeps files. Any step can fail: the
// nth call of one kind, or the nth call overall. A power loss can stop the program at any step:
// from then on nothing reaches the files, and Restart() leaves only what a disk would still hold:
// what was flushed, the directory changes (creations, deletions and the atomic replacing move), and
// with a torn write the first half of the write that was under way together with everything written
// before it to that file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "base/files.h"

namespace tollvane::testing {

enum class FileOp { Open, Read, Write, Seek, Size, Resize, Flush, Stamp, Copy, Move, Delete };

// What a power loss does to the write under way at its step.
enum class Tear { None, HalfWritten };

class MemoryFiles : public Files {
public:
    static constexpr std::uint32_t kPowerLost = 21;  // "the device is not ready"

    struct Entry {
        std::string data;     // as the program sees it
        std::string durable;  // what survives a power loss
        std::uint64_t version = 0;
    };
    std::map<std::string, Entry> entries;
    std::set<std::string> held;        // paths another program holds open
    int heldOpens = 0;                 // this many openings, of any path, find it held first
    std::map<std::string, int> opens;  // of each path

    // A file as it is after a flush.
    void Put(const std::string& path, std::string content) {
        Entry& e = entries[path];
        e.data = content, e.durable = std::move(content), ++e.version;
    }
    bool Has(const std::string& path) const { return entries.count(path) != 0; }
    std::string Text(const std::string& path) const {
        return Has(path) ? entries.at(path).data : std::string();
    }

    // The nth call of this kind (from 1) fails with code; with a path, the nth such call on that
    // file (the target of a copy or move).
    void FailAt(FileOp op, int nth, std::uint32_t code = 5, std::string path = {},
                FileStatus status = FileStatus::Failed) {
        failOp_ = op;
        failNth_ = nth;
        failPath_ = std::move(path);
        failCode_ = {status, code};
        calls_.clear();
    }
    // The power goes at the nth call from now on: it and every later call do nothing.
    void PowerLossAtStep(int nth, Tear tear = Tear::None) {
        lossStep_ = steps_ + nth, tear_ = tear;
    }
    bool PowerLost() const { return powerLost_; }
    // The disk as the next start of the program finds it.
    void Restart() {
        for (auto& [path, e] : entries) e.data = e.durable;
        powerLost_ = false;
        lossStep_ = 0;
        failNth_ = 0;
    }
    // Calls of this kind (on the FailAt file, if one was named) since the last FailAt.
    int Calls(FileOp op) const { return calls_.count(op) ? calls_.at(op) : 0; }

    FileResult Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        file.reset();
        ++opens[path];
        if (auto failed = Step(FileOp::Open, path)) return *failed;
        if (held.count(path) || (heldOpens > 0 && heldOpens--))
            return FileResult::Failure(32, FileStatus::HeldElsewhere);
        if (!Has(path) && mode != OpenMode::CreateAlways && mode != OpenMode::AppendShared &&
            mode != OpenMode::Hold)
            return FileResult::Failure(2, FileStatus::NotFound);
        Entry& e = entries[path];
        // Emptying the file reaches the disk at once, its new content only with a flush.
        if (mode == OpenMode::CreateAlways) {
            e.data.clear();
            e.durable.clear();
            ++e.version;
        }
        file = std::make_unique<Opened>(*this, path);
        return FileResult::Success();
    }
    FileResult Copy(const std::string& from, const std::string& to) override {
        if (auto failed = Step(FileOp::Copy, to)) return *failed;
        if (!Has(from)) return FileResult::Failure(2, FileStatus::NotFound);
        // A copy is not flushed: a new target holds nothing after a loss.
        Entry& target = entries[to];
        target.data = entries[from].data, ++target.version;
        return FileResult::Success();
    }
    FileResult MoveReplace(const std::string& from, const std::string& to) override {
        if (auto failed = Step(FileOp::Move, to)) return *failed;
        if (!Has(from)) return FileResult::Failure(2, FileStatus::NotFound);
        Entry moved = entries[from];
        entries.erase(from);
        ++moved.version;
        entries[to] = std::move(moved);
        return FileResult::Success();
    }
    FileResult Delete(const std::string& path) override {
        if (auto failed = Step(FileOp::Delete, path)) return *failed;
        return entries.erase(path) ? FileResult::Success()
                                   : FileResult::Failure(2, FileStatus::NotFound);
    }
    bool Exists(const std::string& path) override { return Has(path); }
    FileResult Stamp(const std::string& path, FileStamp& stamp) override {
        if (auto failed = Step(FileOp::Stamp, path)) return *failed;
        if (!Has(path)) return FileResult::Failure(2, FileStatus::NotFound);
        stamp = StampOf(entries[path]);
        return FileResult::Success();
    }

private:
    static FileStamp StampOf(const Entry& e) { return {e.data.size(), e.version}; }

    // Counts a call; the failure it must give, if any.
    std::optional<FileResult> Step(FileOp op, const std::string& path,
                                   std::string_view tornBytes = {}, std::uint64_t at = 0) {
        ++steps_;
        const int nth = failPath_.empty() || failPath_ == path ? ++calls_[op] : 0;
        if (powerLost_) return FileResult::Failure(kPowerLost);
        if (lossStep_ != 0 && steps_ >= lossStep_) {
            powerLost_ = true;
            if (tear_ == Tear::HalfWritten && op == FileOp::Write) {
                Entry& e = entries[path];
                WriteInto(e.data, at, tornBytes.substr(0, tornBytes.size() / 2));
                e.durable = e.data;
            }
            return FileResult::Failure(kPowerLost);
        }
        if (failNth_ != 0 && op == failOp_ && nth == failNth_) return failCode_;
        return std::nullopt;
    }

    static void WriteInto(std::string& data, std::uint64_t at, std::string_view bytes) {
        if (data.size() < at + bytes.size()) data.resize(at + bytes.size(), '\0');
        data.replace(at, bytes.size(), bytes);
    }

    class Opened : public File {
    public:
        Opened(MemoryFiles& files, std::string path) : files_(files), path_(std::move(path)) {}

        FileResult Read(char* buffer, std::size_t size, std::size_t& got) override {
            got = 0;
            return Do(FileOp::Read, [&](Entry& e) {
                if (position_ < e.data.size()) got = e.data.copy(buffer, size, position_);
                position_ += got;
            });
        }
        FileResult Write(const char* data, std::size_t size) override {
            if (auto failed = files_.Step(FileOp::Write, path_, {data, size}, position_))
                return *failed;
            return Do(std::nullopt, [&](Entry& e) {
                WriteInto(e.data, position_, {data, size});
                position_ += size, ++e.version;
            });
        }
        FileResult Seek(std::uint64_t offset) override {
            if (auto failed = files_.Step(FileOp::Seek, path_)) return *failed;
            position_ = offset;
            return FileResult::Success();
        }
        FileResult Size(std::uint64_t& size) override {
            return Do(FileOp::Size, [&](Entry& e) { size = e.data.size(); });
        }
        FileResult Resize(std::uint64_t size) override {
            return Do(FileOp::Resize,
                      [&](Entry& e) { e.data.resize(size, '\0'), position_ = size, ++e.version; });
        }
        FileResult Flush() override {
            return Do(FileOp::Flush, [](Entry& e) { e.durable = e.data; });
        }
        FileResult Stamp(FileStamp& stamp) override {
            return Do(FileOp::Stamp, [&](Entry& e) { stamp = StampOf(e); });
        }

    private:
        // The step counted (unless it was already), then the change on the file, perhaps deleted
        // under the handle.
        template <typename Change>
        FileResult Do(std::optional<FileOp> op, Change change) {
            if (auto failed = op ? files_.Step(*op, path_) : std::nullopt) return *failed;
            const auto it = files_.entries.find(path_);
            if (it == files_.entries.end()) return FileResult::Failure(6);
            change(it->second);
            return FileResult::Success();
        }

        MemoryFiles& files_;
        std::string path_;
        std::uint64_t position_ = 0;
    };

    int steps_ = 0, failNth_ = 0, lossStep_ = 0;
    std::map<FileOp, int> calls_;
    std::optional<FileOp> failOp_;
    std::string failPath_;
    FileResult failCode_;
    Tear tear_ = Tear::None;
    bool powerLost_ = false;
};

}  // namespace tollvane::testing
