// The menu commands of the main window: language, About, Help, Quit, and the
// single instance.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

TEST_F(E2eTest, LanguageSwitchRetextsTheFormKeepsItsStateAndIsRemembered) {
    Start(kRussianConfig);
    ASSERT_EQ(WindowText(program->Main()), "Tollvane вер.2.00 (x64)");
    program->Select(kWorkMode, 1);
    program->Click(kPlus);
    program->Menu(kEnglish);
    EXPECT_EQ(WindowText(program->Main()), "Tollvane ver.2.00 (x64)");
    EXPECT_EQ(program->Text(kWrite) + "|" + WindowText(program->ControlAt("Button", 5, 5)) + "|" +
                  WindowText(program->ControlAt("Static", 18, 655)) + "|" + program->Items(kWorkMode)[1],
              "Write| Settings |HEX: |Send sector data after logged in");
    EXPECT_EQ(program->Selection(kWorkMode), 1);
    EXPECT_TRUE(program->Checked(kPlus) && program->Enabled(kCrypto1Edit));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\n");

    // The About box follows, modal, and Escape closes it.
    program->MenuAsync(kAbout);
    const HWND about = program->WaitTop(L"#32770", L"About...");
    ASSERT_TRUE(about);
    EXPECT_FALSE(IsWindowEnabled(program->Main()));
    std::string texts = "|";
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts += WindowText(child) + "|";
    EXPECT_NE(texts.find("|Program:\n\rTollvane\n\n\rVersion:   2.00 (x64)"), std::string::npos) << texts;
    PostMessageW(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(program->Main()); }));
    // Help without its folder: two boxes.
    program->MenuAsync(kHelp);
    for (const char* text : {"File not found!\n\rCheck for the presence of the help file (Tollvane ver_2_00.pdf).",
                             "Open the help folder where the application is installed.\n\r"
                             "Default: C:\\Tollvane ver_2_00\\help"}) {
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box) << text;
        EXPECT_EQ(box->caption + "|" + box->text, std::string("Message|") + text);
        program->Answer(*box, IDOK);
    }
    program->Menu(kRussian);
    EXPECT_EQ(program->Items(kRole), (std::vector<std::string>{"Мастер", "Пользователь"}));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = RU;\r\n");
    program->Menu(kEnglish);

    // A second start brings the first window back and ends.
    ShowWindow(program->Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(program->Main()) != FALSE; }));
    Program second(dir.path);
    EXPECT_EQ(second.WaitMainWindow(), nullptr);
    EXPECT_EQ(second.WaitExit(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(program->Main()) && GetForegroundWindow() == program->Main(); }));

    // File, Quit ends the program; the next start is in English.
    program->MenuAsync(kQuit);
    EXPECT_EQ(program->WaitExit(), 0u);
    Start(std::nullopt);
    EXPECT_EQ(program->Items(kRole), (std::vector<std::string>{"Master", "User"}));
}

}  // namespace
}  // namespace tollvane::e2e
