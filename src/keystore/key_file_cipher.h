#pragma once

#include <cstdint>
#include <string>

namespace tollvane {

// The built-in password of the key files (hashed as its 18 bytes).
inline constexpr char kKeyFilePassword[] = "q%58tR&73!9?26#xkw";

// Whole-file AES-256-CBC through the program's Files; the target is on the
// disk when a call succeeds. with the CryptoAPI key derivation from MD5 of the
// password. Each call reports its own failure to the operator and returns
// only success or failure. The Windows implementation uses CryptoAPI; the
// native tests use an independent OpenSSL implementation of the same format.
class KeyFileCipher {
public:
    virtual ~KeyFileCipher() = default;
    virtual bool EncryptKeyFile(const std::string& source, const std::string& target,
                                const std::string& password) = 0;
    virtual bool DecryptKeyFile(const std::string& source, const std::string& target,
                                const std::string& password) = 0;
    // The system error (or cipher error) of the last call that failed.
    std::uint32_t LastError() const { return lastError_; }

protected:
    std::uint32_t lastError_ = 0;
};

}  // namespace tollvane
