// The key list's file operations over kernel32, and the key list over the
// real files and CryptoAPI, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/key_record_form.h"
#include "keystore/key_list.h"
#include "keystore/win/win_key_file_cipher.h"
#include "keystore/win/win_key_files.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = fs::path(temp) / ("tollvane-keys-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(++counter_));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(path_, ignored))
            SetFileAttributesW(entry.path().wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(path_, ignored);
    }
    fs::path operator/(const char* name) const { return path_ / name; }
    std::string Prefix() const { return Utf8(path_) + "\\"; }
    std::string File(const char* name) const { return Utf8(path_ / name); }

private:
    fs::path path_;
    static inline int counter_ = 0;
};

class Holder {
public:
    explicit Holder(const fs::path& path)
        : h_(CreateFileW(path.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr)) {}
    ~Holder() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool Holds() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

TEST(WinKeyFilesTest, FailuresCarryTheSystemCode) {
    ScratchFolder dir;
    WinKeyFiles files;
    std::unique_ptr<KeyFile> file;

    FileResult r = files.Open(dir.File("missing"), OpenMode::Read, file);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(files.Delete(dir.File("missing")).error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(files.Copy(dir.File("missing"), dir.File("copy")));
    EXPECT_FALSE(files.MoveReplace(dir.File("missing"), dir.File("moved")));
    EXPECT_FALSE(fs::exists(dir / "copy"));

    WriteAll(dir / "a", "abc");
    ASSERT_TRUE(files.Open(dir.File("a"), OpenMode::Read, file));
    EXPECT_FALSE(file->Write("x", 1));  // read access only
    // No sharing: a second opening fails while the first holds the file.
    std::unique_ptr<KeyFile> second;
    r = files.Open(dir.File("a"), OpenMode::Read, second);
    EXPECT_EQ(r.error, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
}

TEST(WinKeyFilesTest, ReplacingMoveKeepsTheOldFileWhenItFails) {
    ScratchFolder dir;
    WinKeyFiles files;
    WriteAll(dir / "new", "new");
    WriteAll(dir / "old", "old");
    {
        Holder holder(dir / "old");
        ASSERT_TRUE(holder.Holds());
        EXPECT_FALSE(files.MoveReplace(dir.File("new"), dir.File("old")));
        EXPECT_FALSE(files.Copy(dir.File("new"), dir.File("old")));
    }
    EXPECT_EQ(ReadAll(dir / "old"), "old");
    EXPECT_TRUE(fs::exists(dir / "new"));

    ASSERT_TRUE(files.MoveReplace(dir.File("new"), dir.File("old")));
    EXPECT_EQ(ReadAll(dir / "old"), "new");
    EXPECT_FALSE(files.Exists(dir.File("new")));

    ASSERT_TRUE(files.Copy(dir.File("old"), dir.File("copy")));
    EXPECT_EQ(ReadAll(dir / "copy"), "new");
    EXPECT_TRUE(files.Exists(dir.File("old")));
}

// The key list over kernel32 and CryptoAPI, from a list written by the
// independent implementation.
class WinKeyListTest : public ::testing::Test {
protected:
    WinKeyListTest() {
        t.app.texts.Load(LanguageId::English);
        fs::copy_file(fs::path(TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data", dir / kCrKeysFile);
        list.SetUi(&ui);
    }
    bool PlainFilesGone() const {
        return !fs::exists(dir / kKeysFile) && !fs::exists(dir / kTmpKeysFile) && !fs::exists(dir / kTmpCrKeysFile);
    }

    class Ui : public KeyListUi {
    public:
        std::vector<KeyListRow> rows;
        std::string fields[3];
        void ShowRows(KeyListRows r) override {
            rows.clear();
            for (std::size_t i = 0; i < r.Count(); ++i) rows.push_back(r.Row(i));
        }
        bool IsShowKeysChecked() const override { return true; }
        void SetShowKeysChecked(bool) override {}
        void SetKeyFieldsMasked(bool) override {}
        std::string FieldText(KeyField f) const override { return fields[static_cast<int>(f)]; }
        void SetFieldText(KeyField f, const std::string& text) override { fields[static_cast<int>(f)] = text; }
        void EnableRecordButtons() override {}
        void CloseWindow() override {}
    };

    ScratchFolder dir;
    testing::TestApp t;
    WinKeyFiles files;
    WinKeyFileCipher cipher{t.boxes};
    Ui ui;
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir.Prefix()};
};

TEST_F(WinKeyListTest, WritesTheListTheIndependentImplementationExpects) {
    ASSERT_TRUE(list.LoadKeyList());
    EXPECT_EQ(ui.rows.size(), 24u);
    ui.fields[0] = "FF FF FF FF FF FF";
    ui.fields[1] = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
    ui.fields[2] = "Written by the program";
    list.OnAddNew();
    EXPECT_TRUE(t.boxes.shown.empty());
    EXPECT_EQ(ui.rows.size(), 25u);
    EXPECT_EQ(ReadAll(dir / kCrKeysFile),
              ReadAll(fs::path(TOLLVANE_TEST_DATA) / "keylist" / "crkeys_added.data"));
    EXPECT_EQ(ReadAll(dir / kZipKeysFile), ReadAll(dir / kCrKeysFile));
    EXPECT_TRUE(PlainFilesGone());
}

}  // namespace
}  // namespace tollvane
