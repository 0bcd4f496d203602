// The OpenSSL implementation of the key file format against the committed
// vectors, which the CryptoAPI implementation must also reproduce under Wine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "native/openssl_key_file_cipher.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

class RecordingBoxes : public MessageBoxes {
public:
    void Show(const std::string& text, MessageIcon icon) override {
        texts.push_back(text);
        icons.push_back(icon);
    }
    void ShowSystemError(const std::string& text) override { texts.push_back(text); }
    bool AskYesNo(const std::string&) override { return false; }

    std::vector<std::string> texts;
    std::vector<MessageIcon> icons;
};

using Bytes = std::vector<char>;

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

const fs::path kVectors = fs::path(TOLLVANE_TEST_DATA) / "keyfile";

struct Vector {
    const char* plain;
    const char* cipher;
};

const Vector kVectorFiles[] = {
    {"plain_empty.bin", "cipher_empty.bin"},
    {"plain_959.bin", "cipher_959.bin"},
    {"plain_960.bin", "cipher_960.bin"},
    {"plain_961.bin", "cipher_961.bin"},
    {"plain_keylist.data", "crkeys_keylist.data"},
};

class OpenSslKeyFileCipherTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tollvane-keyfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
    RecordingBoxes boxes_;
    OpenSslKeyFileCipher cipher_{boxes_};
};

TEST(OpenSslKeyDerivation, MatchesIndependentlyComputedKey) {
    // Computed separately with Python's hashlib from the published procedure.
    const std::array<std::uint8_t, 32> expected = {
        0x39, 0xCF, 0xE0, 0xE7, 0x2A, 0x53, 0x2C, 0x86, 0x86, 0x3C, 0x36, 0x7B, 0x21, 0x71, 0x99, 0x9E,
        0x53, 0xE8, 0x81, 0x15, 0x2E, 0x55, 0x34, 0x2F, 0x67, 0x1A, 0x21, 0x7E, 0xE6, 0xA7, 0x2F, 0x6A};
    EXPECT_EQ(OpenSslKeyFileCipher::DeriveKey(kKeyFilePassword), expected);
}

TEST_F(OpenSslKeyFileCipherTest, EncryptsEveryVectorToTheCommittedCipherText) {
    for (const auto& v : kVectorFiles) {
        SCOPED_TRACE(v.plain);
        const Bytes plain = ReadBytes(kVectors / v.plain);
        ASSERT_TRUE(cipher_.EncryptKeyFile((kVectors / v.plain).string(), Path("out"), kKeyFilePassword));
        const Bytes encrypted = ReadBytes(Path("out"));
        EXPECT_EQ(encrypted.size(), 16 * (plain.size() / 16 + 1));
        EXPECT_EQ(encrypted, ReadBytes(kVectors / v.cipher));
    }
    EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(OpenSslKeyFileCipherTest, DecryptsEveryCommittedCipherText) {
    for (const auto& v : kVectorFiles) {
        SCOPED_TRACE(v.cipher);
        ASSERT_TRUE(cipher_.DecryptKeyFile((kVectors / v.cipher).string(), Path("out"), kKeyFilePassword));
        EXPECT_EQ(ReadBytes(Path("out")), ReadBytes(kVectors / v.plain));
    }
    EXPECT_TRUE(boxes_.texts.empty());
}

struct FailureCase {
    const char* name;
    bool encrypt;
    // Cipher-text bytes to put in "source", or null for no source at all.
    Bytes (*source)();
    const char* target;  // relative to the test folder
    const char* message;
};

Bytes KeyListCipher() { return ReadBytes(kVectors / "crkeys_keylist.data"); }
Bytes OddLength() {
    Bytes b = KeyListCipher();
    b.pop_back();
    return b;
}
Bytes CorruptPadding() {
    Bytes b = KeyListCipher();
    b.back() ^= 0x5A;
    return b;
}
Bytes Empty() { return {}; }

TEST_F(OpenSslKeyFileCipherTest, FailuresShowTheirStepAndReportFalse) {
    const FailureCase cases[] = {
        {"missing source", false, nullptr, "target",
         "Ошибка открытия исходного текстового файла!\nНомер ошибки: 0x00000002."},
        {"missing source, encrypt", true, nullptr, "target",
         "Ошибка открытия исходного текстового файла!\nНомер ошибки: 0x00000002."},
        {"length not a multiple of 16", false, OddLength, "target",
         "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005."},
        {"corrupt padding", false, CorruptPadding, "target",
         "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005."},
        {"empty cipher text", false, Empty, "target",
         "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005."},
        {"target in a missing folder", true, KeyListCipher, "no-such-folder/target",
         "Ошибка открытия файла назначения!\nНомер ошибки: 0x00000002."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes_.texts.clear();
        boxes_.icons.clear();
        fs::remove(Path("source"));
        fs::remove(Path("target"));
        if (c.source) WriteBytes(Path("source"), c.source());

        const bool ok = c.encrypt ? cipher_.EncryptKeyFile(Path("source"), Path(c.target), kKeyFilePassword)
                                  : cipher_.DecryptKeyFile(Path("source"), Path(c.target), kKeyFilePassword);
        EXPECT_FALSE(ok);
        ASSERT_EQ(boxes_.texts.size(), 1u);
        EXPECT_EQ(boxes_.texts[0], c.message);
        EXPECT_EQ(boxes_.icons[0], MessageIcon::Error);
        // The target is opened only after the source.
        if (!c.source) {
            EXPECT_FALSE(fs::exists(Path(c.target)));
        }
    }
}

TEST_F(OpenSslKeyFileCipherTest, WrongPasswordIsCaughtByThePaddingCheck) {
    EXPECT_FALSE(cipher_.DecryptKeyFile((kVectors / "crkeys_keylist.data").string(), Path("out"),
                                        "q%58tR&73!9?26#xkW"));
    ASSERT_EQ(boxes_.texts.size(), 1u);
    EXPECT_EQ(boxes_.texts[0], "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005.");
}

}  // namespace
}  // namespace tollvane
