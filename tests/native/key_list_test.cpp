// The key list operations on real files in a scratch folder, with the
// independent OpenSSL cipher, and with failures injected at every file and
// cipher step.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "app/form_rules.h"
#include "carddata/hex_text.h"
#include "app/key_record_form.h"
#include "keystore/key_list.h"
#include "native/openssl_key_file_cipher.h"
#include "native/posix_key_files.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::FakeMessageBoxes;
using testing::FileOp;
using testing::PosixKeyFiles;
using testing::TestApp;

const std::string kFF6 = "FFFFFFFFFFFF";
const std::string kFF16 = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
const std::string kSpacedFF6 = "FF FF FF FF FF FF";
const std::string kSpacedFF16 = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";

std::string Rec(const std::string& description, const std::string& mkey = kFF6,
                const std::string& akey = kFF16, const std::string& settings =
                    "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0") {
    return settings + " M_KEY=" + mkey + " A_KEY=" + akey + " Description=" + description + "\n";
}

class FakeKeyListUi : public KeyListUi {
public:
    std::vector<KeyListRow> rows;
    bool showKeys = false;
    bool masked = true;
    std::map<KeyField, std::string> fields;
    bool recordButtons = false;
    int closes = 0;

    void ShowRows(KeyListRows r) override {
        rows.clear();
        for (std::size_t i = 0; i < r.Count(); ++i) rows.push_back(r.Row(i));
    }
    bool IsShowKeysChecked() const override { return showKeys; }
    void SetShowKeysChecked(bool checked) override { showKeys = checked; }
    void SetKeyFieldsMasked(bool m) override { masked = m; }
    std::string FieldText(KeyField f) const override {
        const auto it = fields.find(f);
        return it == fields.end() ? std::string() : it->second;
    }
    void SetFieldText(KeyField f, const std::string& text) override { fields[f] = text; }
    void EnableRecordButtons() override { recordButtons = true; }
    void CloseWindow() override { ++closes; }
};

// The real cipher, or a failure after the real work has written part of its
// target, as a failing CryptoAPI call would.
class FaultyCipher : public KeyFileCipher {
public:
    FaultyCipher(MessageBoxes& boxes, PosixKeyFiles& files) : real_(boxes), boxes_(boxes), files_(files) {}
    bool failEncrypt = false;
    bool failDecrypt = false;
    int decrypts = 0;
    static constexpr std::uint32_t kCode = 0x80090005u;

    bool EncryptKeyFile(const std::string& s, const std::string& t, const std::string& p) override {
        return Run(true, s, t, p);
    }
    bool DecryptKeyFile(const std::string& s, const std::string& t, const std::string& p) override {
        ++decrypts;
        return Run(false, s, t, p);
    }

private:
    bool Run(bool encrypt, const std::string& s, const std::string& t, const std::string& p) {
        const bool ok = encrypt ? real_.EncryptKeyFile(s, t, p) : real_.DecryptKeyFile(s, t, p);
        if (!ok || !(encrypt ? failEncrypt : failDecrypt)) return ok;
        std::filesystem::resize_file(t, std::filesystem::file_size(t) / 2);
        boxes_.Show("cipher failed", MessageIcon::Error);
        files_.SetLastSystemError(kCode);
        return false;
    }
    OpenSslKeyFileCipher real_;
    MessageBoxes& boxes_;
    PosixKeyFiles& files_;
};

class KeyListTest : public ::testing::Test {
protected:
    KeyListTest() {
        t.app.language = LanguageId::English;
        t.app.texts.Load(LanguageId::English);
        // The form as it starts: Master, "Send card ID", Classic, reader
        // settings at their start values.
        for (Ctl c : {Ctl::ClassicCheck, Ctl::Sl1Radio, Ctl::IfTouchMemoryRadio, Ctl::IndDirectRadio,
                      Ctl::StandbyOffRadio, Ctl::TouchPollOffRadio})
            t.form[c].checked = true;
        t.form[Ctl::RoleCombo].items = {"Master", "User"};
        t.form[Ctl::RoleCombo].selection = 0;
        t.form[Ctl::WorkModeCombo].items = {"a", "b", "c", "d"};
        t.form[Ctl::WorkModeCombo].selection = 0;
        list.SetUi(&ui);
    }
    ~KeyListTest() override { std::filesystem::remove_all(dir_); }

