// The OpenSSL twin of the key file format against the committed vectors,
// which the CryptoAPI implementation reproduces under Wine: the key list
// tests build on it, so it must read and write exactly those files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "native/openssl_key_file_cipher.h"
#include "support/memory_files.h"

namespace tollvane {
namespace {

std::string Vector(const std::string& name) {
    std::ifstream in(std::string(TOLLVANE_TEST_DATA) + "/keyfile/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OpenSslKeyFileCipher, DerivesTheIndependentlyComputedKey) {
    // Computed separately with Python's hashlib from the published procedure.
    const std::array<std::uint8_t, 32> expected = {
        0x39, 0xCF, 0xE0, 0xE7, 0x2A, 0x53, 0x2C, 0x86, 0x86, 0x3C, 0x36, 0x7B, 0x21, 0x71, 0x99, 0x9E,
        0x53, 0xE8, 0x81, 0x15, 0x2E, 0x55, 0x34, 0x2F, 0x67, 0x1A, 0x21, 0x7E, 0xE6, 0xA7, 0x2F, 0x6A};
    EXPECT_EQ(OpenSslKeyFileCipher::DeriveKey(kKeyFilePassword), expected);
}

TEST(OpenSslKeyFileCipher, ReadsAndWritesEveryCommittedVector) {
    testing::MemoryFiles files;
    OpenSslKeyFileCipher cipher(files);
    for (const char* size : {"empty.bin", "959.bin", "960.bin", "961.bin"}) {
        SCOPED_TRACE(size);
        files.Put("plain", Vector(std::string("plain_") + size));
        files.Put("cipher", Vector(std::string("cipher_") + size));
        ASSERT_FALSE(EncryptKeyFile(files, cipher, "plain", "out", kKeyFilePassword));
        EXPECT_EQ(files.entries["out"].durable, files.Text("cipher"));  // flushed, too
        ASSERT_FALSE(DecryptKeyFile(files, cipher, "cipher", "out", kKeyFilePassword));
        EXPECT_EQ(files.Text("out"), files.Text("plain"));
    }
    // A wrong password is caught by the padding check.
    const auto failure = DecryptKeyFile(files, cipher, "cipher", "out", "q%58tR&73!9?26#xkW");
    ASSERT_TRUE(failure);
    EXPECT_EQ(CipherFailureText(*failure), "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005.");
}

}  // namespace
}  // namespace tollvane
