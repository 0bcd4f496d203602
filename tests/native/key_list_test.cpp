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
// exactly what reading the new list back shows: the same rows and fields
// (a damaged line carries fields over).
TEST_F(KeyListTest, AddAndRemoveDecryptOnceAndShowWhatAReloadShows) {
    const std::string plain = Rec("r0") + Rec("r1", "A0A1A2A3A4A5") +
                              "TC=SL3 AA=V OI=1 LL=1 DI=0 SB=0 WM=3 SN=07 BN=2 M_KEY=B0B1B2B3B4B5\n" + Rec("r3") +
                              Rec(std::string(700, 'd'));  // longer than any line buffer
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
        ASSERT_EQ(added.size(), 6u);
        EXPECT_EQ(added[1][6], shown ? "A0 A1 A2 A3 A4 A5" : std::string(17, '*'));
        ASSERT_TRUE(list.LoadKeyList());
        EXPECT_EQ(ui.rows, added);

        list.OnRowClicked(2);
        files.opens.clear();
        list.OnRemove();
        EXPECT_EQ(files.opens[kCrKeysFile], 1);
        EXPECT_EQ(t.boxes.questions.back(), "[0002] Are you sure you want to delete the key?");
        EXPECT_EQ(Stored(), Rec("r0") + Rec("r1", "A0A1A2A3A4A5") + Rec("r3") + Rec(std::string(700, 'd')) +
                                Rec("new", "123456789ABC"));
        const auto removed = ui.rows;
        const auto shownFields = ui.fields;
        ASSERT_TRUE(list.LoadKeyList());
        ASSERT_TRUE(list.ShowKeyRecord(0));
        EXPECT_EQ(ui.rows, removed);
        EXPECT_EQ(ui.fields, shownFields);
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
}

// A new record takes its settings from the form; the start form's are those
// of every record the add writes above.
TEST_F(KeyListTest, RecordSettingsComeFromTheForm) {
    t.form[Ctl::ClassicCheck].checked = false;
    CheckRadio(t.form, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::Sl3Radio);
    t.form[Ctl::AesAuthCheck].checked = true;
    CheckRadio(t.form, Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio, Ctl::IfW58Radio);
    CheckRadio(t.form, Ctl::IndDirectRadio, Ctl::IndInverseRadio, Ctl::IndInverseRadio);
    CheckRadio(t.form, Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio, Ctl::StandbyDynamicRadio);
    CheckRadio(t.form, Ctl::TouchPollOnRadio, Ctl::TouchPollOffRadio, Ctl::TouchPollOnRadio);
    t.form[Ctl::WorkModeCombo].selection = 3;
    t.app.values.sectorNumber = 7;
    t.app.values.blockNumber = 2;
    const RecordSettings s = ReadRecordSettings(t.form, t.app.values);
    EXPECT_EQ(s.TC + s.AA + s.OI + s.LL + s.DI + s.SB + s.WM + s.SN + s.BN, "SL3V3100307" "2");

    // No work mode selected counts as the first.
    t.form[Ctl::WorkModeCombo].selection = -1;
    EXPECT_EQ(ReadRecordSettings(t.form, t.app.values).WM, "0");
}

