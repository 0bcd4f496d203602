// The menu commands of the main window: language, About, Help, Quit, and the
// single instance.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

TEST_F(E2eTest, LanguageSwitchRetextsTheFormKeepsItsStateAndIsRemembered) {
    Start(kRussianConfig);
    ASSERT_EQ(WindowText(form->Main()), "Tollvane вер.2.00 (x64)");
    form->Select(kWorkMode, 1);
    form->Click(kPlus);
    form->Menu(kEnglish);
    EXPECT_EQ(WindowText(form->Main()), "Tollvane ver.2.00 (x64)");
    EXPECT_EQ(form->Text(kWrite) + "|" + WindowText(form->ControlAt("Button", 5, 5)) + "|" +
                  WindowText(form->ControlAt("Static", 18, 655)) + "|" + form->Items(kWorkMode)[1],
              "Write| Settings |HEX: |Send sector data after logged in");
    EXPECT_EQ(form->Selection(kWorkMode), 1);
    EXPECT_TRUE(form->Checked(kPlus) && form->Enabled(kCrypto1Edit));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\n");

    // The About box follows, modal, and Escape closes it.
    form->MenuAsync(kAbout);
    const HWND about = program->WaitTop(L"#32770", L"About...");
    ASSERT_TRUE(about);
    EXPECT_FALSE(IsWindowEnabled(form->Main()));
    std::string texts = "|";
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts += WindowText(child) + "|";
    EXPECT_NE(texts.find("|Program:\n\rTollvane\n\n\rVersion:   2.00 (x64)"), std::string::npos) << texts;
    PostMessageW(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(form->Main()); }));
    // Help without its folder: two boxes.
    form->MenuAsync(kHelp);
    for (const char* text : {"File not found!\n\rCheck for the presence of the help file (Tollvane ver_2_00.pdf).",
                             "Open the help folder where the application is installed.\n\r"
                             "Default: C:\\Tollvane ver_2_00\\help"}) {
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box) << text;
        EXPECT_EQ(box->caption + "|" + box->text, std::string("Message|") + text);
        program->Answer(*box, IDOK);
    }
    form->Menu(kRussian);
    EXPECT_EQ(form->Items(kRole), (std::vector<std::string>{"Мастер", "Пользователь"}));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = RU;\r\n");
    form->Menu(kEnglish);

    // A second start brings the first window back and ends.
    ShowWindow(form->Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(form->Main()) != FALSE; }));
    Program second(dir.Path());
    EXPECT_EQ(second.WaitMainWindow(), nullptr);
    EXPECT_EQ(second.WaitExit(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(form->Main()) && GetForegroundWindow() == form->Main(); }));

    // File, Quit ends the program; the next start is in English.
    form->MenuAsync(kQuit);
    EXPECT_EQ(program->WaitExit(), 0u);
    Start(std::nullopt);
    EXPECT_EQ(form->Items(kRole), (std::vector<std::string>{"Master", "User"}));
}

}  // namespace
}  // namespace tollvane::e2e
