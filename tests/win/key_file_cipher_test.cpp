// The CryptoAPI key file cipher under Wine, over the files in memory: it
// must produce and read exactly the files that the independent OpenSSL
// implementation produced, and show each failed step.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "keystore/win/win_key_file_cipher.h"
#include "support/fakes.h"
#include "support/memory_files.h"

namespace tollvane {
namespace {

using testing::FileOp;

std::string Vector(const std::string& name) {
    std::ifstream in(std::string(TOLLVANE_TEST_DATA) + "/keyfile/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct WinKeyFileCipherTest : ::testing::Test {
    testing::MemoryFiles files;
    testing::FakeMessageBoxes boxes;
    WinKeyFileCipher cipher{files, boxes};
};

// The files are read and written in steps of 960 bytes: the vectors end
// just before, at and after a step's end, in both directions.
TEST_F(WinKeyFileCipherTest, ReadsAndWritesTheIndependentImplementationsFiles) {
    const std::pair<const char*, const char*> vectors[] = {
        {"plain_empty.bin", "cipher_empty.bin"}, {"plain_959.bin", "cipher_959.bin"},
        {"plain_960.bin", "cipher_960.bin"},     {"plain_961.bin", "cipher_961.bin"},
        {"plain_keylist.data", "crkeys_keylist.data"},
    };
    for (const auto& [plain, encrypted] : vectors) {
        SCOPED_TRACE(plain);
        files.Put("plain", Vector(plain));
        files.Put("cipher", Vector(encrypted));
        ASSERT_TRUE(cipher.EncryptKeyFile("plain", "out", kKeyFilePassword));
        EXPECT_EQ(files.entries["out"].durable, files.Text("cipher"));  // on the disk when it returns
        ASSERT_TRUE(cipher.DecryptKeyFile("cipher", "out", kKeyFilePassword));
        EXPECT_EQ(files.Text("out"), files.Text("plain"));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WinKeyFileCipherTest, EachFailedStepIsShownAndReportedFalse) {
    const std::string list = Vector("crkeys_keylist.data");
    const char kDecrypt[] = "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005.";
    const char kWrite[] = "Ошибка записи зашифрованного текста!\nНомер ошибки: 0x00000070.";
    struct Case {
        const char* name;
        bool encrypt;
        std::optional<std::string> source;  // none: no source file at all
        std::optional<FileOp> failing;      // a file step failing with 112
        const char* message;
    };
    const Case cases[] = {
        {"missing source", false, std::nullopt, std::nullopt,
         "Ошибка открытия исходного текстового файла!\nНомер ошибки: 0x00000002."},
        {"corrupt padding", false, list.substr(0, list.size() - 1) + "\x5A", std::nullopt, kDecrypt},
        {"empty cipher text", false, "", std::nullopt, kDecrypt},
        {"target cannot be made", true, list, FileOp::Open,
         "Ошибка открытия файла назначения!\nНомер ошибки: 0x00000070."},
        {"read", true, list, FileOp::Read, "Ошибка чтения открытого текста!\nНомер ошибки: 0x00000070."},
        {"write", false, list, FileOp::Write, kWrite},
        {"flush", true, list, FileOp::Flush, kWrite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        files.entries.clear();
        if (c.source) files.Put("source", *c.source);
        // The source is opened first, so only the second opening can fail here.
        if (c.failing) files.FailAt(*c.failing, *c.failing == FileOp::Open ? 2 : 1, 112);
        const bool ok = c.encrypt ? cipher.EncryptKeyFile("source", "target", kKeyFilePassword)
                                  : cipher.DecryptKeyFile("source", "target", kKeyFilePassword);
        EXPECT_FALSE(ok);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, c.message);
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
        EXPECT_FALSE(!c.source && files.Has("target")) << "the target is made only after the source opens";
        files.FailAt(FileOp::Open, 0);
    }
}

}  // namespace
}  // namespace tollvane