    std::string Path(const char* name) const { return dir_ + "/" + name; }

    // crkeys.data holding the given plain list.
    void Store(const std::string& plain) {
        const std::string scratch = dir_ + ".plain";
        std::ofstream(scratch, std::ios::binary) << plain;
        ASSERT_TRUE(helper_.EncryptKeyFile(scratch, Path(kCrKeysFile), kKeyFilePassword));
        std::filesystem::remove(scratch);
    }
    // The plain list in crkeys.data, or a marker when it does not decrypt.
    std::string Stored() {
        const std::string scratch = dir_ + ".plain";
        std::string plain = "<does not decrypt>";
        if (helper_.DecryptKeyFile(Path(kCrKeysFile), scratch, kKeyFilePassword))
            PosixKeyFiles::Slurp(scratch, plain);
        std::filesystem::remove(scratch);
        return plain;
    }
    std::string Bytes(const char* name) {
        std::string data;
        PosixKeyFiles::Slurp(Path(name), data);
        return data;
    }
    bool PlainFilesGone() const {
        return !files.Exists(Path(kKeysFile)) && !files.Exists(Path(kTmpKeysFile)) &&
               !files.Exists(Path(kTmpCrKeysFile));
    }
    void FieldsFromForm(const std::string& description = "Key Description") {
        ui.fields[KeyField::Crypto1] = t.app.values.crypto1KeyText;
        ui.fields[KeyField::Aes] = t.app.values.aesKeyText;
        ui.fields[KeyField::Description] = description;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& m : t.boxes.shown) texts.push_back(m.text);
        return texts;
    }
    std::vector<std::string> Descriptions() const {
        std::vector<std::string> d;
        for (const auto& row : ui.rows) d.push_back(row[0] + " " + row[8]);
        return d;
    }

    static std::string MakeScratchFolder() {
        char pattern[] = "/tmp/tollvane-keylist-XXXXXX";
        const char* made = mkdtemp(pattern);
        return made != nullptr ? made : "/nonexistent-scratch-folder";
    }

    std::string dir_ = MakeScratchFolder();
    TestApp t;
    PosixKeyFiles files;
    FaultyCipher cipher{t.boxes, files};
    FakeKeyListUi ui;
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir_ + "/"};

private:
    FakeMessageBoxes helperBoxes_;
    OpenSslKeyFileCipher helper_{helperBoxes_};
};

TEST_F(KeyListTest, LoadListsEveryRecordMaskedOrInClear) {
    // Bytes after the last line feed are not a record.
    Store(Rec("first") + Rec("second", "A0A1A2A3A4A5", "00112233445566778899AABBCCDDEEFF",
                             "TC=SL3 AA=V OI=1 LL=1 DI=0 SB=0 WM=3 SN=12 BN=2") +
          "TC=SL1 AA=X");

    ASSERT_TRUE(list.LoadKeyList());
    ASSERT_EQ(ui.rows.size(), 2u);
    EXPECT_EQ(ui.rows[1], (KeyListRow{"0001", "SL3", "V", "3", "12", "2", std::string(17, '*'),
                                      std::string(32, '*'), "second"}));
    EXPECT_EQ(list.CurrentRecord().M_KEY, std::string(17, '*'));

    ui.showKeys = true;
    ASSERT_TRUE(list.LoadKeyList());
    EXPECT_EQ(ui.rows[0], (KeyListRow{"0000", "Cls", "X", "0", "01", "0", kSpacedFF6, kSpacedFF16, "first"}));
    EXPECT_EQ(ui.rows[1][6], "A0 A1 A2 A3 A4 A5");
    EXPECT_EQ(ui.rows[1][7], "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");

    EXPECT_TRUE(t.boxes.shown.empty());
    EXPECT_TRUE(PlainFilesGone());
}

