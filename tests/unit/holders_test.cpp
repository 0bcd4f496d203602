// Cards for a list of people: the import, the list file, the export and the run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/holders/card_holders.h"
#include "app/holders/holders_import.h"
#include "app/holders/holders_list.h"
#include "app/holders/holders_run.h"
#include "register/register_browser.h"
#include "register/register_file_source.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

// Windows-1251 for the Cyrillic letters, as the system would convert it.
std::string FakeAnsi(std::string_view bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        const unsigned cp = c >= 0xC0   ? 0x410 + (c - 0xC0)
                            : c == 0xA8 ? 0x401
                            : c == 0xB8 ? 0x451
                                        : c;
        out += cp < 0x80 ? std::string(1, char(cp))
                         : std::string{char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
    }
    return out;
}
// Little-endian with its mark, or big-endian without.
std::string Utf16(std::string_view ascii, bool bigEndian = false) {
    std::string out = bigEndian ? "" : "\xFF\xFE";
    for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}
std::string Repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}
HolderNumber Num(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return {a, b, c, 0x44, 0x55, 0x66, 0x77};
}
CardHolder Waiting(std::string name, std::optional<HolderNumber> number = std::nullopt) {
    return {std::move(name), number, HolderStatus::Waiting, "", "", ""};
}
CardHolder Issued(std::string name, HolderNumber number, std::string time, std::string barcode = "",
                  std::string cipher = "0000000042") {
    return {std::move(name), number,  HolderStatus::Issued,
            std::move(time), barcode, barcode.empty() ? "" : cipher};
}

TEST(HoldersImport, SeparatorsQuotesEncodingsAndHeaders) {
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> people;
    } cases[] = {
        {"comma, header, quotes",
         "Name,UniqueData\r\nIvanov Ivan,11 22 33 44 55 66 77\r\n\"Smith, John\",\r\n"
         "\"Say \"\"Hi\"\"\",a1b2c3d4e5f6a7\r\n",
         {"Ivanov Ivan|11 22 33 44 55 66 77", "Smith, John|", "Say \"Hi\"|A1 B2 C3 D4 E5 F6 A7"}},
        {"semicolon, LF, blank lines, trimmed",
         "  Petrov ; 11223344556677 \n\n   \nSidorov;\n;\n",
         {"Petrov|11 22 33 44 55 66 77", "Sidorov|"}},
        {"tab wins over the comma of a name",
         "Имя\tНомер\r\nLee, Ann\t21 22 23 24 25 26 27\r\n",
         {"Lee, Ann|21 22 23 24 25 26 27"}},
        {"a quoted separator, CR-only line ends",
         "\"Anna;Maria\";\rOleg;\r",
         {"Anna;Maria|", "Oleg|"}},
        {"ANSI code page, header ФИО", "\xD4\xC8\xCE;\r\n\xC0\xED\xED\xE0 \xA8;\r\n", {"Анна Ё|"}},
        {"UTF-8 with its mark", "\xEF\xBB\xBFname\r\nЁлкин\r\n", {"Ёлкин|"}},
        {"UTF-16 with its mark",
         Utf16("Name\tUniqueData\r\nBob\t31 32 33 34 35 36 37\r\n"),
         {"Bob|31 32 33 34 35 36 37"}},
        {"UTF-16 without a mark", Utf16("Bob\r\n").substr(2), {"Bob|"}},
        {"UTF-16 big-endian without a mark", Utf16("Bob\r\n", true), {"Bob|"}},
        {"200 characters are a name", Repeat("Я", 200) + "\r\n", {Repeat("Я", 200) + "|"}},
        {"UTF-8 of three and four bytes",
         "\xE2\x82\xAC \xF0\x9F\x98\x80;1F2F3F4F5F6F7F\r\n",
         {"\u20AC \U0001F600|1F 2F 3F 4F 5F 6F 7F"}},
        {"UTF-8 beside the surrogates, the least of four bytes",
         "\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\r\n",
         {"\uD7FF\uE000\U00010000|"}},
        // UTF-8 has no surrogates: such bytes are the ANSI code page's.
        {"the first surrogate in UTF-8 form", "\xED\xA0\x80\r\n", {"\u043D\u00A0\u0080|"}},
        {"the last surrogate in UTF-8 form", "\xED\xBF\xBF\r\n", {"\u043D\u00BF\u00BF|"}},
        // Two, three and four bytes of UTF-8 from UTF-16; a lone surrogate is U+FFFD.
        {"UTF-16's least pair",
         std::string("\xFF\xFE\x00\xD8\x00\xDC\r\0\n\0", 10),
         {"\U00010000|"}},
        {"UTF-16 beyond ASCII",
         std::string("\xFF\xFEx\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE\x00\xDC\x3D\xD8\xFF\xDB\r\0\n\0",
                     22),
         {"x\u00E9\u20AC\U0001F600\uFFFD\uFFFD\uFFFD|"}},
    };
    for (const auto& c : cases) {
        const ImportResult r = ReadImport(ImportText(c.bytes, FakeAnsi), {}, {});
        std::vector<std::string> people;  // name|number as shown
        for (const CardHolder& p : r.people)
            people.push_back(p.name + "|" + (p.number ? HolderNumberText(*p.number) : ""));
        EXPECT_TRUE(r.refused.empty()) << c.name;
        EXPECT_EQ(people, c.people) << c.name;
    }
}

