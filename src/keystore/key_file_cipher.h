#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/files.h"

namespace tollvane {

// The built-in password of the key files (hashed as its 18 bytes).
inline constexpr char kKeyFilePassword[] = "q%58tR&73!9?26#xkw";

// The step at which a run through the cipher stopped.
enum class CipherStep {
    OpenSource,
    OpenTarget,
    AcquireContext,
    CreateHash,
    HashData,
    DeriveKey,
    Memory,
    ReadSource,
    Encrypt,
    Decrypt,
    WriteTarget,
};

// Why a run stopped: the step, the file it concerned (empty for the
// cryptographic steps) and the system's or the cipher's error code.
struct CipherFailure {
    CipherStep step = CipherStep::OpenSource;
    std::string file;
    std::uint32_t systemError = 0;
    bool operator==(const CipherFailure&) const = default;
};

// Whole-file AES-256-CBC with the CryptoAPI key derivation from MD5 of the
// password. The source is read from an open file, so that its owner may keep
// others out of it for as long as it needs; the target is made (or emptied)
// by name. An encrypted target is on the disk when a run succeeds; a plain
// one is never forced there. A run shows nothing: it reports its failure.
// The Windows implementation uses CryptoAPI; the native tests use a stand-in
// that takes the same file steps, and the benchmarks an OpenSSL twin.
class KeyFileCipher {
public:
    virtual ~KeyFileCipher() = default;
    virtual std::optional<CipherFailure> Encrypt(File& source, const std::string& sourceName,
                                                 const std::string& target,
                                                 const std::string& password) = 0;
    virtual std::optional<CipherFailure> Decrypt(File& source, const std::string& sourceName,
                                                 const std::string& target,
                                                 const std::string& password) = 0;
};

// The same with the source named: opened for reading without sharing, and
// closed again afterwards. A missing source makes no target.
std::optional<CipherFailure> EncryptKeyFile(Files& files, KeyFileCipher& cipher,
                                            const std::string& source, const std::string& target,
                                            const std::string& password);
std::optional<CipherFailure> DecryptKeyFile(Files& files, KeyFileCipher& cipher,
                                            const std::string& source, const std::string& target,
                                            const std::string& password);

// The operator's text for a failure: the step's text, which exists in Russian
// only and is shown whatever the language, a line break, "Номер ошибки: " and
// the code as "0x" and eight upper-case hexadecimal digits, then a full stop.
std::string CipherFailureText(const CipherFailure& failure);

}  // namespace tollvane
