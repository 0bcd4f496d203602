// A second, independent implementation of the key file format over OpenSSL's
// libcrypto, so that the key list benchmark runs natively at the cost of the
// real cipher (the CryptoAPI one reads and writes the same files on Windows).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/files.h"
#include "keystore/key_file_cipher.h"

namespace tollvane {

class OpenSslKeyFileCipher : public KeyFileCipher {
public:
    explicit OpenSslKeyFileCipher(Files& files) : files_(files) {}

    std::optional<CipherFailure> Encrypt(File& source, const std::string& sourceName,
                                         const std::string& target,
                                         const std::string& password) override;
    std::optional<CipherFailure> Decrypt(File& source, const std::string& sourceName,
                                         const std::string& target,
                                         const std::string& password) override;

    // The AES-256 key that CryptDeriveKey makes from an MD5 hash of the
    // password: the hash is XORed into a 64-byte block of 0x36 and one of
    // 0x5C, each block is hashed again, and the first 32 bytes of the two
    // hashes side by side are the key.
    static std::array<std::uint8_t, 32> DeriveKey(const std::string& password);

private:
    std::optional<CipherFailure> Transform(bool encrypt, File& source,
                                           const std::string& sourceName, const std::string& target,
                                           const std::string& password);

    Files& files_;
};

}  // namespace tollvane