TEST_F(KeyListTest, LoadsTheListWrittenByTheCryptoApiImplementation) {
    std::filesystem::copy_file(std::string(TOLLVANE_TEST_DATA) + "/keyfile/crkeys_keylist.data",
                               Path(kCrKeysFile));
    std::string plain;
    ASSERT_TRUE(PosixKeyFiles::Slurp(std::string(TOLLVANE_TEST_DATA) + "/keyfile/plain_keylist.data", plain));
    ui.showKeys = true;
    ASSERT_TRUE(list.LoadKeyList());
    std::istringstream lines(plain);
    std::string line;
    std::size_t n = 0;
    KeyRecord expected;
    for (; std::getline(lines, line); ++n) {
        ParseKeyRecord(line, expected);
        RegroupKeys(expected);
        ASSERT_LT(n, ui.rows.size());
        EXPECT_EQ(ui.rows[n][6], expected.M_KEY);
        EXPECT_EQ(ui.rows[n][8], expected.Description);
    }
    EXPECT_EQ(ui.rows.size(), n);
}

TEST_F(KeyListTest, OverlongLinesNeitherOverflowNorGetLost) {
    const std::string longLine = Rec(std::string(700, 'd'));
    Store(Rec("zero") + longLine + Rec("two") + Rec("three"));
    ui.showKeys = true;
    ASSERT_TRUE(list.LoadKeyList());
    ASSERT_EQ(ui.rows.size(), 4u);
    EXPECT_LE(ui.rows[1][8].size(), kDescriptionCapacity);
    EXPECT_EQ(ui.rows[2][8], "two");

    // Removing another record copies the long line unchanged.
    list.OnRowClicked(2);
    list.OnRemove();
    EXPECT_EQ(Stored(), Rec("zero") + longLine + Rec("three"));
}

TEST_F(KeyListTest, AddWritesRecordZeroAndRefusesItsDuplicate) {
    Store("");
    FieldsFromForm();
    list.OnAddNew();
    const std::string first = "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=" + kFF6 + " A_KEY=" + kFF16 +
                              " Description=Key Description\n";
    EXPECT_EQ(Stored(), first);
    EXPECT_EQ(Bytes(kZipKeysFile), Bytes(kCrKeysFile));
    // The new list is shown from what the add read and wrote: no second
    // decryption, so no pause before one.
    EXPECT_TRUE(t.sleeper.pauses.empty());
    ASSERT_EQ(ui.rows.size(), 1u);
    EXPECT_EQ(ui.rows[0][8], "Key Description");

    list.OnAddNew();
    EXPECT_EQ(Messages(), std::vector<std::string>{"[0000] Key already exit at the list."});
    EXPECT_EQ(Stored(), first);
    EXPECT_TRUE(PlainFilesGone());
}

// An add and a removal decrypt the list once, and the window then shows
// exactly what reading the new list back shows: the same rows, the same
// fields, the same current record (a damaged line carries fields over).
TEST_F(KeyListTest, AddAndRemoveDecryptOnceAndShowWhatAReloadShows) {
    const std::string plain = Rec("r0") + Rec("r1", "A0A1A2A3A4A5") +
                              "TC=SL3 AA=V OI=1 LL=1 DI=0 SB=0 WM=3 SN=07 BN=2 M_KEY=B0B1B2B3B4B5\n" + Rec("r3");
    auto same = [](const KeyRecord& a, const KeyRecord& b) {
        return a.TC == b.TC && a.WM == b.WM && a.SN == b.SN && a.M_KEY == b.M_KEY && a.A_KEY == b.A_KEY &&
               a.Description == b.Description;
    };
    for (bool shown : {false, true}) {
        SCOPED_TRACE(shown ? "keys shown" : "keys masked");
        Store(plain);
        ui.showKeys = shown;
        ui.fields = {{KeyField::Crypto1, "12 34 56 78 9A BC"}, {KeyField::Aes, kSpacedFF16},
                     {KeyField::Description, "new"}};
        cipher.decrypts = 0;
        list.OnAddNew();
        EXPECT_EQ(cipher.decrypts, 1);
        const auto added = ui.rows;
        const KeyRecord afterAdd = list.CurrentRecord();
        ASSERT_EQ(added.size(), 5u);
        ASSERT_TRUE(list.LoadKeyList());
        EXPECT_EQ(ui.rows, added);
        EXPECT_TRUE(same(list.CurrentRecord(), afterAdd));

        list.OnRowClicked(2);
        cipher.decrypts = 0;
        list.OnRemove();
        EXPECT_EQ(cipher.decrypts, 1);
        const auto removed = ui.rows;
        const auto fields = ui.fields;
        const KeyRecord afterRemove = list.CurrentRecord();
        ASSERT_EQ(removed.size(), 4u);
        ASSERT_TRUE(list.LoadKeyList());
        ASSERT_TRUE(list.ShowKeyRecord(0));
        EXPECT_EQ(ui.rows, removed);
        EXPECT_EQ(ui.fields, fields);
        EXPECT_TRUE(same(list.CurrentRecord(), afterRemove));
        EXPECT_TRUE(PlainFilesGone());
        EXPECT_TRUE(t.boxes.shown.empty());
    }
}

