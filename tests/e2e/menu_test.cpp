// The menu commands of the main window: language, About, Help, Quit, and the
// single instance.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

// The About box of the language, modal, closed with OK or Escape.
void ExpectAbout(const Program& program, const char* caption, const char* text, const char* shot, bool escape) {
    const HWND about = program.WaitTop(L"#32770", Widen(caption));
    ASSERT_TRUE(about) << caption;
    EXPECT_EQ(GetWindow(about, GW_OWNER), program.Main());
    EXPECT_FALSE(IsWindowEnabled(program.Main()));
    bool found = false;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        found = found || WindowText(child).rfind(text, 0) == 0;
    EXPECT_TRUE(found) << caption;
    Shot(about, shot);
    PostMessageW(GetDlgItem(about, IDOK), escape ? WM_KEYDOWN : BM_CLICK, escape ? VK_ESCAPE : 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(program.Main()); }));
}

TEST_F(E2eTest, LanguageSwitchRetextsTheFormKeepsItsStateAndIsRemembered) {
    Start(kRussianConfig);
    ASSERT_EQ(WindowText(form->Main()), "Tollvane вер.2.00 (x64)");
    form->MenuAsync(kAbout);
    ExpectAbout(*program, "О программе...", "Программа:\n\rTollvane\n\n\rВерсия:   2.00 (x64)", "about-ru", true);
    form->Select(kWorkMode, 1);
    form->Click(kPlus);
    form->Menu(kEnglish);
    EXPECT_EQ(WindowText(form->Main()), "Tollvane ver.2.00 (x64)");
    EXPECT_EQ(form->Text(kWrite), "Write");
    EXPECT_EQ(WindowText(form->ControlAt("Button", 5, 5)), " Settings ");
    EXPECT_EQ(WindowText(form->ControlAt("Static", 18, 655)), "HEX: ");
    EXPECT_EQ(form->Items(kWorkMode)[1], "Send sector data after logged in");
    EXPECT_EQ(form->Selection(kWorkMode), 1);
    EXPECT_TRUE(form->Checked(kPlus) && form->Enabled(kCrypto1Edit));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\n");

    // Message boxes and the About box follow: Help without its folder, in English.
    form->MenuAsync(kAbout);
    ExpectAbout(*program, "About...", "Program:\n\rTollvane\n\n\rVersion:   2.00 (x64)", "about-en", false);
    form->MenuAsync(kHelp);
    for (const char* text : {"File not found!\n\rCheck for the presence of the help file (Tollvane ver_2_00.pdf).",
                             "Open the help folder where the application is installed.\n\r"
                             "Default: C:\\Tollvane ver_2_00\\help"}) {
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box) << text;
        EXPECT_EQ(box->caption + "|" + box->text, std::string("Message|") + text);
        EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
        program->Answer(*box, IDOK);
    }
    EXPECT_FALSE(program->CurrentMessageBox());

    form->Menu(kRussian);
    EXPECT_EQ(form->Items(kRole), (std::vector<std::string>{"Мастер", "Пользователь"}));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = RU;\r\n");
    form->Menu(kEnglish);
    // File, Quit ends the program; the next start is in English.
    form->MenuAsync(kQuit);
    EXPECT_EQ(program->WaitExit(), 0u);
    Start(std::nullopt);
    EXPECT_EQ(form->Items(kRole), (std::vector<std::string>{"Master", "User"}));
}

TEST_F(E2eTest, SecondStartBringsTheFirstWindowBackAndExits) {
    Start();
    ShowWindow(form->Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(form->Main()) != FALSE; }));
    Program second(dir.Path());
    EXPECT_EQ(second.WaitMainWindow(), nullptr);
    EXPECT_EQ(second.WaitExit(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(form->Main()) && GetForegroundWindow() == form->Main(); }));
}

}  // namespace
}  // namespace tollvane::e2e