// A number counts as known by its first three bytes (what a Wiegand 26 reader sends).
TEST(HoldersImport, ARefusedLineImportsNobody) {
    const std::string text =
        "Name;UniqueData\r\n;11 22 33 44 55 66 77\r\n"       // 1, 2 empty name
        "X;1 122 33 44 55 66 77\r\nY;11 22 33 44 55 66\r\n"  // 3 a blank in a pair, 4
        "Z;AA BB CC 01 02 03 04\r\n" +
        std::string(201, 'n') +
        "\r\n"                                                  // 5 recorded, 6
        "W;01 02 03 09 09 09 09\r\nV;51 52 53 54 55 56 57\r\n"  // 7 on the list, 8 fine
        "U;51 52 53 00 00 00 00\r\n\"two\nlines\";zz\r\nQ;GG 22 33 44 55 66 77\r\n"  // 9 twice, 10,
                                                                                     // 12
        "\x7F;\r\nA\x01B\r\nTab\there\r\n" +
        std::string("Nul\0", 4) + "\r\n";  // 13, 14, -, 16
    const auto recorded = [](const HolderNumber& n) {
        return n[0] == 0xAA && n[1] == 0xBB && n[2] == 0xCC;
    };
    const ImportResult r = ReadImport(text, recorded, {Waiting("On list", Num(1, 2, 3))});
    EXPECT_TRUE(r.people.empty());
    EXPECT_TRUE(ReadImport("a\nb\nc\n", {}, {}, 2).tooManyPeople);
    EXPECT_FALSE(ReadImport("a\nb\n", {}, {}, 2).tooManyPeople);
    std::vector<std::pair<std::size_t, Refusal>> refused;
    for (const RefusedLine& line : r.refused) refused.emplace_back(line.line, line.reason);
    using enum Refusal;
    EXPECT_EQ(refused, (std::vector<std::pair<std::size_t, Refusal>>{{2, EmptyName},
                                                                     {3, BadNumber},
                                                                     {4, BadNumber},
                                                                     {5, NumberRecorded},
                                                                     {6, NameTooLong},
                                                                     {7, NumberTwice},
                                                                     {9, NumberTwice},
                                                                     {10, ControlCharacter},
                                                                     {12, BadNumber},
                                                                     {13, ControlCharacter},
                                                                     {14, ControlCharacter},
                                                                     {16, ControlCharacter}}));
}

