// Screenshots for the documentation: drives the real program into a few
// states and saves each window as a 24-bit BMP in the folder given as the
// first argument (scripts/screenshots turns them into PNG).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "driver/driver.h"

using namespace tollvane::e2e;

namespace {

std::filesystem::path g_out;

bool SaveWindow(HWND hwnd, const std::string& name) {
    if (!SaveWindowBitmap(hwnd, g_out / (name + ".bmp"))) return false;
    std::printf("saved %s\n", name.c_str());
    return true;
}

struct Session {
    ScratchDir dir;
    std::unique_ptr<Program> program;
    std::unique_ptr<Form> form;

    explicit Session(const char* config, bool settle = true) {
        dir.Write("appconfig.ini", config);
        dir.Write("usersData.data", "");
        program = std::make_unique<Program>(dir.Path());
        if (!program->WaitMainWindow()) throw std::runtime_error("no main window");
        form = std::make_unique<Form>(*program);
        if (settle) program->SettleSearch();
    }
};

void Shoot(const char* config, const std::string& lang) {
    {
        Session s(config, false);
        HWND progress = nullptr;
        WaitUntil([&] { return (progress = s.program->ProgressWindow()) != nullptr; });
        if (progress) {
            std::this_thread::sleep_for(300ms);
            SaveWindow(progress, "progress-" + lang);
        }
        s.program->SettleSearch();
        SaveWindow(s.form->Main(), "main-master-" + lang);

        s.form->MenuAsync(6);
        HWND about = nullptr;
        WaitUntil([&] {
            for (HWND h : s.program->TopWindows())
                if (ClassName(h) == "#32770") about = h;
            return about != nullptr;
        });
        if (about) {
            SaveWindow(about, "about-" + lang);
            PostMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
            WaitUntil([&] { return !IsWindow(about); });
        }

        // The work modes as the manual shows them: the Master layouts of
        // modes 1 and 2 (mode 0 is the start picture, mode 3 looks like 1),
        // and the User layouts of modes 0 and 2.
        for (int mode : {1, 2}) {
            s.form->Select(15, mode);
            SaveWindow(s.form->Main(), "mode-master-" + std::to_string(mode) + "-" + lang);
        }
        for (int mode : {0, 2}) {
            s.form->Select(9, 0);
            s.form->Select(15, mode);
            s.form->Select(9, 1);
            SaveWindow(s.form->Main(), "mode-user-" + std::to_string(mode) + "-" + lang);
        }
        s.form->Select(9, 0);

        s.form->Select(15, 1);
        s.form->Select(9, 1);
        s.form->Click(24);
        SaveWindow(s.form->Main(), "main-user-" + lang);

        s.form->MenuAsync(5);
        if (const auto box = s.program->WaitMessageBox()) {
            SaveWindow(box->hwnd, "message-" + lang);
            s.program->Answer(*box, IDOK);
            if (const auto hint = s.program->WaitMessageBox(3000ms)) s.program->Answer(*hint, IDOK);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: e2e_shots OUTPUT_FOLDER\n");
        return 2;
    }
    g_out = argv[1];
    std::filesystem::create_directories(g_out);
    try {
        Shoot("Language = RU;\n", "ru");
        Shoot("Language = EN;\n", "en");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "e2e_shots: %s\n", e.what());
        return 1;
    }
    return 0;
}