// "Use This Key" puts what it knows of the record on the form: codes out of
// their lists change nothing, sector and block stay within the card, and a
// key that the next write would send as zero bytes or asterisks leaves the
// form's key as it was.
TEST_F(KeyListTest, UseAppliesOnlyTheValuesItKnows) {
    struct Case {
        const char* what;
        std::function<void(KeyRecord&)> change;
        int sector, block;
        bool keysApplied = true, codesApplied = true;
    };
    const Case cases[] = {
        {"whole record", [](KeyRecord&) {}, 5, 1},
        {"one sector digit and a blank", [](KeyRecord& r) { r.SN = "7 "; }, 7, 1},
        {"no digits", [](KeyRecord& r) { r.SN = "-3"; r.BN = "x"; }, 1, 0},
        {"a sector the card lacks", [](KeyRecord& r) { r.SN = "99"; r.BN = "9"; }, 15, 2},
        {"stray letter, masked key", [](KeyRecord& r) { r.M_KEY = "12 34 G6 78 9A BC"; r.A_KEY = std::string(32, '*'); },
         5, 1, false},
        {"unknown codes", [](KeyRecord& r) { r.TC = "XYZ"; r.AA = "?"; r.OI = "7"; r.DI = ""; r.WM = "4"; }, 5, 1, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        t.form[Ctl::AesAuthCheck].checked = true;
        t.form[Ctl::AesKeyEdit].enabled = true;
        CheckRadio(t.form, Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio, Ctl::IfTouchMemoryRadio);
        CheckRadio(t.form, Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio, Ctl::StandbyOffRadio);
        t.form[Ctl::WorkModeCombo].selection = 0;
        t.app.values.crypto1Key = {1, 2, 3, 4, 5, 6};
        t.app.values.crypto1KeyText = "01 02 03 04 05 06";
        t.app.values.aesKeyText = std::string(47, 'x');
        KeyRecord r{"Cls", "X", "1", "0", "0", "1", "1", "05", "1", "12 34 56 78 9A BC", kSpacedFF16, "", false, false};
        c.change(r);
        ApplyKeyRecord(r, t.app);
        EXPECT_EQ(t.app.values.sectorNumber, c.sector);
        EXPECT_EQ(t.app.values.blockNumber, c.block);
        EXPECT_EQ(t.app.values.crypto1KeyText, c.keysApplied ? "12 34 56 78 9A BC" : "01 02 03 04 05 06");
        EXPECT_EQ(t.app.values.crypto1Key[0], c.keysApplied ? 0x12 : 0x01);
        EXPECT_EQ(t.app.values.aesKeyText, c.keysApplied ? kSpacedFF16 : std::string(47, 'x'));
        EXPECT_TRUE(t.form[Ctl::ClassicCheck].checked);
        EXPECT_EQ(t.form[Ctl::AesKeyEdit].enabled, !c.codesApplied);  // a Classic record has no AES key
        EXPECT_EQ(t.form[Ctl::AesAuthCheck].checked, !c.codesApplied);
        EXPECT_EQ(t.form[Ctl::IfW26Radio].checked, c.codesApplied);
        EXPECT_EQ(t.form[Ctl::StandbyDynamicRadio].checked, c.codesApplied);
        EXPECT_EQ(t.form[Ctl::WorkModeCombo].selection, c.codesApplied ? 1 : 0);
    }

    // The list hands the record's own line to the form and closes.
    Store(Rec("r0") + Rec("r1", "A0A1A2A3A4A5", kFF16, "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=1 SN=09 BN=2"));
    list.OnRowClicked(1);
    list.OnUseKey();
    EXPECT_EQ(t.app.values.sectorNumber, 9);
    EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, "A0 A1 A2 A3 A4 A5");
    EXPECT_EQ(ui.closes, 1);
}

// Without crkeys.data an add reports it, the reload after it reports it
// again, and no file is made.
TEST_F(KeyListTest, WithoutAListAnAddReportsItTwiceAndMakesNoFile) {
    FieldsFromForm();
    list.OnAddNew();
    EXPECT_EQ(Messages(), std::vector<std::string>(
                              2, "Ошибка открытия исходного текстового файла!\nНомер ошибки: 0x00000002."));
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
// in two calls for lists as short as these. Show and Use read the list the
// same way, and every operation decrypts and re-encrypts it the same way.
const Failure kFailures[] = {
    {"load: decryption", Op::Load, FileOp::Write, 1, kKeysFile, {kCipherWrite}, false, false},
    {"load: open", Op::Load, FileOp::Open, 2, kKeysFile, {kNotFound}, false, false},
    {"load: read", Op::Load, FileOp::Read, 1, kKeysFile, {kReadError}, false, false},
    {"show: open", Op::Show, FileOp::Open, 2, kKeysFile, {kNotFound}, false, false},
    {"use: read", Op::Use, FileOp::Read, 1, kKeysFile, {kReadError}, false, true},
    {"add: open", Op::Add, FileOp::Open, 2, kKeysFile, {kNotFound}, false, false},
    {"add: read", Op::Add, FileOp::Read, 1, kKeysFile, {kReadError}, false, false},
    {"add: write", Op::Add, FileOp::Write, 3, kKeysFile,
     {"An error occurred while writing to the file keys.data!\nGetLastError=0000001E"}, false, false},
    {"add: encryption", Op::Add, FileOp::Write, 1, kTmpCrKeysFile, {kCipherWrite, kNotEncrypted}, false, false},
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
    {"remove: replacing crkeys.data", Op::Remove, FileOp::Move, 1, kCrKeysFile, {kCrKeysProblem}, false, false},
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