TEST(HoldersImport, OneMessageWithTenLinesAtMost) {
    std::vector<RefusedLine> refused;
    std::string expected = "Nothing was imported. Refused lines:";
    for (std::size_t line = 1; line <= 12; ++line) {
        refused.push_back({line, line == 3 ? Refusal::NumberTwice : Refusal::EmptyName});
        if (line <= 10)
            expected += "\nLine " + std::to_string(line) +
                        (line == 3 ? ": the number is given twice" : ": the name is empty");
    }
    const MessageTable english{LanguageId::English};
    EXPECT_EQ(RefusalMessage(refused, english), expected + "\nand 2 more");
    EXPECT_EQ(RefusalMessage({refused.begin(), refused.begin() + 10}, english), expected);
    EXPECT_EQ(
        RefusalMessage({{7, Refusal::NameTooLong}}, english),
        "Nothing was imported. Refused lines:\nLine 7: the name is longer than 200 characters");
}

// The converter's forms, and those of 11 22 33 44 55 66 77.
const std::string kFormColumns =
    "TM_W44,HEX_W44,DEC_W44,TM_W26,HEX_W26,DEC_W26,TM_W58,HEX_W58,DEC_W58";
const std::string kForms11 =
    "CD00554433221101,5544332211,0366216421905,EA00000033221101,332211,03351057,7566554433221101,"
    "77665544332211,33608038631023121";
const std::vector<CardHolder> kList = {
    Waiting("Ivanov"),
    Issued("Smith, John", Num(0x11, 0x22, 0x33), "2026-12-06T18:30:05+03:00", "0012345678"),
    Waiting("Say \"Hi\"", Num(0x01, 0x02, 0x03)),
};
const std::string kListFile =
    "\xEF\xBB\xBFName,UniqueData,Status,Time,CardBarcode,CardCipherId\r\nIvanov,,waiting,,,\r\n"
    "\"Smith, John\",11 22 33 44 55 66 "
    "77,issued,2026-12-06T18:30:05+03:00,0012345678,0000000042\r\n"
    "\"Say \"\"Hi\"\"\",01 02 03 44 55 66 77,waiting,,,\r\n";

// Latin and Russian letters in either case; Ё is not Е; the status in the window's language.
TEST(HoldersFilter, IgnoresTheCaseOfLatinAndRussianLetters) {
    const CardHolder person = Waiting("Ёлкин Пётр Яковлевич", Num(0xAB, 0xCD, 0xEF));
    const MessageTable russian{LanguageId::Russian}, english{LanguageId::English};
    for (const char* filter : {"ёлкин", "ЁЛКИН", "пЁТР", "ЯКОВЛЕВИЧ", "ab cd ef", "ОЖИДАЕТ"})
        EXPECT_TRUE(HolderMatches(person, filter, russian)) << filter;
    for (const char* filter : {"елкин", "Петр", "waiting", "ab  cd"})
        EXPECT_FALSE(HolderMatches(person, filter, russian)) << filter;
    EXPECT_TRUE(HolderMatches(person, "Waiting", english));
    EXPECT_TRUE(HolderMatches(kList[1], "345678", english));  // the card's barcode
}

TEST(HoldersFile, WrittenAndReadBack) {
    EXPECT_EQ(FormatCardHolders(kList), kListFile);
    std::vector<CardHolder> read;
    ASSERT_FALSE(ParseCardHolders(kListFile, read));
    EXPECT_EQ(FormatCardHolders(read), kListFile);
    // A list written before the cards were identified reads as it did.
    ASSERT_FALSE(ParseCardHolders("Name,UniqueData,Status,Time\r\nIvanov,,waiting,\r\n", read));
    EXPECT_EQ(FormatCardHolders(read), FormatCardHolders({kList[0]}));
    for (const char* damaged : {"Ann,,lost,,,\r\n", "Ann,,issued,\r\n", "Ann,11 22,waiting,\r\n",
                                "Ann,waiting\r\n", "Ann,,waiting,,\r\n"}) {
        const auto damage = ParseCardHolders(kListFile + "\r\n" + damaged, read);
        EXPECT_EQ(damage ? damage->line : 0u, 6u) << damaged;
    }
}

