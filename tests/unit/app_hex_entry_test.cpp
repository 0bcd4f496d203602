// Typing into the three hex edits: the digits-only form while focused, the
// filter, the entry that ends by itself at the last digit, and the parse.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "app/hex_entry.h"
#include "app/main_controller.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;
using enum Ctl;

// The form as the program starts, with the edits reporting their
// notifications the way Windows does.
struct Entry : TestApp {
    Entry() {
        InitMainForm(app);
        WireEditNotifications();
    }
    // The operator edits the text and the caret ends at `caret`.
    void Edit(Ctl c, const std::string& text, int caret) {
        form[c].text = text;
        form[c].caret = caret;
        OnCommand(app, static_cast<int>(c), kEnChange);
    }
};

TEST(HexEntryTest, EnteringShowsTheDigitsAndLeavingUnchangedKeepsTheValue) {
    Entry t;
    t.FocusEdit(Crypto1KeyEdit);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FFFFFFFFFFFF");
    EXPECT_TRUE(t.app.values.crypto1Filter);

    t.form.FocusMainWindow();

    EXPECT_FALSE(t.app.values.crypto1Filter);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FF FF FF FF FF FF");
    EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));
}

TEST(HexEntryTest, ShortEntriesArePaddedWithF) {
    struct Case {
        Ctl edit;
        std::string typed, text;
    };
    const Case cases[] = {
        {Crypto1KeyEdit, "12AB", "12 AB FF FF FF FF"},
        {Crypto1KeyEdit, "", "FF FF FF FF FF FF"},
        {Crypto1KeyEdit, "1", "1F FF FF FF FF FF"},
        {AesKeyEdit, "00112233", "00 11 22 33 FF FF FF FF FF FF FF FF FF FF FF FF"},
        {SectorDataEdit, "0102", "01 02 FF FF FF FF FF"},
    };
    for (const Case& c : cases) {
        Entry t;
        t.FocusEdit(c.edit);
        t.TypeText(c.edit, c.typed);
        t.form.FocusMainWindow();
        EXPECT_EQ(t.form.Text(c.edit), c.text) << c.typed;
    }
    Entry t;
    t.FocusEdit(Crypto1KeyEdit);
    t.TypeText(Crypto1KeyEdit, "12AB");
    t.form.FocusMainWindow();
    EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0x12, 0xAB, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t.app.values.crypto1KeyText, "12 AB FF FF FF FF");
}