TEST_F(KeyListTest, AddedDescriptionStaysOnOneLineAndWithinItsBuffer) {
    Store(Rec("zero"));
    FieldsFromForm("first line\r\nsecond line");
    list.OnAddNew();
    EXPECT_EQ(Stored(), Rec("zero") + Rec("first line"));

    Store(Rec("zero"));
    FieldsFromForm(std::string(300, 'x'));
    list.OnAddNew();
    EXPECT_EQ(Stored(), Rec("zero") + Rec(std::string(kDescriptionCapacity, 'x')));
}

TEST_F(KeyListTest, RecordSettingsComeFromTheForm) {
    FormValues values;
    EXPECT_EQ(ReadRecordSettings(t.form, values).TC, "Cls");
    {
        const RecordSettings s = ReadRecordSettings(t.form, values);
        EXPECT_EQ(s.AA + s.OI + s.LL + s.DI + s.SB + s.WM + s.SN + s.BN, "X0021001" "0");
    }
    t.form[Ctl::ClassicCheck].checked = false;
    t.form[Ctl::Sl1Radio].checked = false;
    t.form[Ctl::Sl3Radio].checked = true;
    t.form[Ctl::AesAuthCheck].checked = true;
    CheckRadio(t.form, Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio, Ctl::IfW58Radio);
    CheckRadio(t.form, Ctl::IndDirectRadio, Ctl::IndInverseRadio, Ctl::IndInverseRadio);
    CheckRadio(t.form, Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio, Ctl::StandbyDynamicRadio);
    CheckRadio(t.form, Ctl::TouchPollOnRadio, Ctl::TouchPollOffRadio, Ctl::TouchPollOnRadio);
    t.form[Ctl::WorkModeCombo].selection = 3;
    values.sectorNumber = 7;
    values.blockNumber = 2;
    const RecordSettings s = ReadRecordSettings(t.form, values);
    EXPECT_EQ(s.TC + s.AA + s.OI + s.LL + s.DI + s.SB + s.WM + s.SN + s.BN, "SL3V3100307" "2");

    // No work mode selected counts as the first.
    t.form[Ctl::WorkModeCombo].selection = -1;
    EXPECT_EQ(ReadRecordSettings(t.form, values).WM, "0");
}

TEST_F(KeyListTest, RemovingRecordTwoOfFiveRenumbersTheRest) {
    Store(Rec("r0") + Rec("r1") + Rec("r2") + Rec("r3") + Rec("r4"));
    list.OnRowClicked(2);
    EXPECT_TRUE(ui.recordButtons);
    list.OnRemove();
    EXPECT_EQ(t.boxes.questions, std::vector<std::string>{"[0002] Are you sure you want to delete the key?"});
    EXPECT_EQ(Stored(), Rec("r0") + Rec("r1") + Rec("r3") + Rec("r4"));
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"0000 r0", "0001 r1", "0002 r3", "0003 r4"}));
    EXPECT_EQ(ui.fields[KeyField::Description], "r0");
    EXPECT_EQ(list.SelectedKeyIndex(), -1);
    EXPECT_EQ(Bytes(kZipKeysFile), Bytes(kCrKeysFile));
    EXPECT_TRUE(PlainFilesGone());
    EXPECT_EQ(ui.closes, 0);
}