// A failed step leaves the old list and no temporary file; a list held by another station is waited
// for.
TEST(HoldersFile, ARewriteThatFailsKeepsTheOldList) {
    const struct {
        FileOp op;
        const char* path;
        ListStep step;
    } cases[] = {{FileOp::Open, "CardHolders.tmp", ListStep::Open},
                 {FileOp::Write, "CardHolders.tmp", ListStep::Write},
                 {FileOp::Flush, "CardHolders.tmp", ListStep::Flush},
                 {FileOp::Move, "CardHolders.csv", ListStep::Move}};
    std::vector<CardHolder> longer = kList;
    longer.push_back(Waiting("New"));
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        MemoryFiles files;
        FakeSleeper sleeper;
        files.Put("CardHolders.csv", kListFile);
        files.FailAt(c.op, 1, 112, c.path);
        const auto failure = SaveCardHolders(files, sleeper, HolderPaths{}, longer);
        EXPECT_EQ(
            failure ? std::pair(failure->step, failure->systemError) : std::pair(ListStep{}, 0u),
            std::pair(c.step, 112u));
        EXPECT_EQ(files.Text("CardHolders.csv"), kListFile);
        EXPECT_FALSE(files.Has("CardHolders.tmp"));
        files.FailAt(FileOp::Move, 1, 32, "CardHolders.csv", FileStatus::HeldElsewhere);
        EXPECT_FALSE(SaveCardHolders(files, sleeper, HolderPaths{}, longer));
        EXPECT_EQ(files.Text("CardHolders.csv"), FormatCardHolders(longer));
        EXPECT_EQ(sleeper.pauses.size(), 1u);
    }
}

TEST(HoldersExport, TheConverterFormsOfEachIssuedPersonAndNoFormulas) {
    const std::vector<CardHolder> people = {
        Issued("=HYPERLINK(\"x\")", HolderNumber{1, 2, 3, 4, 5, 6, 7}, "2026-12-06T18:30:05+03:00"),
        Waiting("Not yet"), Issued("Anna", Num(0x11, 0x22, 0x33), "t", "0012345678")};
    EXPECT_EQ(
        ExportIssuedHolders(people, {0, 1, 2}),
        "\xEF\xBB\xBFName,UniqueData," + kFormColumns +
            ",Time,CardBarcode,CardCipherId\r\n"
            "\"'=HYPERLINK(\"\"x\"\")\",01 02 03 04 05 06 "
            "07,6000050403020101,0504030201,0021542142465,"
            "0100000003020101,030201,00197121,BD06050403020101,07060504030201,01976943448883713,"
            "2026-12-06T18:30:05+03:00,,\r\n"
            "Anna,11 22 33 44 55 66 77," +
            kForms11 + ",t,0012345678,0000000042\r\n");
    EXPECT_EQ(ExportIssuedHolders(people, {2}).find("HYPERLINK"),
              std::string::npos);  // filtered rows only
    const struct {
        const char* in;
        const char* out;
    } cells[] = {{"=1+2", "'=1+2"}, {"+7", "'+7"},   {"-x", "'-x"},  {"@SUM", "'@SUM"},
                 {"\tx", "'\tx"},   {"\rx", "'\rx"}, {"a=b", "a=b"}, {"", ""}};
    for (const auto& c : cells) EXPECT_EQ(SpreadsheetSafe(c.in), c.out) << c.in;
    // The register's export too: only a line with such a cell changes.
    EXPECT_EQ(SpreadsheetSafeLine("2026,-admin,DESK"),
              "2026,'-admin,DESK" + std::string(kRegisterColumnCount - 3, ','));
    EXPECT_EQ(SpreadsheetSafeLine("2026,\"a,b\",DESK"), "2026,\"a,b\",DESK");
}

// The window's list, loaded from kListFile.
struct HoldersListTest : ::testing::Test {
    MemoryFiles files;
    FakeSleeper sleeper;
    FixedStation station;
    const MessageTable texts{LanguageId::English};
    FileHolders store{files, sleeper, HolderPaths{}, "C:\\Cards\\CardHolders.csv"};
    HoldersList list{store, texts};
    void SetUp() override {
        files.Put("CardHolders.csv", kListFile);
        ASSERT_FALSE(list.Load(texts));
    }
};

