// The key list operations over the files in memory.
#include <gtest/gtest.h>

#include <functional>

#include "app/form_rules.h"
#include "app/key_record_form.h"
#include "keystore/key_files.h"
#include "keystore/key_list.h"
#include "native/key_list_fixture.h"
#include "support/expect_fields.h"

namespace tollvane {
namespace {

using testing::FileOp;
using enum Ctl;
using Texts = std::vector<std::string>;

// A line that lacks fields carries them over from the line before it.
const std::string kDamaged = "TC=SL3 AA=V OI=1 LL=1 DI=0 SB=0 WM=3 SN=07 BN=2 M_KEY=B0B1B2B3B4B5\n";

// After an add the window shows the rows as reading the new list back does, without decrypting it
// again.
TEST_F(KeyListTest, AddWritesTheRecordAfterTheLastByteAndRefusesItsDuplicate) {
    struct Case {
        std::string before, description, after;
        int decryptions = 1;
    };
    const Case cases[] = {
        {"", "Key Description", Rec("Key Description")},
        // A last line without its line feed does not swallow the new record; the list is then read
        // back from the file.
        {Rec("zero") + "TC=SL1 AA=X", "new", Rec("zero") + "TC=SL1 AA=X\n" + Rec("new"), 2},
        // The description stays on one line and within its buffer.
        {Rec("zero") + kDamaged, "first line\r\nsecond line",
         Rec("zero") + kDamaged + Rec("first line")},
        {Rec("zero") + kDamaged, std::string(300, 'x'),
         Rec("zero") + kDamaged + Rec(std::string(kDescriptionCapacity, 'x'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        Store(c.before);
        FieldsFromForm(c.description);
        files.opens.clear();
        list.OnAddNew();
        EXPECT_EQ(files.opens[kCrKeysFile], c.decryptions);
        EXPECT_EQ(Stored(), c.after);
        EXPECT_EQ(files.Text(kZipKeysFile), files.Text(kCrKeysFile));
        EXPECT_TRUE(PlainFilesGone());
        const auto shown = ui.rows;
        ASSERT_EQ(list.LoadKeyList(), KeyListOutcome::Done);
        EXPECT_EQ(ui.rows, shown);
    }
    EXPECT_TRUE(t.boxes.shown.empty());
    list.OnAddNew();
    EXPECT_EQ(t.boxes.Texts(), Texts{"[0002] Key already exit at the list."});
    const std::string& stored = cases[3].after;
    EXPECT_EQ(Stored(), stored);

    // The card settings of a record are those of the form.
    t.form[ClassicCheck].checked = false;
    t.form[AesAuthCheck].checked = true;
    for (Ctl radio : {Sl3Radio, IfW58Radio, IndInverseRadio, StandbyDynamicRadio, TouchPollOnRadio})
        CheckRadio(t.form, radio);
    t.form[WorkModeCombo].selection = 3;
    t.app.values.sectorNumber = 7;
    t.app.values.blockNumber = 2;
    FieldsFromForm("SL3");
    list.OnAddNew();
    EXPECT_EQ(Stored(),
              stored + Rec("SL3", kFF6, kFF16, "TC=SL3 AA=V OI=3 LL=1 DI=0 SB=0 WM=3 SN=07 BN=2"));
}

// The window then shows what reading the new list back shows, without decrypting it again.
TEST_F(KeyListTest, RemoveAsksAndActsOnlyForAnotherRecordThanZero) {
    const std::string longer = Rec(std::string(700, 'd'));  // longer than any line buffer
    Store(Rec("r0") + Rec("r1", "A0A1A2A3A4A5") + kDamaged + Rec("r3") + longer);
    ui.showKeys = true;
    list.OnRemove();  // nothing selected
    list.OnRowClicked(0);
    list.OnRemove();
    EXPECT_TRUE(t.boxes.questions.empty());
    list.OnRowClicked(2);
    t.boxes.answers = {false, true};
    list.OnRemove();
    EXPECT_EQ(list.SelectedKeyIndex(), -1);
    list.OnRowClicked(2);
    files.opens.clear();
    list.OnRemove();
    EXPECT_EQ(files.opens[kCrKeysFile], 1);
    EXPECT_EQ(t.boxes.questions, Texts(2, "[0002] Are you sure you want to delete the key?"));
    EXPECT_EQ(Stored(), Rec("r0") + Rec("r1", "A0A1A2A3A4A5") + Rec("r3") + longer);
    const auto shown = std::pair(ui.rows, ui.fields);
    ASSERT_EQ(list.LoadKeyList(), KeyListOutcome::Done);
    ASSERT_EQ(list.ShowKeyRecord(0), KeyListOutcome::Done);
    EXPECT_EQ(ui.rows, shown.first);
    EXPECT_EQ(ui.fields, shown.second);
    EXPECT_EQ(ui.fields[KeyField::Description], "r0");  // the fields show record 0000
    EXPECT_EQ(ui.rows[1][6], "A0 A1 A2 A3 A4 A5");
    EXPECT_TRUE(PlainFilesGone());
    EXPECT_TRUE(t.boxes.shown.empty());
}

// When another station has changed the list under it since, they do nothing to any record, read
// the list again and say so.
TEST_F(KeyListTest, ARecordChosenIsActedOnOnlyWhileTheListStillHoldsIt) {
    const std::string r2 = Rec("r2", "A0A1A2A3A4A5"),
                      before = Rec("r0") + Rec("r1") + r2 + Rec("r3");
    const struct {
        const char* name;
        std::function<void(KeyList&)> act;
        std::string storedAfterActing, description;  // when r2 is still where it was shown
        int closes;
    } actions[] = {
        {"remove", [](KeyList& l) { l.OnRemove(); }, Rec("r0") + Rec("r1") + Rec("r3") + Rec("new"),
         "r0", 0},
        {"use", [](KeyList& l) { l.OnUseKey(); }, before + Rec("new"), "", 1},
        {"double-click", [](KeyList& l) { l.OnRowDoubleClicked(2); }, before + Rec("new"), "r2", 0},
    };
    for (const auto& a : actions) {
        for (const bool movedAway : {true, false}) {
            SCOPED_TRACE(std::string(a.name) +
                         (movedAway ? ", r1 removed elsewhere" : ", a record added elsewhere"));
            t.boxes.shown.clear();
            ui.fields.clear();
            ui.closes = 0;
            Store(before);
            ASSERT_EQ(list.LoadKeyList(), KeyListOutcome::Done);
            list.OnRowClicked(2);
            const std::string elsewhere =
                movedAway ? Rec("r0") + r2 + Rec("r3") : before + Rec("new");
            Store(elsewhere);
            a.act(list);
            if (movedAway) {  // the window shows the list as it is now
                EXPECT_FIELDS(
                    (Stored(), ui.rows.size(), t.boxes.Texts(), ui.closes,
                     ui.fields[KeyField::Description], list.SelectedKeyIndex()),
                    (elsewhere, 3u, Texts{t.T(Msg::kKeyListChangedElsewhere)}, 0, "", -1));
            } else {
                EXPECT_FIELDS(
                    (Stored(), t.boxes.shown.size(), ui.closes, ui.fields[KeyField::Description]),
                    (a.storedAfterActing, 0u, a.closes, a.description));
                if (a.closes) {
                    EXPECT_EQ(t.form[Crypto1KeyEdit].text, "A0 A1 A2 A3 A4 A5");
                }
            }
            EXPECT_TRUE(PlainFilesGone());
        }
    }
}

// Codes out of their lists change nothing, sector and block stay within the card, and a key the
// next write would send as zero bytes or asterisks leaves the form's key.
TEST_F(KeyListTest, UseAppliesOnlyTheValuesItKnows) {
    const std::string aes = "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF";
    const struct {
        const char* what;
        std::function<void(KeyRecord&)> change;
        int sector, block;
        bool classic = false;
    } cases[] = {
        {"whole record", [](KeyRecord&) {}, 5, 1},
        {"unknown codes",
         [](KeyRecord& r) {
             r.TC = "XYZ";
             r.AA = "?";
             r.OI = "4";
             r.DI = "";
             r.WM = "4";
         },
         5, 1},
        {"codes of two digits", [](KeyRecord& r) { r.WM = "21"; }, 5, 1},
        {"one sector digit and a blank", [](KeyRecord& r) { r.SN = "7 "; }, 7, 1},
        {"a sector the card lacks",
         [](KeyRecord& r) {
             r.SN = "99";
             r.BN = "x";
         },
         15, 0},
        {"Classic, a stray letter, a short key",
         [](KeyRecord& r) {
             r.TC = "Cls";
             r.M_KEY = "AB CD G6 78 9A BC";
             r.A_KEY = "FF EE";
         },
         5, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KeyRecord r{"SL1", "V", "1",   "0",  "0", "1", "1", "05", "1", "12 34 56 78 9A BC",
                    aes,   "",  false, false};
        c.change(r);
        ApplyKeyRecord(r, t.app);
        EXPECT_FIELDS((t.app.values.sectorNumber, t.app.values.blockNumber), (c.sector, c.block));
        EXPECT_EQ((std::vector{t.app.values.crypto1KeyText, t.form[Crypto1KeyEdit].text,
                               t.app.values.aesKeyText}),
                  (Texts{"12 34 56 78 9A BC", "12 34 56 78 9A BC", aes}));
        EXPECT_EQ(t.form[ClassicCheck].checked, c.classic);
        EXPECT_TRUE(t.form[AesAuthCheck].checked);
        EXPECT_TRUE(t.form[IfW26Radio].checked);
        EXPECT_EQ(t.form[WorkModeCombo].selection, 1);
    }

    // An SL3 record hides the Crypto1 key, which such a card does not use.
    t.form.SetPasswordMask(Crypto1KeyEdit, false);
    ApplyKeyRecord({"SL3", "X", "1", "0", "0", "1", "1", "05", "1", "", aes, "", false, false},
                   t.app);
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));

    // The list hands the record's own line to the form and closes.
    Store(Rec("r0") +
          Rec("r1", "A0A1A2A3A4A5", kFF16, "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=1 SN=09 BN=2"));
    list.OnRowClicked(1);
    list.OnUseKey();
    EXPECT_FIELDS((t.app.values.sectorNumber, t.form[Crypto1KeyEdit].text, ui.closes),
                  (9, std::string("A0 A1 A2 A3 A4 A5"), 1));
}

// The reload after the add reports it again; the program's start then makes an empty list beside
// the lock the add left.
TEST_F(KeyListTest, WithoutAListAnAddReportsItTwiceAndMakesNoFile) {
    FieldsFromForm();
    list.OnAddNew();
    EXPECT_EQ(t.boxes.Texts(),
              Texts(2, "Ошибка открытия исходного текстового файла!\nНомер ошибки: 0x00000002."));
    ASSERT_EQ(files.entries.size(), 1u);
    EXPECT_TRUE(files.Has(kKeysLockFile));
    ASSERT_TRUE(MakeFirstKeyList(files, cipher));
    EXPECT_EQ(Stored(), "");
}

// Its plain file and the window too.
TEST_F(KeyListTest, AListTakenElsewhereIsWaitedForThenLeftAlone) {
    const Texts inUse(3, t.T(Msg::kKeyListInUse));
    Store(Rec("r0") + Rec("r1"));
    const std::string stored = files.Text(kCrKeysFile);
    // This program holds the lock; an older copy holds crkeys.data itself.
    for (const char* held : {kKeysLockFile, kCrKeysFile}) {
        SCOPED_TRACE(held);
        files.held = {held};
        files.Put(kKeysFile, "the other station's plain list");
        t.boxes.shown.clear();
        t.sleeper.pauses.clear();
        FieldsFromForm("new");
        list.OnAddNew();
        list.OnRowClicked(1);
        list.OnRemove();
        EXPECT_EQ(list.LoadKeyList(), KeyListOutcome::InUse);
        EXPECT_EQ(t.boxes.Texts(), inUse);
        EXPECT_EQ(t.sleeper.pauses,
                  std::vector<unsigned>(60, 100));  // 2 s each, and no reload after the add
        EXPECT_EQ(files.Text(kCrKeysFile), stored);
        EXPECT_EQ(files.Text(kKeysFile), "the other station's plain list");
        EXPECT_EQ(ui.closes, 0);
    }
}

enum class Op { Load, Show, Add, Remove, Use };
using enum Op;
using enum FileOp;

struct Failure {
    const char* what;
    Op op;
    FileOp step;
    int nth;
    const char* file;
    Texts messages;
    bool changed;  // crkeys.data holds the new list afterwards
    bool windowClosed;
};

const char kNotFound[] = "keys.data file not found...";
const char kReadError[] = "Unable to read from file keys.data!\nGetLastError=0000001E";
const char kCipherWrite[] = "Ошибка записи зашифрованного текста!\nНомер ошибки: 0x0000001E.";
const char kNotEncrypted[] =
    "Encryption failed!\nThe keys were not recorded!\nGetLastError=0000001E";
const char kCrKeysProblem[] =
    "There was a problem with the file crkeys.data!\nThe keys were not "
    "recorded!\nGetLastError=0000001E";

// The cipher writes keys.data (decryption) and TmpCrKeys.data (encryption) in two calls for lists
// this short. Show and Use read the list alike, and every operation decrypts and re-encrypts it
// alike.
const Failure kFailures[] = {
    {"load: decryption", Load, Write, 1, kKeysFile, {kCipherWrite}, false, false},
    {"load: open", Load, Open, 2, kKeysFile, {kNotFound}, false, false},
    {"load: read", Load, Read, 1, kKeysFile, {kReadError}, false, false},
    {"show: open", Show, Open, 2, kKeysFile, {kNotFound}, false, false},
    {"use: read", Use, Read, 1, kKeysFile, {kReadError}, false, true},
    {"add: open", Add, Open, 2, kKeysFile, {kNotFound}, false, false},
    {"add: read", Add, Read, 1, kKeysFile, {kReadError}, false, false},
    {"add: write",
     Add,
     Write,
     3,
     kKeysFile,
     {"An error occurred while writing to the file keys.data!\nGetLastError=0000001E"},
     false,
     false},
    {"add: encryption", Add, Write, 1, kTmpCrKeysFile, {kCipherWrite, kNotEncrypted}, false, false},
    {"add: replacing crkeys.data", Add, Move, 1, kCrKeysFile, {kCrKeysProblem}, false, false},
    {"add: backup copy", Add, Copy, 1, kZipKeysFile, {}, true, false},
    {"remove: decryption", Remove, Write, 1, kKeysFile, {kCipherWrite}, false, true},
    {"remove: read", Remove, Read, 1, kKeysFile, {kReadError}, false, true},
    {"remove: create",
     Remove,
     Open,
     1,
     kTmpKeysFile,
     {"Error creating temporary file!"},
     false,
     true},
    {"remove: write",
     Remove,
     Write,
     1,
     kTmpKeysFile,
     {"An error occurred while writing to the temporary file!\nGetLastError=0000001E"},
     false,
     true},
    {"remove: replacing keys.data",
     Remove,
     Move,
     1,
     kKeysFile,
     {"There was a problem with the file keys.data!\nThe keys were not "
      "recorded!\nGetLastError=0000001E"},
     false,
     true},
    {"remove: replacing crkeys.data", Remove, Move, 1, kCrKeysFile, {kCrKeysProblem}, false, false},
};

TEST_F(KeyListTest, AFailureAtAnyStepLeavesAnIntactListAndNoPlainFile) {
    const std::string before =
        Rec("r0") + Rec("r1", kFF6, kFF16, "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=1 SN=05 BN=0") +
        Rec("r2");
    // A message waits for the operator only after the list has been let go.
    t.boxes.modalLoop = [&] { EXPECT_FALSE(files.Has(kKeysFile)); };
    for (const Failure& f : kFailures) {
        SCOPED_TRACE(f.what);
        Store(before);
        files.Put(kZipKeysFile, "old backup");
        FieldsFromForm("new");
        t.boxes.shown.clear();
        ui.closes = 0;
        files.FailAt(f.step, f.nth, 0x1E, f.file);
        switch (f.op) {
            case Load: EXPECT_EQ(list.LoadKeyList(), KeyListOutcome::Failed); break;
            case Show: EXPECT_EQ(list.ShowKeyRecord(1), KeyListOutcome::Failed); break;
            case Add: list.OnAddNew(); break;
            case Remove:
                list.OnRowClicked(1);
                list.OnRemove();
                break;
            case Use:
                list.OnRowClicked(1);
                list.OnUseKey();
                break;
        }
        files.FailAt(Open, 0);
        // After a failed add the window reloads the list: its messages come after the add's own.
        Texts messages = t.boxes.Texts();
        if (f.op == Add && messages.size() > f.messages.size()) messages.resize(f.messages.size());
        EXPECT_EQ(messages, f.messages);
        const std::string after = f.op == Add ? before + Rec("new") : Rec("r0") + Rec("r2");
        EXPECT_EQ(Stored(), f.changed ? after : before);
        EXPECT_TRUE(PlainFilesGone());
        EXPECT_EQ(ui.closes, f.windowClosed ? 1 : 0);
        // No failure here lets the backup follow: nothing was replaced, or the copy failed.
        EXPECT_EQ(files.Text(kZipKeysFile), "old backup");
        EXPECT_EQ(t.app.values.sectorNumber, 1);  // nothing applied by a failed "Use This Key"
    }
}

}  // namespace
}  // namespace tollvane
