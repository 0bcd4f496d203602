// Typing and pasting into the key and data fields, and the sector and block
// limits, on the real edits.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

class HexEntryTest : public ProgramTest {
protected:
    // Master, "Send sector data after logged in", Mifare Plus: both key
    // fields can be edited; keys shown in clear.
    void StartWithKeysEditable() {
        Start();
        form->Select(kWorkMode, 1);
        form->Click(kPlus);
        form->Click(kShowCrypto1);
        form->Click(kShowAes);
    }
    void Leave() { form->FocusOn(form->Main()); }
};

struct FullCase {
    int edit;
    const char* digits;
    const char* shown;
};

class FullEntryTest : public HexEntryTest, public ::testing::WithParamInterface<FullCase> {};

// The last digit ends the entry by itself: the field loses the focus and
// shows the display form.
TEST_P(FullEntryTest, TheLastDigitClosesTheEntry) {
    const FullCase& c = GetParam();
    StartWithKeysEditable();
    if (c.edit == kDataEdit) form->Select(kRole, 1);
    form->FocusEdit(c.edit);
    form->SelectAll(c.edit);
    form->Type(c.edit, c.digits);
    EXPECT_EQ(program->Focus(), form->Main());
    EXPECT_EQ(form->Text(c.edit), c.shown);
}

const FullCase kFull[] = {
    {kCrypto1Edit, "a0a1a2a3a4a5", "A0 A1 A2 A3 A4 A5"},
    {kAesEdit, "000102030405060708090a0b0c0d0e0f", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
    {kDataEdit, "0123456789abcd", "01 23 45 67 89 AB CD"},
};
INSTANTIATE_TEST_SUITE_P(Fields, FullEntryTest, ::testing::ValuesIn(kFull));

class PasteTest : public HexEntryTest, public ::testing::WithParamInterface<FullCase> {};

// A key copied in its display form (with blanks) arrives whole: the blanks
// are filtered away and the last digit closes the entry.
TEST_P(PasteTest, PastingTheDisplayFormGivesTheWholeValue) {
    const FullCase& c = GetParam();
    StartWithKeysEditable();
    if (c.edit == kDataEdit) form->Select(kRole, 1);
    form->FocusEdit(c.edit);
    form->SelectAll(c.edit);
    form->Paste(c.edit, c.digits);
    EXPECT_EQ(program->Focus(), form->Main());
    EXPECT_EQ(form->Text(c.edit), c.shown);
}

const FullCase kPasted[] = {
    {kCrypto1Edit, "A0 A1 A2 A3 A4 A5", "A0 A1 A2 A3 A4 A5"},
    {kAesEdit, "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F",
     "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F"},
    {kDataEdit, "71 72 73 74 75 76 77", "71 72 73 74 75 76 77"},
};
INSTANTIATE_TEST_SUITE_P(Fields, PasteTest, ::testing::ValuesIn(kPasted));

}  // namespace
}  // namespace tollvane::e2e