// The given numbers are reserved in usersData.data with the import, and stay there when their
// people are removed.
TEST_F(HoldersListTest, ImportAppendsEveryoneOrNoOneAndRemoveTakesOnlyWaitingPeople) {
    files.Put("usersData.data", "AABBCC0000");
    list.SetFilter("SMITH");
    EXPECT_THAT(list.Rows(), ElementsAre(1u));
    list.SetFilter("");

    EXPECT_EQ(list.Import("Ann;AA BB CC 00 00 00 01\r\n", FakeAnsi, texts).icon,
              MessageIcon::Error);
    EXPECT_EQ(list.Import(std::string(kMaxImportBytes + 1, 'a'), FakeAnsi, texts).text,
              texts[Msg::kHoldersFileTooLarge]);
    files.FailAt(FileOp::Move, 1, 112,
                 "CardHolders.csv");  // the list cannot be saved: the reservation is taken back
    EXPECT_EQ(list.Import("Bob;21 22 23 24 25 26 27\r\n", FakeAnsi, texts).icon,
              MessageIcon::Error);
    EXPECT_EQ(files.Text("CardHolders.csv"), kListFile);
    EXPECT_EQ(files.Text("usersData.data"), "AABBCC0000");

    files.heldOpens = 3;  // another station's window looks at the lock: the import waits for it
    EXPECT_EQ(
        list.Import("\xC0\xED\xED\xE0;\r\nBob;21 22 23 24 25 26 27\r\nCy;31 32 33 34 35 36 37\r\n",
                    FakeAnsi, texts)
            .text,
        "People added to the list: 3.");
    EXPECT_EQ(files.Text("usersData.data"), "AABBCC0000 2122232425 3132333435");
    EXPECT_EQ(list.Counts().waiting, 5u);
    EXPECT_EQ(files.Text("CardHolders.csv"),
              kListFile +
                  "Анна,,waiting,,,\r\nBob,21 22 23 24 25 26 27,waiting,,,\r\nCy,31 32 33 34 35 36 "
                  "37,waiting,,,\r\n");

    // Chosen while the list showed these places; another station then puts someone first.
    const std::vector<HolderIdentity> chosen =
        list.Chosen({0, 1, 3, 4});  // Ivanov, Smith (issued), Анна, Bob
    std::vector<CardHolder> moved;
    ASSERT_FALSE(ParseCardHolders(files.Text("CardHolders.csv"), moved));
    moved.insert(moved.begin(), Waiting("Zoe"));
    files.Put("CardHolders.csv", FormatCardHolders(moved));
    EXPECT_FALSE(list.Remove(chosen, texts));
    EXPECT_EQ(files.Text("CardHolders.csv"),
              FormatCardHolders({moved[0], moved[2], moved[3], moved[6]}));
    EXPECT_EQ(files.Text("usersData.data"), "AABBCC0000 2122232425 3132333435");

    files.held.insert("CardHolders.lock");  // another station's run: shown, not changed
    EXPECT_TRUE(list.HeldElsewhere());
    EXPECT_EQ(list.Import("Dee\r\n", FakeAnsi, texts).text, texts[Msg::kHoldersBusy]);
    files.held.clear();
    files.entries.erase("CardHolders.lock");
    EXPECT_FALSE(list.HeldElsewhere());
    EXPECT_FALSE(files.Has("CardHolders.lock"));  // looked at, not taken
}

