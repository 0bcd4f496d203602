// The key file cipher over the Windows CryptoAPI.
#pragma once

#include "base/files.h"
#include "base/ui.h"
#include "keystore/key_file_cipher.h"

namespace tollvane {

// Runs a whole file through AES-256-CBC with the key that CryptDeriveKey
// makes from the MD5 hash of the password. Each failed step shows its own
// Russian message with the system error code and the call returns false.
// The files are reached through files; the target is flushed before
// the call returns true.
class WinKeyFileCipher : public KeyFileCipher {
public:
    WinKeyFileCipher(Files& files, MessageBoxes& boxes) : files_(files), boxes_(boxes) {}

    bool EncryptKeyFile(const std::string& source, const std::string& target,
                        const std::string& password) override;
    bool DecryptKeyFile(const std::string& source, const std::string& target,
                        const std::string& password) override;

private:
    bool Transform(bool encrypt, const std::string& source, const std::string& target,
                   const std::string& password);

    Files& files_;
    MessageBoxes& boxes_;
};

}  // namespace tollvane
