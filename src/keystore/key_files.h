// The key list's files and the steps they go through: keys.data read line
// by line and written in blocks, the plain files wiped after a crash, and
// the first, empty list of a new installation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "keystore/key_file_cipher.h"

namespace tollvane {

inline constexpr char kCrKeysFile[] = "crkeys.data";
inline constexpr char kKeysFile[] = "keys.data";
inline constexpr char kTmpKeysFile[] = "TmpKeys.data";
inline constexpr char kTmpCrKeysFile[] = "TmpCrKeys.data";
inline constexpr char kZipKeysFile[] = "zipkeys.data";
// Held open, without sharing, for the whole of a key list operation: the
// stations sharing a folder take turns on it. It stays in the folder, empty.
inline constexpr char kKeysLockFile[] = "keys.lock";

// keys.data read in large blocks and split into lines in memory; the lines
// come out exactly as a byte-by-byte reader would find them.
class KeyLineReader {
public:
    enum class Result { Line, End, Failed };

    explicit KeyLineReader(File& file);

    // The next line without its line feed. Bytes after the last line feed
    // are not a line: they are dropped at the end of the file.
    Result Next(std::string& line);
    std::uint32_t Error() const { return error_; }

private:
    File& file_;
    std::vector<char> block_;
    std::size_t pos_ = 0, end_ = 0;
    bool atEnd_ = false;
    std::uint32_t error_ = 0;
};

// Gathers lines and writes them in large blocks; Finish writes the rest.
// The plain files are never flushed: they must not outlive a crash anyway.
class KeyLineWriter {
public:
    explicit KeyLineWriter(File& file);
    FileResult Add(const std::string& line);
    FileResult Finish();

private:
    File& file_;
    std::string pending_;
};

// A keys.data or TmpKeys.data that a crash left behind holds the key list in
// plain text: each is overwritten with zeros, put on the disk and deleted.
// Called first thing at start-up. While another station's operation holds
// the key list its plain files are not leftovers, and they are left alone.
// directory is put in front of the names.
void WipeLeftoverPlainKeys(Files& files, const std::string& directory = {});

// How making the first list ended: made, or there already, when neither
// the cipher nor a file step failed.
struct FirstKeyList {
    std::optional<CipherFailure> cipher;
    FileResult file;
    explicit operator bool() const { return !cipher && file; }
};

// Makes crkeys.data hold the empty list when there is no crkeys.data yet;
// an existing list is never replaced. The list is encrypted into
// TmpCrKeys.data and moved into place in one step, so crkeys.data is
// either absent or whole.
FirstKeyList MakeFirstKeyList(Files& files, KeyFileCipher& cipher,
                              const std::string& directory = {});

}  // namespace tollvane