// A replaced card: a Revoke row with the old number, card and reason; the person waits with no
// number.
TEST_F(HoldersListTest, AReplacedCardIsRevokedInTheRegisterAndItsPersonWaitsAgain) {
    IssuedCardsLog log{files, "IssuedCards.csv", sleeper, station, "C:\\Cards\\IssuedCards.csv"};
    const HolderIdentity smith = list.Chosen({1})[0];
    files.FailAt(FileOp::Write, 1, 112, "IssuedCards.csv");
    EXPECT_EQ(list.Replace(smith, ReplaceReason::Lost, log, texts)->text,
              texts[Msg::kHoldersRevokeNotRecorded] +
                  std::string("\n\rC:\\Cards\\IssuedCards.csv\nGetLastError=00000070"));
    EXPECT_EQ(files.Text("CardHolders.csv"), kListFile);
    // Revoked, but the list cannot be saved: the operator is told, and the next try revokes the
    // number no second time (the export below finds one row).
    files.FailAt(FileOp::Move, 1, 112, "CardHolders.csv");
    EXPECT_THAT(list.Replace(smith, ReplaceReason::Lost, log, texts)->text,
                ::testing::StartsWith("The number 11 22 33 44 55 66 77 is revoked in the register, "
                                      "but the list of card holders could not be saved, so Smith, "
                                      "John still shows as issued."));
    EXPECT_EQ(files.Text("CardHolders.csv"), kListFile);
    EXPECT_EQ(list.Replace(smith, ReplaceReason::Lost, log, texts)->icon, MessageIcon::Success);
    EXPECT_EQ(list.Replace(smith, ReplaceReason::Lost, log, texts)->text,
              texts[Msg::kHoldersReplaceGone]);
    EXPECT_EQ(files.Text("CardHolders.csv"),
              FormatCardHolders({kList[0], Waiting("Smith, John"), kList[2]}));

    files.Put("IssuedCards.csv", files.Text("IssuedCards.csv") + "2026,,,,,User,Write,,,,,,\r\n");
    RegisterFileSource source{files, "IssuedCards.csv"};
    std::string text;
    ASSERT_TRUE(ExportRevokedNumbers(source, text));
    EXPECT_EQ(text, "\xEF\xBB\xBFUniqueData," + kFormColumns +
                        ",CardBarcode,CardCipherId,Reason,Time\r\n11 22 33 44 55 66 77," +
                        kForms11 + ",0012345678,0000000042,Lost,2026-12-06T18:30:05+03:00\r\n");
}

TEST(HoldersExport, TheProgramsOwnFilesAreNeverATarget) {
    for (const char* own : {"C:\\T\\cardholders.CSV", "IssuedCards.csv", "D:/x/usersData.data",
                            "crkeys.data", "zipkeys.data", "keys.data. ", "appconfig.ini"})
        EXPECT_TRUE(IsProgramFileName(own)) << own;
    for (const char* other : {"CardHolders-export.csv", "C:\\keys.data\\out.csv", "mykeys.data"})
        EXPECT_FALSE(IsProgramFileName(other)) << other;
}

struct HoldersRunTest : ::testing::Test {
    TestApp t{LanguageId::English};
    FixedStation clock;
    FileHolders store{t.files, t.sleeper, HolderPaths{}, "C:\\Cards\\CardHolders.csv"};
    HoldersRun run{store, clock};

    void SetUp() override {
        t.Connect();
        t.ReaderReadsCards(true);
        t.app.holders = &run;
        UserWrite();
        t.files.Put("CardHolders.csv", FormatCardHolders({Issued("Anna", Num(0xA0, 1, 2), "t0"),
                                                          Waiting("Boris", Num(0x21, 0x22, 0x23)),
                                                          Waiting("Vera"), Waiting("Gleb")}));
    }
    void UserWrite() {
        t.SelectCombo(Ctl::WorkModeCombo, 1);
        t.SelectCombo(Ctl::RoleCombo, 1);
    }
    // Runs the list with these results, card by card: the progress titles, and the numbers sent.
    std::vector<std::string> Issue(const std::vector<std::string>& results,
                                   std::vector<HolderNumber>& sent) {
        std::vector<std::string> titles;
        if (!run.Prepare(t.app)) return titles;
        run.Begin(t.app);
        for (const std::string& result : results) {
            titles.push_back(t.progress.title);
            std::copy_n(t.port.sent.back().begin() + 37, 7, sent.emplace_back().begin());
            t.Tick(TimerId::Card);
            t.port.Arrive(result);
            t.Tick(TimerId::Card);
        }
        return titles;
    }
    std::vector<CardHolder> List() {
        std::vector<CardHolder> people;
        EXPECT_FALSE(ParseCardHolders(t.files.Text("CardHolders.csv"), people));
        return people;
    }
};

