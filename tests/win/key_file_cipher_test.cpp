// The CryptoAPI key file cipher under Wine: it must produce and read exactly
// the files that the independent OpenSSL implementation produced.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "keystore/win/win_key_file_cipher.h"

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

// Opens a file with no sharing at all: fails while anyone else holds it.
HANDLE OpenExclusive(const fs::path& path) {
    return CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool NobodyHolds(const fs::path& path) {
    HANDLE h = OpenExclusive(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
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

constexpr char kSourceMessage[] = "Ошибка открытия исходного текстового файла!\nНомер ошибки: 0x00000002.";
constexpr char kDecryptMessage[] = "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005.";

class WinKeyFileCipherTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               (std::string("tollvane-keyfile-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
    RecordingBoxes boxes_;
    WinKeyFileCipher cipher_{boxes_};
};

TEST_F(WinKeyFileCipherTest, EncryptsEveryVectorToTheCommittedCipherText) {
    for (const auto& v : kVectorFiles) {
        SCOPED_TRACE(v.plain);
        ASSERT_TRUE(cipher_.EncryptKeyFile((kVectors / v.plain).string(), Path("out"), kKeyFilePassword));
        EXPECT_EQ(ReadBytes(Path("out")), ReadBytes(kVectors / v.cipher));
    }
    EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(WinKeyFileCipherTest, DecryptsEveryCommittedCipherText) {
    for (const auto& v : kVectorFiles) {
        SCOPED_TRACE(v.cipher);
        ASSERT_TRUE(cipher_.DecryptKeyFile((kVectors / v.cipher).string(), Path("out"), kKeyFilePassword));
        EXPECT_EQ(ReadBytes(Path("out")), ReadBytes(kVectors / v.plain));
    }
    EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(WinKeyFileCipherTest, CipherTextThatFillsWholeChunksDecrypts) {
    // 1920 plain bytes give 1936; 1904 give 1920 bytes, two full chunks of
    // cipher text, so the last step holding data is also the final one.
    for (size_t length : {1904u, 1919u, 1920u, 2880u}) {
        SCOPED_TRACE(length);
        Bytes plain(length);
        for (size_t i = 0; i < length; ++i) plain[i] = static_cast<char>(i * 7 + length);
        WriteBytes(Path("plain"), plain);
        ASSERT_TRUE(cipher_.EncryptKeyFile(Path("plain"), Path("cipher"), kKeyFilePassword));
        EXPECT_EQ(fs::file_size(Path("cipher")), 16 * (length / 16 + 1));
        ASSERT_TRUE(cipher_.DecryptKeyFile(Path("cipher"), Path("back"), kKeyFilePassword));
        EXPECT_EQ(ReadBytes(Path("back")), plain);
    }
    EXPECT_TRUE(boxes_.texts.empty());
}

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

struct FailureCase {
    const char* name;
    bool encrypt;
    Bytes (*source)();  // null: no source file at all
    const char* target;
    const char* message;
};

TEST_F(WinKeyFileCipherTest, FailuresShowTheirStepReleaseTheFilesAndReportFalse) {
    const FailureCase cases[] = {
        {"missing source", false, nullptr, "target", kSourceMessage},
        {"missing source, encrypt", true, nullptr, "target", kSourceMessage},
        {"length not a multiple of 16", false, OddLength, "target", kDecryptMessage},
        {"corrupt padding", false, CorruptPadding, "target", kDecryptMessage},
        {"empty cipher text", false, Empty, "target", kDecryptMessage},
        {"target in a missing folder", true, KeyListCipher, "no-such-folder\\target",
         "Ошибка открытия файла назначения!\nНомер ошибки: 0x00000003."},
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
        if (c.source) {
            EXPECT_TRUE(NobodyHolds(Path("source")));
        } else {
            // The target is opened only after the source.
            EXPECT_FALSE(fs::exists(Path(c.target)));
        }
        if (fs::exists(Path(c.target))) {
            EXPECT_TRUE(NobodyHolds(Path(c.target)));
        }
    }
}

}  // namespace
}  // namespace tollvane