TEST_F(KeyListTest, RemoveAsksAndActsOnlyForAnotherRecordThanZero) {
    const std::string plain = Rec("r0") + Rec("r1");
    Store(plain);
    list.OnRemove();  // nothing selected
    list.OnRowClicked(0);
    EXPECT_TRUE(ui.recordButtons);
    list.OnRemove();
    EXPECT_TRUE(t.boxes.questions.empty());

    list.OnRowClicked(1);
    t.boxes.answers = {false};
    list.OnRemove();
    EXPECT_EQ(t.boxes.questions.size(), 1u);
    EXPECT_EQ(list.SelectedKeyIndex(), -1);
    EXPECT_EQ(Stored(), plain);
    EXPECT_TRUE(t.boxes.shown.empty());
}

TEST_F(KeyListTest, UseThisKeyPutsAnSl3RecordOnTheFormAndCloses) {
    Store(Rec("r0") + Rec("sl3", "A0A1A2A3A4A5", "00112233445566778899AABBCCDDEEFF",
                          "TC=SL3 AA=X OI=2 LL=1 DI=0 SB=0 WM=1 SN=07 BN=2"));
    list.OnUseKey();  // nothing selected: nothing happens
    EXPECT_EQ(ui.closes, 0);
    list.OnRowClicked(1);
    list.OnUseKey();
    EXPECT_EQ(ui.closes, 1);
    EXPECT_FALSE(t.form[Ctl::ClassicCheck].checked);
    EXPECT_TRUE(t.form[Ctl::PlusCheck].checked);
    EXPECT_TRUE(t.form[Ctl::Sl3Radio].checked);
    EXPECT_FALSE(t.form[Ctl::Sl1Radio].checked);
    EXPECT_FALSE(t.form[Ctl::Crypto1KeyEdit].enabled);
    EXPECT_TRUE(t.form[Ctl::Crypto1KeyEdit].masked);
    EXPECT_TRUE(t.form[Ctl::IfW44Radio].checked);
    EXPECT_TRUE(t.form[Ctl::IndInverseRadio].checked);
    EXPECT_TRUE(t.form[Ctl::StandbyDynamicRadio].checked);
    EXPECT_TRUE(t.form[Ctl::TouchPollOnRadio].checked);
    EXPECT_EQ(t.form[Ctl::WorkModeCombo].selection, 1);
    EXPECT_EQ(t.app.values.sectorNumber, 7);
    EXPECT_EQ(t.app.values.blockNumber, 2);
    EXPECT_EQ(t.form[Ctl::SectorUpDown].upDownPos, 7);
    EXPECT_EQ(t.app.values.aesKeyText, "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    EXPECT_EQ(t.form[Ctl::AesKeyEdit].text, t.app.values.aesKeyText);
    EXPECT_EQ(t.app.values.aesKey[15], 0xFF);
    EXPECT_EQ(t.app.values.aesKey[1], 0x11);
    // The Crypto1 key is set too, though its controls are off.
    EXPECT_EQ(t.app.values.crypto1KeyText, "A0 A1 A2 A3 A4 A5");
    EXPECT_EQ(t.app.values.crypto1Key[5], 0xA5);
    EXPECT_TRUE(PlainFilesGone());
}

// After the masked list was loaded, a record whose own line lacks a key or
// holds it cut short leaves that key of the form as it was.
TEST_F(KeyListTest, UseKeepsTheFormKeyWhereTheRecordHasNoWholeOne) {
    const std::string settings = "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=1 SN=01 BN=0";
    struct Case {
        const char* what;
        std::string line;
        std::string crypto1, aes;
    };
    const std::string formCrypto1 = "01 02 03 04 05 06", formAes = "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F";
    const Case cases[] = {
        {"no keys", settings + "\n", formCrypto1, formAes},
        {"Crypto1 key cut, no AES key", settings + " M_KEY=A0A1A2\n", formCrypto1, formAes},
        {"AES key cut", settings + " M_KEY=A0A1A2A3A4A5 A_KEY=0011\n", "A0 A1 A2 A3 A4 A5", formAes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(Rec("zero", "B0B1B2B3B4B5") + c.line);
        t.app.values.crypto1Key = {1, 2, 3, 4, 5, 6};
        t.app.values.crypto1KeyText = formCrypto1;
        t.app.values.aesKey = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                               0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};
        t.app.values.aesKeyText = formAes;
        ASSERT_TRUE(list.LoadKeyList());
        ASSERT_TRUE(list.UseKeyRecord(1));
        EXPECT_EQ(t.app.values.crypto1KeyText, c.crypto1);
        EXPECT_EQ(t.app.values.aesKeyText, c.aes);
        EXPECT_EQ(FormatHexBytes(t.app.values.crypto1Key.data(), 6), c.crypto1);
        EXPECT_EQ(FormatHexBytes(t.app.values.aesKey.data(), 16), c.aes);
    }
}

TEST_F(KeyListTest, AddAfterALastLineWithoutLineFeedStartsANewLine) {
    Store(Rec("zero") + "TC=SL1 AA=X");
    FieldsFromForm("new");
    list.OnAddNew();
    const std::string added = "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=" + kFF6 + " A_KEY=" + kFF16 +
                              " Description=new\n";
    EXPECT_EQ(Stored(), Rec("zero") + "TC=SL1 AA=X\n" + added);
    EXPECT_TRUE(PlainFilesGone());
}

TEST_F(KeyListTest, ApplyKeyRecordReadsOnlyTheValuesItKnows) {
    struct Case {
        const char* what;
        std::function<void(KeyRecord&)> change;
        std::function<void()> check;
    };
    auto base = [] {
        KeyRecord r;
        r.TC = "Cls";
        r.AA = "X";
        r.OI = "1";
        r.LL = "0";
        r.DI = "2";
        r.SB = "1";
        r.WM = "1";
        r.SN = "05";
        r.BN = "1";
        r.M_KEY = "12 34 56 78 9A BC";
        r.A_KEY = kSpacedFF16;
        return r;
    };
    const Case cases[] = {
        {"sector 00 is sector 1", [](KeyRecord& r) { r.SN = "00"; },
         [&] { EXPECT_EQ(t.app.values.sectorNumber, 1); }},
        {"one sector digit and a blank", [](KeyRecord& r) { r.SN = "7 "; },
         [&] { EXPECT_EQ(t.app.values.sectorNumber, 7); }},
        {"no digits", [](KeyRecord& r) { r.SN = "-3"; r.BN = "x"; },
         [&] {
             EXPECT_EQ(t.app.values.sectorNumber, 1);
             EXPECT_EQ(t.app.values.blockNumber, 0);
         }},
        {"a sector the card lacks", [](KeyRecord& r) { r.SN = "99"; r.BN = "9"; },
         [&] {
             EXPECT_EQ(t.app.values.sectorNumber, 15);
             EXPECT_EQ(t.app.values.blockNumber, 2);
         }},
        {"unknown codes change nothing",
         [](KeyRecord& r) { r.TC = "XYZ"; r.AA = "?"; r.OI = "7"; r.LL = "2"; r.DI = ""; r.WM = "4"; },
         [&] {
             EXPECT_TRUE(t.form[Ctl::IfTouchMemoryRadio].checked);
             EXPECT_TRUE(t.form[Ctl::AesAuthCheck].checked);
             EXPECT_TRUE(t.form[Ctl::StandbyOffRadio].checked);
             EXPECT_EQ(t.form[Ctl::WorkModeCombo].selection, 0);
             EXPECT_TRUE(t.form[Ctl::ClassicCheck].checked);
         }},
        // A key that the next write would send as zero bytes or asterisks
        // leaves the form's key as it was.
        {"cut key with stray letters", [](KeyRecord& r) { r.M_KEY = "ab 12 G3 4"; r.A_KEY = "00 11"; },
         [&] {
             EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6}));
             EXPECT_EQ(t.app.values.crypto1KeyText, "01 02 03 04 05 06");
             EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, "01 02 03 04 05 06");
             EXPECT_EQ(t.app.values.aesKeyText, std::string(47, 'x'));
         }},
        {"masked keys", [](KeyRecord& r) { r.M_KEY = std::string(17, '*'); r.A_KEY = std::string(32, '*'); },
         [&] {
             EXPECT_EQ(t.app.values.crypto1KeyText, "01 02 03 04 05 06");
             EXPECT_EQ(t.app.values.aesKeyText, std::string(47, 'x'));
         }},
        {"Classic record", [](KeyRecord&) {},
         [&] {
             EXPECT_TRUE(t.form[Ctl::ClassicCheck].checked);
             EXPECT_TRUE(t.form[Ctl::Sl1Radio].checked);
             EXPECT_FALSE(t.form[Ctl::AesKeyEdit].enabled);
             EXPECT_TRUE(t.form[Ctl::AesKeyEdit].masked);
             EXPECT_TRUE(t.form[Ctl::IfW26Radio].checked);
             EXPECT_EQ(t.form[Ctl::WorkModeCombo].selection, 1);
             EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}));
             EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, "12 34 56 78 9A BC");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        t.form[Ctl::AesAuthCheck].checked = true;
        CheckRadio(t.form, Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio, Ctl::IfTouchMemoryRadio);
        CheckRadio(t.form, Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio, Ctl::StandbyOffRadio);
        t.form[Ctl::WorkModeCombo].selection = 0;
        t.app.values.crypto1Key = {1, 2, 3, 4, 5, 6};
        t.app.values.crypto1KeyText = "01 02 03 04 05 06";
        t.form[Ctl::Crypto1KeyEdit].text = t.app.values.crypto1KeyText;
        t.app.values.aesKeyText = std::string(47, 'x');
        KeyRecord r = base();
        c.change(r);
        ApplyKeyRecord(r, t.app);
        c.check();
    }
}