// A failed card ends the run and leaves its person waiting: a given number is used
// again, a drawn one stays recorded and the person gets a new one.
TEST_F(HoldersRunTest, EachCardIsForTheNextWaitingPersonUntilEveryoneHasOne) {
    const std::string ok = "\n\rAT+DAT_OK", err = "\n\rAT+ERR_04",
                      title = "Present the card to the reader... \xE2\x80\x94 ";
    std::vector<HolderNumber> sent;
    EXPECT_THAT(Issue({err}, sent), ElementsAre(title + "Boris (1 of 3)"));
    EXPECT_FALSE(run.Active());
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
    EXPECT_EQ(List()[1].status, HolderStatus::Waiting);

    EXPECT_THAT(Issue({ok, err}, sent),
                ElementsAre(title + "Boris (1 of 3)", title + "Vera (2 of 3)"));
    EXPECT_EQ(sent[1], Num(0x21, 0x22, 0x23));  // Boris's given number again
    EXPECT_EQ(List()[2].status, HolderStatus::Waiting);
    EXPECT_FALSE(List()[2].number);

    t.boxes.shown.clear();
    EXPECT_THAT(Issue({ok, ok}, sent),
                ElementsAre(title + "Vera (1 of 2)", title + "Gleb (2 of 2)"));
    EXPECT_NE(sent[3], sent[2]);  // Vera's first number is never used again
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("Every person on the list has a card."));
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));

    const char* now = "2026-12-06T18:30:05+03:00";
    EXPECT_EQ(t.files.Text("CardHolders.csv"),
              FormatCardHolders({Issued("Anna", Num(0xA0, 1, 2), "t0"),
                                 Issued("Boris", sent[1], now, "0012345679", "3232235777"),
                                 Issued("Vera", sent[3], now, "0012345681", "3232235777"),
                                 Issued("Gleb", sent[4], now, "0012345682", "3232235777")}))
        << "each row names the card identified before its write";
    // Every number sent was recorded, the failed drawn one included.
    for (const HolderNumber& n : sent) EXPECT_THAT(t.users.asked, ::testing::Contains(n));
    EXPECT_FALSE(FileHolders(t.files, t.sleeper, HolderPaths{}, "").HeldElsewhere());  // let go
}

TEST_F(HoldersRunTest, TheReadBackTitleNamesThePerson) {
    t.app.verifyAfterWrite = true;
    std::vector<HolderNumber> sent;
    Issue({"\n\rAT+DAT_OK"}, sent);
    EXPECT_EQ(t.progress.title, "Present the card to the reader... \xE2\x80\x94 Boris (1 of 3)");
}

// A number usersData.data cannot record, drawn or given, or a given one whose Wiegand 26 key
// another number holds, is never written to a card, and its person stays waiting.
TEST_F(HoldersRunTest, ANumberTheStoreCannotRecordIsNeverSent) {
    const std::string failed = "Error writing to file usersData.data!\nGetLastError=00000005";
    const struct {
        CardHolder person;
        RecordOutcome outcome;
        std::string box;
    } cases[] = {
        {Waiting("Vera"), RecordOutcome::Failed, failed},
        {Waiting("Boris", Num(0x21, 0x22, 0x23)), RecordOutcome::Failed, failed},
        {Waiting("Boris", Num(0x21, 0x22, 0x23)), RecordOutcome::KeyTaken,
         "The number 21 22 23 44 55 66 77 given to Boris shares its first three bytes"},
    };
    for (const auto& c : cases) {
        const std::string name = c.person.name + (c.outcome == RecordOutcome::Failed ? "" : " key");
        t.files.Put("CardHolders.csv", FormatCardHolders({c.person}));
        t.users.outcomes = {c.outcome};
        t.boxes.shown.clear();
        const std::size_t sent = t.port.sent.size();
        std::vector<HolderNumber> numbers;
        Issue({}, numbers);
        EXPECT_EQ(t.port.sent.size(), sent + 1) << name;  // the card's Read ID, no frame
        EXPECT_THAT(t.boxes.Texts(), ElementsAre(::testing::StartsWith(c.box))) << name;
        EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None) << name;
        EXPECT_EQ(List()[0].status, HolderStatus::Waiting) << name;
    }
}

