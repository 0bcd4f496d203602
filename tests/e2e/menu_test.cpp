// The menu commands of the main window: language, Help, About, Quit, and the
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
    EXPECT_EQ(form->Text(kWrite), "Write");
    EXPECT_EQ(form->Text(kShowCrypto1), "Show Key");
    EXPECT_EQ(form->Text(kClassic), "Mifare Classic");
    EXPECT_EQ(WindowText(form->ControlAt("Button", 5, 5)), " Settings ");
    EXPECT_EQ(WindowText(form->ControlAt("Static", 18, 655)), "HEX: ");
    EXPECT_EQ(form->Items(kWorkMode)[1], "Send sector data after logged in");
    EXPECT_EQ(form->Selection(kWorkMode), 1);
    EXPECT_TRUE(form->Checked(kPlus));
    EXPECT_TRUE(form->Enabled(kCrypto1Edit));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = EN;\r\n");

    // Message boxes follow: Help without its folder, in English.
    form->MenuAsync(kHelp);
    auto box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "Message");
    EXPECT_EQ(box->text, "File not found!\n\rCheck for the presence of the help file (Tollvane ver_2_00.pdf).");
    EXPECT_EQ(box->icon, 5);
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    program->Answer(*box, IDOK);
    box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Open the help folder where the application is installed.\n\rDefault: C:\\Tollvane ver_2_00\\help");
    EXPECT_EQ(box->icon, 6);
    program->Answer(*box, IDOK);
    EXPECT_FALSE(program->CurrentMessageBox());

    form->Menu(kRussian);
    EXPECT_EQ(form->Text(kWrite), "Записать");
    EXPECT_EQ(form->Items(kRole), (std::vector<std::string>{"Мастер", "Пользователь"}));
    EXPECT_EQ(dir.Read("appconfig.ini"), "Language = RU;\r\n");
    form->Menu(kEnglish);

    // File, Quit ends the program; the next start is in English.
    form->MenuAsync(kQuit);
    EXPECT_EQ(program->WaitExit(), 0u);
    Start(std::nullopt);
    EXPECT_EQ(WindowText(form->Main()), "Tollvane ver.2.00 (x64)");
    EXPECT_EQ(form->Items(kRole), (std::vector<std::string>{"Master", "User"}));
}

TEST_F(E2eTest, AboutBoxOfEachLanguageClosesWithOkOrEscape) {
    struct Case {
        int language;
        const char* caption;
        const char* firstLine;
        bool escape;
    };
    const Case cases[] = {
        {kEnglish, "About...", "Program:\n\rTollvane\n\n\rVersion:   2.00 (x64)", false},
        {kRussian, "О программе...", "Программа:\n\rTollvane\n\n\rВерсия:   2.00 (x64)", true},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        form->Menu(c.language);
        form->MenuAsync(kAbout);
        const HWND about = program->WaitTop(L"#32770", Widen(c.caption));
        ASSERT_TRUE(about);
        EXPECT_EQ(GetWindow(about, GW_OWNER), form->Main());
        EXPECT_FALSE(IsWindowEnabled(form->Main()));
        EXPECT_EQ(WindowText(GetDlgItem(about, IDOK)), "OK");
        bool found = false;
        for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            found = found || WindowText(child).rfind(c.firstLine, 0) == 0;
        EXPECT_TRUE(found);
        Shot(about, c.language == kEnglish ? "about-en" : "about-ru");
        PostMessageW(GetDlgItem(about, IDOK), c.escape ? WM_KEYDOWN : BM_CLICK, c.escape ? VK_ESCAPE : 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(form->Main()); }));
    }
    EXPECT_TRUE(program->Running());
}

TEST_F(E2eTest, SecondStartBringsTheFirstWindowBackAndExits) {
    Start();
    ShowWindow(form->Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(form->Main()) != FALSE; }));
    Program second(dir.Path());
    EXPECT_EQ(second.WaitMainWindow(), nullptr);
    EXPECT_EQ(second.WaitExit(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(form->Main()) && GetForegroundWindow() == form->Main(); }));
    int windows = 0;
    for (HWND h = FindWindowW(L"my Window", nullptr); h; h = FindWindowExW(nullptr, h, L"my Window", nullptr)) ++windows;
    EXPECT_EQ(windows, 1);
}

}  // namespace
}  // namespace tollvane::e2e