TEST_F(KeyListTest, DamagedListIsNeverLeftInPlainText) {
    // A list whose last block is cut: the decryption writes most of the
    // plain text before it notices.
    Store(Rec("r0") + Rec("r1") + Rec("r2") + Rec("r3") + Rec("r4") + Rec("r5") + Rec("r6"));
    std::filesystem::resize_file(Path(kCrKeysFile), std::filesystem::file_size(Path(kCrKeysFile)) - 5);
    EXPECT_FALSE(list.LoadKeyList());
    EXPECT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_TRUE(PlainFilesGone());
}

TEST_F(KeyListTest, MissingListStopsEveryOperationAtItsDecryption) {
    FieldsFromForm();
    EXPECT_FALSE(list.LoadKeyList());
    EXPECT_EQ(t.boxes.shown.size(), 1u);
    list.OnAddNew();  // the add and the reload both report it
    EXPECT_EQ(t.boxes.shown.size(), 3u);
    EXPECT_FALSE(files.Exists(Path(kCrKeysFile)));
    EXPECT_TRUE(PlainFilesGone());
}

// --- Failure at every step -------------------------------------------------

enum class Op { Load, Show, Add, Remove, Use };

struct Failure {
    const char* what;
    Op op;
    std::function<void(PosixKeyFiles&, FaultyCipher&)> inject;
    std::vector<std::string> messages;
    bool changed;        // crkeys.data holds the new list afterwards
    bool windowClosed;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.what; }