// The card holds Boris's number though its register row could not be saved: the list marks him
// issued, and the message says both.
TEST_F(HoldersRunTest, ACardWhoseRowCannotBeSavedStillIssuesItsPerson) {
    IssuedCardsLog log{t.files, "IssuedCards.csv", t.sleeper, clock, "C:\\Cards\\IssuedCards.csv"};
    t.app.issued = &log;
    t.files.FailAt(FileOp::Write, 2, 112, "IssuedCards.csv");
    std::vector<HolderNumber> sent;
    Issue({"\n\rAT+DAT_OK"}, sent);
    EXPECT_THAT(t.boxes.Texts(), ::testing::Contains(::testing::StartsWith(
                                     "The card holds the number of Boris, who is marked issued")));
    EXPECT_EQ(List()[1].status, HolderStatus::Issued);
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
}

// The card is written and recorded, but the list cannot say so: the run ends there and the operator
// is told.
TEST_F(HoldersRunTest, AListThatCannotBeSavedAfterACardEndsTheRun) {
    std::vector<HolderNumber> sent;
    t.files.FailAt(FileOp::Move, 1, 112, "CardHolders.csv");
    Issue({"\n\rAT+DAT_OK"}, sent);
    EXPECT_THAT(
        t.boxes.Texts(),
        ElementsAre("The list of card holders could not be saved:\n\rC:\\Cards\\CardHolders.csv"
                    "\nGetLastError=00000070"));
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_EQ(List()[1].status, HolderStatus::Waiting);
}

TEST_F(HoldersRunTest, WhatIsMissingIsSaidAndNothingIsSent) {
    const struct {
        const char* name;
        std::function<void()> arrange;
        std::string message;
    } cases[] = {
        {"a Master write", [&] { t.SelectCombo(Ctl::RoleCombo, 0); },
         t.T(Msg::kHoldersNeedUserWrite)},
        {"no sector data",
         [&] {
             t.SelectCombo(Ctl::WorkModeCombo, 0);
             t.SelectCombo(Ctl::RoleCombo, 1);
         },
         t.T(Msg::kHoldersNeedUserWrite)},
        {"nobody waiting",
         [&] { t.files.Put("CardHolders.csv", kListFile.substr(0, kListFile.find("Ivanov"))); },
         t.T(Msg::kHoldersNobodyWaiting)},
        {"held elsewhere", [&] { t.files.held.insert("CardHolders.lock"); },
         t.T(Msg::kHoldersBusy)},
        {"damaged", [&] { t.files.Put("CardHolders.csv", kListFile + "x\r\n"); },
         "The list of card holders is damaged at line 5:\n\rC:\\Cards\\CardHolders.csv"},
    };
    const std::string list = t.files.Text("CardHolders.csv");
    for (const auto& c : cases) {
        t.files.Put("CardHolders.csv", list);
        t.files.held.clear();
        UserWrite();
        t.boxes.shown.clear();
        const std::size_t sent = t.port.sent.size();
        c.arrange();
        EXPECT_FALSE(run.Prepare(t.app)) << c.name;
        EXPECT_THAT(t.boxes.Texts(), ElementsAre(c.message)) << c.name;
        EXPECT_EQ(t.port.sent.size(), sent) << c.name;
    }
}

TEST_F(HoldersListTest, ACardTheStationNeverWroteIsAskedOfTheSharedRegister) {
    struct Shared : FileRegister {
        using FileRegister::FileRegister;
        std::optional<RegisterFailure> SharedNumberOnCard(const CardIdentity&,
                                                          std::optional<std::string>& n) override {
            n = "01 02 03 04 05 00 00";
            return std::nullopt;
        }
    };
    Shared shared{files, sleeper, "IssuedCards.csv"};
    IssuedCardsLog log{files, "IssuedCards.csv", sleeper, station, "IssuedCards.csv", &shared};
    std::optional<std::string> held;
    ASSERT_FALSE(log.NumberHeldBy({1, 2}, held));
    EXPECT_EQ(held.value_or("none"), "01 02 03 04 05 00 00");
}

}  // namespace
}  // namespace tollvane::testing
