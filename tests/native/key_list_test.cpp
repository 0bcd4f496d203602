// The key list operations over the files in memory, with the OpenSSL twin
// of the cipher, and with a failure at every file step.
#include <gtest/gtest.h>

#include <functional>

#include "app/form_rules.h"
#include "app/key_record_form.h"
#include "keystore/key_list.h"
#include "native/key_list_fixture.h"

namespace tollvane {
namespace {

using testing::FileOp;

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
    EXPECT_EQ(ui.rows[1][7], "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    EXPECT_TRUE(t.boxes.shown.empty());
    EXPECT_TRUE(PlainFilesGone());
}

TEST_F(KeyListTest, AddWritesTheRecordAfterTheLastByteAndRefusesItsDuplicate) {
    struct Case {
        std::string before, description, after;
    };
    const Case cases[] = {
        {"", "Key Description", Rec("Key Description")},
        // A last line without its line feed does not swallow the new record.
        {Rec("zero") + "TC=SL1 AA=X", "new", Rec("zero") + "TC=SL1 AA=X\n" + Rec("new")},
        // The description stays on one line and within its buffer.
        {Rec("zero"), "first line\r\nsecond line", Rec("zero") + Rec("first line")},
        {Rec("zero"), std::string(300, 'x'), Rec("zero") + Rec(std::string(kDescriptionCapacity, 'x'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        Store(c.before);
        FieldsFromForm(c.description);
        list.OnAddNew();
        EXPECT_EQ(Stored(), c.after);
        EXPECT_EQ(files.Text(kZipKeysFile), files.Text(kCrKeysFile));
        EXPECT_TRUE(PlainFilesGone());
    }
    EXPECT_TRUE(t.boxes.shown.empty());
    list.OnAddNew();
    EXPECT_EQ(Messages(), std::vector<std::string>{"[0001] Key already exit at the list."});
    EXPECT_EQ(Stored(), Rec("zero") + Rec(std::string(kDescriptionCapacity, 'x')));
}

// An add and a removal decrypt the list once, and the window then shows
// exactly what reading the new list back shows: the same rows, the same
// fields, the same current record (a damaged line carries fields over).
TEST_F(KeyListTest, AddAndRemoveDecryptOnceAndShowWhatAReloadShows) {
    const std::string plain = Rec("r0") + Rec("r1", "A0A1A2A3A4A5") +
                              "TC=SL3 AA=V OI=1 LL=1 DI=0 SB=0 WM=3 SN=07 BN=2 M_KEY=B0B1B2B3B4B5\n" + Rec("r3") +
                              Rec(std::string(700, 'd'));  // longer than any line buffer
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
        files.opens.clear();
        list.OnAddNew();
        EXPECT_EQ(files.opens[kCrKeysFile], 1);
        EXPECT_TRUE(t.sleeper.pauses.empty());
        const auto added = ui.rows;
        const KeyRecord afterAdd = list.CurrentRecord();
        ASSERT_EQ(added.size(), 6u);
        ASSERT_TRUE(list.LoadKeyList());
        EXPECT_EQ(ui.rows, added);
        EXPECT_TRUE(same(list.CurrentRecord(), afterAdd));

        list.OnRowClicked(2);
        EXPECT_TRUE(ui.recordButtons);
        files.opens.clear();
        list.OnRemove();
        EXPECT_EQ(files.opens[kCrKeysFile], 1);
        EXPECT_EQ(t.boxes.questions.back(), "[0002] Are you sure you want to delete the key?");
        EXPECT_EQ(Stored(), Rec("r0") + Rec("r1", "A0A1A2A3A4A5") + Rec("r3") + Rec(std::string(700, 'd')) +
                                Rec("new", "123456789ABC"));
        const auto removed = ui.rows;
        const auto fields = ui.fields;
        const KeyRecord afterRemove = list.CurrentRecord();
        ASSERT_EQ(removed.size(), 5u);
        EXPECT_EQ(removed[2][8], "r3");  // renumbered
        EXPECT_EQ(removed[2][0], "0002");
        ASSERT_TRUE(list.LoadKeyList());
        ASSERT_TRUE(list.ShowKeyRecord(0));
        EXPECT_EQ(ui.rows, removed);
        EXPECT_EQ(ui.fields, fields);
        EXPECT_TRUE(same(list.CurrentRecord(), afterRemove));
        EXPECT_EQ(list.SelectedKeyIndex(), -1);
        EXPECT_TRUE(PlainFilesGone());
        EXPECT_TRUE(t.boxes.shown.empty());
    }
}

TEST_F(KeyListTest, RemoveAsksAndActsOnlyForAnotherRecordThanZero) {
    const std::string plain = Rec("r0") + Rec("r1");
    Store(plain);
    list.OnRemove();  // nothing selected
    list.OnRowClicked(0);
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

TEST_F(KeyListTest, ApplyKeyRecordReadsOnlyTheValuesItKnows) {
    struct Case {
        const char* what;
        std::function<void(KeyRecord&)> change;
        std::function<void()> check;
    };
    auto base = [] {
        return KeyRecord{"Cls", "X", "1", "0", "2", "1", "1", "05", "1", "12 34 56 78 9A BC", kSpacedFF16, "",
                         false, false};
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

TEST_F(KeyListTest, ADamagedOrMissingListIsNeverLeftInPlainText) {
    // A list whose last block is cut: the decryption writes most of the
    // plain text before it notices.
    Store(Rec("r0") + Rec("r1") + Rec("r2") + Rec("r3") + Rec("r4") + Rec("r5") + Rec("r6") + Rec("r7") + Rec("r8"));
    files.entries[kCrKeysFile].data.resize(files.Text(kCrKeysFile).size() - 5);
    EXPECT_FALSE(list.LoadKeyList());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005."});
    EXPECT_TRUE(PlainFilesGone());

    files.entries.clear();
    FieldsFromForm();
    list.OnAddNew();  // the add and the reload both report it
    EXPECT_EQ(t.boxes.shown.size(), 3u);
    EXPECT_EQ(t.boxes.shown[1].text, "Ошибка открытия исходного текстового файла!\nНомер ошибки: 0x00000002.");
    EXPECT_TRUE(files.entries.empty());
}

// --- Failure at every step -------------------------------------------------

enum class Op { Load, Show, Add, Remove, Use };

struct Failure {
    const char* what;
    Op op;
    FileOp step;
    int nth;
    const char* file;
    std::vector<std::string> messages;
    bool changed;  // crkeys.data holds the new list afterwards
    bool windowClosed;
};

constexpr std::uint32_t kCode = 0x1E;
const char kNotFound[] = "keys.data file not found...";
const char kReadError[] = "Unable to read from file keys.data!\nGetLastError=0000001E";
const char kCipherWrite[] = "Ошибка записи зашифрованного текста!\nНомер ошибки: 0x0000001E.";
const char kNotEncrypted[] = "Encryption failed!\nThe keys were not recorded!\nGetLastError=0000001E";
const char kCrKeysProblem[] =
    "There was a problem with the file crkeys.data!\nThe keys were not recorded!\nGetLastError=0000001E";

// The cipher writes keys.data (decryption) and TmpCrKeys.data (encryption)
// in two calls for lists as short as these.
const Failure kFailures[] = {
    {"load: decryption", Op::Load, FileOp::Write, 1, kKeysFile, {kCipherWrite}, false, false},
    {"load: open", Op::Load, FileOp::Open, 2, kKeysFile, {kNotFound}, false, false},
    {"load: read", Op::Load, FileOp::Read, 1, kKeysFile, {kReadError}, false, false},
    {"show: open", Op::Show, FileOp::Open, 2, kKeysFile, {kNotFound}, false, false},
    {"show: read", Op::Show, FileOp::Read, 1, kKeysFile, {kReadError}, false, false},
    {"use: decryption", Op::Use, FileOp::Write, 1, kKeysFile, {kCipherWrite}, false, true},
    {"use: read", Op::Use, FileOp::Read, 1, kKeysFile, {kReadError}, false, true},
    {"add: open", Op::Add, FileOp::Open, 2, kKeysFile, {kNotFound}, false, false},
    {"add: read", Op::Add, FileOp::Read, 1, kKeysFile, {kReadError}, false, false},
    {"add: write", Op::Add, FileOp::Write, 3, kKeysFile,
     {"An error occurred while writing to the file keys.data!\nGetLastError=0000001E"}, false, false},
    {"add: encryption", Op::Add, FileOp::Write, 1, kTmpCrKeysFile, {kCipherWrite, kNotEncrypted}, false, false},
    {"add: encryption flush", Op::Add, FileOp::Flush, 1, kTmpCrKeysFile, {kCipherWrite, kNotEncrypted}, false,
     false},
    {"add: replacing crkeys.data", Op::Add, FileOp::Move, 1, kCrKeysFile, {kCrKeysProblem}, false, false},
    {"add: backup copy", Op::Add, FileOp::Copy, 1, kZipKeysFile, {}, true, false},
    {"remove: decryption", Op::Remove, FileOp::Write, 1, kKeysFile, {kCipherWrite}, false, true},
    {"remove: read", Op::Remove, FileOp::Read, 1, kKeysFile, {kReadError}, false, true},
    {"remove: create", Op::Remove, FileOp::Open, 1, kTmpKeysFile, {"Error creating temporary file!"}, false, true},
    {"remove: write", Op::Remove, FileOp::Write, 1, kTmpKeysFile,
     {"An error occurred while writing to the temporary file!\nGetLastError=0000001E"}, false, true},
    {"remove: replacing keys.data", Op::Remove, FileOp::Move, 1, kKeysFile,
     {"There was a problem with the file keys.data!\nThe keys were not recorded!\nGetLastError=0000001E"}, false,
     true},
    {"remove: encryption", Op::Remove, FileOp::Write, 1, kTmpCrKeysFile, {kCipherWrite, kNotEncrypted}, false,
     false},
    {"remove: replacing crkeys.data", Op::Remove, FileOp::Move, 1, kCrKeysFile, {kCrKeysProblem}, false, false},
    {"remove: backup copy", Op::Remove, FileOp::Copy, 1, kZipKeysFile, {}, true, false},
};

TEST_F(KeyListTest, AFailureAtAnyStepLeavesAnIntactListAndNoPlainFile) {
    const std::string before =
        Rec("r0") + Rec("r1", kFF6, kFF16, "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=1 SN=05 BN=0") + Rec("r2");
    for (const Failure& f : kFailures) {
        SCOPED_TRACE(f.what);
        Store(before);
        files.Put(kZipKeysFile, "old backup");
        FieldsFromForm("new");
        t.boxes.shown.clear();
        ui.closes = 0;
        t.app.values.sectorNumber = 1;
        files.FailAt(f.step, f.nth, kCode, f.file);
        switch (f.op) {
            case Op::Load: EXPECT_FALSE(list.LoadKeyList()); break;
            case Op::Show: EXPECT_FALSE(list.ShowKeyRecord(1)); break;
            case Op::Add: list.OnAddNew(); break;
            case Op::Remove: list.OnRowClicked(1); list.OnRemove(); break;
            case Op::Use: list.OnRowClicked(1); list.OnUseKey(); break;
        }
        files.FailAt(FileOp::Open, 0);
        // After a failed add the window reloads the list; its messages come
        // after the add's own, and only a failing decryption repeats.
        std::vector<std::string> messages = Messages();
        if (f.op == Op::Add && messages.size() > f.messages.size()) messages.resize(f.messages.size());
        EXPECT_EQ(messages, f.messages);
        const std::string after = f.op == Op::Add ? before + Rec("new") : Rec("r0") + Rec("r2");
        EXPECT_EQ(Stored(), f.changed ? after : before);
        EXPECT_TRUE(PlainFilesGone());
        EXPECT_EQ(ui.closes, f.windowClosed ? 1 : 0);
        // No failure here lets the backup follow: either nothing was replaced
        // or the copy itself failed.
        EXPECT_EQ(files.Text(kZipKeysFile), "old backup");
        EXPECT_EQ(t.app.values.sectorNumber, 1);  // nothing applied by a failed "Use This Key"
    }
}

}  // namespace
}  // namespace tollvane