constexpr std::uint32_t kCode = 0x1E;

std::function<void(PosixKeyFiles&, FaultyCipher&)> At(FileOp op, const char* name, int nth = 1) {
    return [=](PosixKeyFiles& f, FaultyCipher&) { f.FailAt(op, name, nth, kCode); };
}
void FailDecrypt(PosixKeyFiles&, FaultyCipher& c) { c.failDecrypt = true; }
void FailEncrypt(PosixKeyFiles&, FaultyCipher& c) { c.failEncrypt = true; }

const char kNotFound[] = "keys.data file not found...";
const char kReadError[] = "Unable to read from file keys.data!\nGetLastError=0000001E";

const Failure kFailures[] = {
    {"load: decryption", Op::Load, FailDecrypt, {"cipher failed"}, false, false},
    {"load: open", Op::Load, At(FileOp::Open, kKeysFile), {kNotFound}, false, false},
    {"load: read", Op::Load, At(FileOp::Read, kKeysFile), {kReadError}, false, false},
    {"load: second read", Op::Load, At(FileOp::Read, kKeysFile, 2), {kReadError}, false, false},
    {"show: decryption", Op::Show, FailDecrypt, {"cipher failed"}, false, false},
    {"show: open", Op::Show, At(FileOp::Open, kKeysFile), {kNotFound}, false, false},
    {"show: read", Op::Show, At(FileOp::Read, kKeysFile), {kReadError}, false, false},
    {"use: decryption", Op::Use, FailDecrypt, {"cipher failed"}, false, true},
    {"use: open", Op::Use, At(FileOp::Open, kKeysFile), {kNotFound}, false, true},
    {"use: read", Op::Use, At(FileOp::Read, kKeysFile), {kReadError}, false, true},
    {"add: decryption", Op::Add, FailDecrypt, {"cipher failed", "cipher failed"}, false, false},
    {"add: open", Op::Add, At(FileOp::Open, kKeysFile), {kNotFound}, false, false},
    {"add: read", Op::Add, At(FileOp::Read, kKeysFile), {kReadError}, false, false},
    {"add: write", Op::Add, At(FileOp::Write, kKeysFile),
     {"An error occurred while writing to the file keys.data!\nGetLastError=0000001E"}, false, false},
    {"add: encryption", Op::Add, FailEncrypt,
     {"cipher failed", "Encryption failed!\nThe keys were not recorded!\nGetLastError=80090005"}, false, false},
    {"add: replacing crkeys.data", Op::Add, At(FileOp::Move, kCrKeysFile),
     {"There was a problem with the file crkeys.data!\nThe keys were not recorded!\nGetLastError=0000001E"},
     false, false},
    {"add: backup copy", Op::Add, At(FileOp::Copy, kZipKeysFile), {}, true, false},
    {"remove: decryption", Op::Remove, FailDecrypt, {"cipher failed"}, false, true},
    {"remove: open", Op::Remove, At(FileOp::Open, kKeysFile), {kNotFound}, false, true},
    {"remove: read", Op::Remove, At(FileOp::Read, kKeysFile), {kReadError}, false, true},
    {"remove: create", Op::Remove, At(FileOp::Create, kTmpKeysFile), {"Error creating temporary file!"}, false, true},
    {"remove: write", Op::Remove, At(FileOp::Write, kTmpKeysFile),
     {"An error occurred while writing to the temporary file!\nGetLastError=0000001E"}, false, true},
    {"remove: replacing keys.data", Op::Remove, At(FileOp::Move, kKeysFile),
     {"There was a problem with the file keys.data!\nThe keys were not recorded!\nGetLastError=0000001E"}, false,
     true},
    {"remove: encryption", Op::Remove, FailEncrypt,
     {"cipher failed", "Encryption failed!\nThe keys were not recorded!\nGetLastError=80090005"}, false, false},
    {"remove: replacing crkeys.data", Op::Remove, At(FileOp::Move, kCrKeysFile),
     {"There was a problem with the file crkeys.data!\nThe keys were not recorded!\nGetLastError=0000001E"},
     false, false},
    {"remove: backup copy", Op::Remove, At(FileOp::Copy, kZipKeysFile), {}, true, false},
};

