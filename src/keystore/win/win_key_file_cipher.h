// The key file cipher over the Windows CryptoAPI.
#pragma once

#include "base/files.h"
#include "keystore/key_file_cipher.h"

namespace tollvane {

// Runs a whole file through AES-256-CBC with the key that CryptDeriveKey
// makes from the MD5 hash of the password. The target is made through
// files; an encrypted target is flushed before a run succeeds.
class WinKeyFileCipher : public KeyFileCipher {
public:
    explicit WinKeyFileCipher(Files& files) : files_(files) {}

    std::optional<CipherFailure> Encrypt(File& source, const std::string& sourceName,
                                         const std::string& target,
                                         const std::string& password) override;
    std::optional<CipherFailure> Decrypt(File& source, const std::string& sourceName,
                                         const std::string& target,
                                         const std::string& password) override;

private:
    std::optional<CipherFailure> Transform(bool encrypt, File& source,
                                           const std::string& sourceName, const std::string& target,
                                           const std::string& password);

    Files& files_;
};

}  // namespace tollvane
