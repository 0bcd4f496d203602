// Pictures that only the documentation needs (scripts/screenshots sets
// TOLLVANE_E2E_SHOTS); the scenarios save the windows they reach themselves.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

TEST_F(E2eTest, DocumentationPictures) {
    if (!std::getenv("TOLLVANE_E2E_SHOTS")) GTEST_SKIP() << "only for scripts/screenshots";
    Registry("no-usb");  // the main window as it starts without a reader
    for (const std::string lang : {"ru", "en"}) {
        Start(lang == "ru" ? kRussianConfig : kEnglishConfig, "progress-" + lang);
        Shot(form->Main(), "main-master-" + lang);
        // The layouts the manual shows: Master in modes 1 and 2, User in 0 and 2, and User in mode 1.
        const struct { int role, mode; std::string name; } layouts[] = {
            {0, 1, "mode-master-1-"}, {0, 2, "mode-master-2-"}, {1, 0, "mode-user-0-"}, {1, 2, "mode-user-2-"},
            {1, 1, "main-user-"}};
        for (const auto& layout : layouts) {
            form->Select(kRole, 0);  // the work mode is chosen in the Master layout
            form->Select(kWorkMode, layout.mode);
            form->Select(kRole, layout.role);
            if (layout.name == "main-user-") form->Click(kGenerateUnique);
            Shot(form->Main(), layout.name + lang);
        }
        form->MenuAsync(kHelp);
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box);
        Shot(box->hwnd, "message-" + lang);
        program->Answer(*box, IDOK);
        NextBox();
    }
}

}  // namespace
}  // namespace tollvane::e2e