class KeyListFailureTest : public KeyListTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(KeyListFailureTest, LeavesAnIntactListAndNoPlainFile) {
    const Failure& f = GetParam();
    const std::string before =
        Rec("r0") + Rec("r1", kFF6, kFF16, "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=1 SN=05 BN=0") + Rec("r2");
    Store(before);
    const std::string zipBefore = "old backup";
    std::ofstream(Path(kZipKeysFile)) << zipBefore;
    FieldsFromForm("new");
    f.inject(files, cipher);

    switch (f.op) {
        case Op::Load: EXPECT_FALSE(list.LoadKeyList()); break;
        case Op::Show: EXPECT_FALSE(list.ShowKeyRecord(1)); break;
        case Op::Add: list.OnAddNew(); break;
        case Op::Remove: list.OnRowClicked(1); list.OnRemove(); break;
        case Op::Use: list.OnRowClicked(1); list.OnUseKey(); break;
    }

    EXPECT_EQ(Messages(), f.messages);
    const std::string after = f.op == Op::Add ? before + Rec("new") : Rec("r0") + Rec("r2");
    EXPECT_EQ(Stored(), f.changed ? after : before);
    EXPECT_TRUE(PlainFilesGone());
    EXPECT_EQ(ui.closes, f.windowClosed ? 1 : 0);
    // No failure here lets the backup follow: either nothing was replaced or
    // the copy itself failed.
    EXPECT_EQ(Bytes(kZipKeysFile), zipBefore);
    // Nothing was applied to the form by a failed "Use This Key".
    if (f.op == Op::Use) {
        EXPECT_EQ(t.app.values.sectorNumber, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStep, KeyListFailureTest, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             return name;
                         });

}  // namespace
}  // namespace tollvane
