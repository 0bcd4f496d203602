#include "keystore/key_files.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tollvane {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
// Rewritten lines are gathered up to this size before each write.
constexpr std::size_t kWriteBlock = 64 * 1024;

// Overwrites the whole file with zeros and puts that on the disk. The
// opening's outcome: a file held elsewhere is in use, not left over.
FileResult Zero(Files& files, const std::string& path) {
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    const FileResult opened = files.Open(path, OpenMode::ReadWrite, file);
    if (!opened || !file->Size(size)) return opened;
    const std::string zeros(static_cast<std::size_t>(std::min<std::uint64_t>(size, kWriteBlock)),
                            '\0');
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        if (!file->Write(zeros.data(), n)) return opened;
        left -= n;
    }
    file->Flush();
    return opened;
}

}  // namespace

KeyLineReader::KeyLineReader(File& file) : file_(file), block_(kReadBlock) {}

KeyLineReader::Result KeyLineReader::Next(std::string& line) {
    line.clear();
    for (;;) {
        if (pos_ == end_) {
            if (atEnd_) return Result::End;
            std::size_t got = 0;
            const FileResult read = file_.Read(block_.data(), block_.size(), got);
            if (!read) {
                error_ = read.error;
                return Result::Failed;
            }
            if (got == 0) {
                atEnd_ = true;
                return Result::End;
            }
            pos_ = 0;
            end_ = got;
        }
        const char* start = block_.data() + pos_;
        const std::size_t available = end_ - pos_;
        const void* feed = std::memchr(start, '\n', available);
        if (feed != nullptr) {
            const std::size_t length =
                static_cast<std::size_t>(static_cast<const char*>(feed) - start);
            line.append(start, length);
            pos_ += length + 1;
            return Result::Line;
        }
        line.append(start, available);
        pos_ = end_;
    }
}

KeyLineWriter::KeyLineWriter(File& file) : file_(file) { pending_.reserve(kWriteBlock + 512); }

FileResult KeyLineWriter::Add(const std::string& line) {
    pending_ += line;
    pending_ += '\n';
    return pending_.size() >= kWriteBlock ? Finish() : FileResult::Success();
}

FileResult KeyLineWriter::Finish() {
    if (pending_.empty()) return FileResult::Success();
    const FileResult written = file_.Write(pending_.data(), pending_.size());
    pending_.clear();
    return written;
}

void WipeLeftoverPlainKeys(Files& files, const std::string& directory) {
    // Held for the moment of the wipe, so that no operation starts in the
    // middle of it; held elsewhere, an operation is under way and the plain
    // files are its own.
    std::unique_ptr<File> lock;
    if (files.Open(directory + kKeysLockFile, OpenMode::Hold, lock).status ==
        FileStatus::HeldElsewhere)
        return;
    for (const char* name : {kKeysFile, kTmpKeysFile}) {
        const std::string path = directory + name;
        if (!files.Exists(path)) continue;
        if (Zero(files, path).status == FileStatus::HeldElsewhere) continue;
        files.Delete(path);
    }
}

FirstKeyList MakeFirstKeyList(Files& files, KeyFileCipher& cipher, const std::string& directory) {
    const std::string list = directory + kCrKeysFile;
    const std::string plain = directory + kKeysFile;
    const std::string encrypted = directory + kTmpCrKeysFile;
    FirstKeyList made;
    if (files.Exists(list)) return made;
    std::unique_ptr<File> empty;
    made.file = files.Open(plain, OpenMode::CreateAlways, empty);
    empty.reset();
    if (made.file) made.cipher = EncryptKeyFile(files, cipher, plain, encrypted, kKeyFilePassword);
    if (made.file && !made.cipher) made.file = files.MoveReplace(encrypted, list);
    files.Delete(plain);
    if (!made) files.Delete(encrypted);
    return made;
}

}  // namespace tollvane
