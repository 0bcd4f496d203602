// Pictures that only the documentation needs (scripts/screenshots sets
// TOLLVANE_E2E_SHOTS); the scenarios save the windows they reach themselves.
#include "e2e_fixture.h"

#include <commctrl.h>

#include <fstream>
#include <iterator>

namespace tollvane::e2e {
namespace {

TEST_F(E2eTest, DocumentationPictures) {
    if (!std::getenv("TOLLVANE_E2E_SHOTS")) GTEST_SKIP() << "only for scripts/screenshots";
    Registry("no-usb");  // the main window as it starts without a reader
    for (const std::string lang : {"ru", "en"}) {
        form.reset();
        program.reset();
        dir.Write("appconfig.ini", lang == "ru" ? kRussianConfig : kEnglishConfig);
        program = std::make_unique<Program>(dir.Path());
        program->WaitMainWindow();
        form = std::make_unique<Form>(*program);
        Shot(program->WaitTop(PROGRESS_CLASSW), "progress-" + lang);
        Settle();
        Shot(form->Main(), "main-master-" + lang);
        for (int mode : {1, 2}) {
            form->Select(kWorkMode, mode);
            Shot(form->Main(), "mode-master-" + std::to_string(mode) + "-" + lang);
        }
        for (int mode : {0, 2, 1}) {
            form->Select(kRole, 0);
            form->Select(kWorkMode, mode);
            form->Select(kRole, 1);
            if (mode != 1) Shot(form->Main(), "mode-user-" + std::to_string(mode) + "-" + lang);
        }
        form->Click(kGenerateUnique);
        Shot(form->Main(), "main-user-" + lang);
        form->MenuAsync(kHelp);
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box);
        Shot(box->hwnd, "message-" + lang);
        program->Answer(*box, IDOK);
        NextBox();
    }
    std::ifstream keyList(std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
                          std::ios::binary);
    dir.Write("crkeys.data", std::string(std::istreambuf_iterator<char>(keyList), {}));
    Start();
    form->ClickAsync(kShowList);
    const HWND keys = program->WaitTop(L"my Child Window");
    ASSERT_TRUE(keys && WaitUntil([&] { return GetDlgItem(keys, 50) != nullptr; }));
    PostMessageW(GetDlgItem(keys, 44), BM_CLICK, 0, 0);  // Show Key
    ClickListRow(GetDlgItem(keys, 47), 3, true);
    WaitUntil([&] { return WindowText(GetDlgItem(keys, 42)) == "B0 B1 B2 B3 B4 B5"; });
    Shot(keys, "keylist");
}

}  // namespace
}  // namespace tollvane::e2e