TEST(HexEntryTest, LeavingTheDataFieldRefreshesTheConverter) {
    Entry t;
    t.FocusEdit(SectorDataEdit);
    t.TypeText(SectorDataEdit, "0102");
    t.form.FocusMainWindow();
    EXPECT_EQ(t.app.values.uniqueData, (std::array<std::uint8_t, 7>{0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t.form.Text(HexEdit), "FFFFFF0201");
}

TEST(HexEntryTest, TheLastDigitEndsTheEntry) {
    struct Case {
        Ctl edit;
        std::string almost, full, text;
    };
    const Case cases[] = {
        {Crypto1KeyEdit, "A0A1A2A3A4A", "A0A1A2A3A4A5", "A0 A1 A2 A3 A4 A5"},
        {AesKeyEdit, "000102030405060708090A0B0C0D0E0", "000102030405060708090A0B0C0D0E0F",
         "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
        {SectorDataEdit, "0102030405060", "01020304050607", "01 02 03 04 05 06 07"},
    };
    for (const Case& c : cases) {
        Entry t;
        t.FocusEdit(c.edit);
        t.TypeText(c.edit, c.almost);
        EXPECT_EQ(t.form.focused, c.edit);
        t.TypeText(c.edit, c.full);
        EXPECT_FALSE(t.form.focused.has_value()) << c.full;
        EXPECT_EQ(t.form.Text(c.edit), c.text);
    }
}

// The edits take as many characters as the display form has, so a copied
// display form arrives whole; only its digits remain, and being complete it
// ends the entry.
TEST(HexEntryTest, APastedDisplayFormIsTakenWhole) {
    struct Case {
        Ctl edit;
        std::string pasted, text;
    };
    const Case cases[] = {
        {Crypto1KeyEdit, "A0 A1 A2 A3 A4 A5", "A0 A1 A2 A3 A4 A5"},
        {Crypto1KeyEdit, "A0-A1-A2-A3-A4-A5", "A0 A1 A2 A3 A4 A5"},
        {AesKeyEdit, "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F",
         "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F"},
        {SectorDataEdit, "01 02 03 04 05 06 07", "01 02 03 04 05 06 07"},
    };
    for (const Case& c : cases) {
        const HexFieldInfo* field = FindHexField(c.edit);
        ASSERT_NE(field, nullptr);
        ASSERT_LE(c.pasted.size(), static_cast<std::size_t>(field->textLimit));
        Entry t;
        t.FocusEdit(c.edit);
        t.TypeText(c.edit, c.pasted);
        EXPECT_FALSE(t.form.focused.has_value()) << c.pasted;
        EXPECT_EQ(t.form.Text(c.edit), c.text);
    }
    Entry t;
    t.FocusEdit(Crypto1KeyEdit);
    t.TypeText(Crypto1KeyEdit, "A0 A1 A2 A3 A4 A5");
    EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
}

// Without the edit reporting EN_CHANGE for the program's own texts (as when
// the filter runs only on the operator's change), the paste is still cleaned
// and ends the entry.
TEST(HexEntryTest, APasteIsCleanedInOneStep) {
    TestApp t;
    InitMainForm(t.app);
    t.form.onFocusLost = [&t](Ctl c) { OnCommand(t.app, static_cast<int>(c), kEnKillFocus); };
    t.FocusEdit(SectorDataEdit);
    t.TypeText(SectorDataEdit, "01 02 03 04 05 06 07");
    EXPECT_EQ(t.form.mainWindowFocusCount, 1);
    EXPECT_EQ(t.app.values.uniqueData, (std::array<std::uint8_t, 7>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(t.form.Text(HexEdit), "0504030201");
}

// Digits beyond the field's count, typed or pasted into a full field, are
// refused as a digit limit would refuse them, and the entry stays open: a
// field is full as soon as it is entered, and a keystroke there must not end
// the entry.
TEST(HexEntryTest, SurplusDigitsBeforeTheCaretAreRefusedAndTheEntryStaysOpen) {
    struct Case {
        Ctl edit;
        std::string text;
        int caret;
        std::string result;
    };
    const Case cases[] = {
        {Crypto1KeyEdit, "FFFFFFFFFFFF1", 13, "FFFFFFFFFFFF"},
        {Crypto1KeyEdit, "1FFFFFFFFFFFF", 1, "FFFFFFFFFFFF"},
        {Crypto1KeyEdit, "0102030405060708", 16, "010203040506"},
        {Crypto1KeyEdit, "AB0102030405060708", 2, "010203040506"},
        {AesKeyEdit, std::string(32, 'F') + "0", 33, std::string(32, 'F')},
        {SectorDataEdit, "112233445566770", 15, "11223344556677"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Entry t;
        t.FocusEdit(c.edit);
        t.Edit(c.edit, c.text, c.caret);
        EXPECT_EQ(t.form.Text(c.edit), c.result);
        EXPECT_EQ(t.form.focused, c.edit);
        EXPECT_EQ(t.form.mainWindowFocusCount, 0);
    }
    // The entry goes on: a digit typed over a selected one is taken.
    Entry t;
    t.FocusEdit(Crypto1KeyEdit);
    t.Edit(Crypto1KeyEdit, "FFFFFFFFFFFF0", 13);
    t.Edit(Crypto1KeyEdit, "FFFFFFFFFFF0", 12);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FF FF FF FF FF F0");
    EXPECT_FALSE(t.form.focused.has_value());
}

TEST(HexEntryTest, TheProgramsOwnTextIsNotFiltered) {
    Entry t;
    // A text another part put there, with a lower-case letter: entering does
    // not filter it, and the parse counts the letter as 0.
    t.app.values.crypto1KeyText = "ab CD ef 12 34 56";
    t.FocusEdit(Crypto1KeyEdit);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "abCDef123456");
    t.form.FocusMainWindow();
    EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0x00, 0xCD, 0x00, 0x12, 0x34, 0x56}));
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "00 CD 00 12 34 56");

    // Without the focus the filter is off.
    t.Edit(Crypto1KeyEdit, "xyz", 3);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "xyz");
}

TEST(HexEntryTest, OtherNotificationsAndControlsAreIgnored) {
    Entry t;
    const std::string before = t.form.Describe();
    OnCommand(t.app, static_cast<int>(Crypto1KeyEdit), 0x0400);  // EN_UPDATE
    OnCommand(t.app, static_cast<int>(AesKeyEdit), 0);
    OnHexEditNotify(t.app, SectorEdit, kEnSetFocus);
    EXPECT_EQ(t.form.Describe(), before);
    EXPECT_EQ(FindHexField(SectorEdit), nullptr);
}

}  // namespace
}  // namespace tollvane
