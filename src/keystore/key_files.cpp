#include "keystore/key_files.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "keystore/key_list.h"

namespace tollvane {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
// Rewritten lines are gathered up to this size before each write.
constexpr std::size_t kWriteBlock = 64 * 1024;

// Overwrites the whole file with zeros and puts that on the disk.
void Zero(Files& files, const std::string& path) {
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    if (!files.Open(path, OpenMode::ReadWrite, file) || !file->Size(size)) return;
    const std::string zeros(static_cast<std::size_t>(std::min<std::uint64_t>(size, kWriteBlock)), '\0');
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        if (!file->Write(zeros.data(), n)) return;
        left -= n;
    }
    file->Flush();
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
            const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(feed) - start);
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
    for (const char* name : {kKeysFile, kTmpKeysFile}) {
        const std::string path = directory + name;
        if (!files.Exists(path)) continue;
        Zero(files, path);
        files.Delete(path);
    }
}

bool MakeFirstKeyList(Files& files, KeyFileCipher& cipher, const std::string& directory) {
    const std::string list = directory + kCrKeysFile;
    const std::string plain = directory + kKeysFile;
    const std::string encrypted = directory + kTmpCrKeysFile;
    if (files.Exists(list)) return true;
    std::unique_ptr<File> empty;
    bool made = static_cast<bool>(files.Open(plain, OpenMode::CreateAlways, empty));
    empty.reset();
    made = made && cipher.EncryptKeyFile(plain, encrypted, kKeyFilePassword) &&
           files.MoveReplace(encrypted, list);
    files.Delete(plain);
    if (!made) files.Delete(encrypted);
    return made;
}

// --- The key list's own steps around every operation --------------------------

bool KeyList::Decrypt() {
    if (cipher_.DecryptKeyFile(PathOf(kCrKeysFile), PathOf(kKeysFile), kKeyFilePassword)) return true;
    // A decryption that stops halfway has already written part of the plain
    // list; it must not stay on the disk.
    files_.Delete(PathOf(kKeysFile));
    return false;
}

// No plain copy of the list outlives an operation, whichever way it ends.
void KeyList::RemovePlainFiles() {
    files_.Delete(PathOf(kKeysFile));
    files_.Delete(PathOf(kTmpKeysFile));
}

bool KeyList::ReencryptKeyList() {
    if (!cipher_.EncryptKeyFile(PathOf(kKeysFile), PathOf(kTmpCrKeysFile), kKeyFilePassword)) {
        files_.Delete(PathOf(kTmpCrKeysFile));
        ShowError(Msg::kEncryptionFailed, cipher_.LastError());
        return false;
    }
    // One replacing move: crkeys.data holds either the old list or the new
    // one at every moment, and is never missing. The cipher has put the new
    // list on the disk before it.
    const FileResult moved = files_.MoveReplace(PathOf(kTmpCrKeysFile), PathOf(kCrKeysFile));
    if (!moved) {
        files_.Delete(PathOf(kTmpCrKeysFile));
        ShowError(Msg::kCrKeysDataProblem, moved.error);
        return false;
    }
    // The backup copy is a convenience; its failure changes nothing above.
    files_.Copy(PathOf(kCrKeysFile), PathOf(kZipKeysFile));
    return true;
}

}  // namespace tollvane
