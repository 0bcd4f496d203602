// Shared set-up of the end-to-end tests: a scratch working folder, the
// program started in it, and the reader search at start-up settled.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/message_table.h"
#include "driver/driver.h"

namespace tollvane::e2e {

// Control identifiers of the main form and its menu.
enum Id : int {
    kQuit = 1, kRussian = 2, kEnglish = 3, kReadId = 4, kHelp = 5, kAbout = 6,
    kPortCombo = 7, kSearch = 8, kRole = 9, kWrite = 10, kRead = 11, kClear = 12, kWriteCyclic = 13,
    kClearCyclic = 14, kWorkMode = 15, kSectorUpDown = 16, kSectorEdit = 17, kBlockUpDown = 18, kBlockEdit = 19,
    kShowCrypto1 = 20, kGenerateRandom = 21, kAddToList = 22, kShowList = 23, kGenerateUnique = 24,
    kUniqueBeforeWrite = 25, kIfTouchMemory = 26, kIfW26 = 27, kIfW44 = 28, kIfW58 = 29, kIndDirect = 30,
    kIndInverse = 31, kStandbyDynamic = 32, kStandbyStatic = 33, kStandbyOff = 34, kTouchPollOn = 35,
    kTouchPollOff = 36, kConvTmW44 = 37, kConvW26 = 38, kConvW58 = 39, kCrypto1Edit = 40, kDataEdit = 41,
    kClassic = 51, kPlus = 52, kSl1 = 53, kSl3 = 54, kAesAuth = 55, kAesEdit = 56, kShowAes = 57,
};

inline const char* kEnglishConfig = "Language = EN;\n";
inline const char* kRussianConfig = "Language = RU;\n";

// Saves a window as it is on the screen, as a BMP file, when
// TOLLVANE_E2E_SHOTS names a folder (scripts turn them into PNGs for the
// documentation).
inline void Shot(HWND hwnd, const char* name) {
    const char* folder = std::getenv("TOLLVANE_E2E_SHOTS");
    if (!folder || !hwnd) return;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SaveWindowBitmap(hwnd, std::string(folder) + "\\" + name + ".bmp");
}

inline std::string En(Msg id) { return Text(LanguageId::English, id); }
inline std::string Ru(Msg id) { return Text(LanguageId::Russian, id); }

class ProgramTest : public ::testing::Test {
protected:
    // Starts the program; config is the content of appconfig.ini, none for
    // no file. Returns the texts of the boxes the start-up search showed.
    std::vector<std::string> Start(std::optional<std::string> config = kEnglishConfig) {
        if (config) dir.Write("appconfig.ini", *config);
        program = std::make_unique<Program>(dir.Path());
        if (!program->WaitMainWindow()) throw std::runtime_error("no main window");
        form = std::make_unique<Form>(*program);
        return program->SettleSearch();
    }

    // Stops the program first: the scratch folder can go only afterwards.
    void TearDown() override {
        form.reset();
        program.reset();
    }

    ScratchDir dir;
    std::unique_ptr<Program> program;
    std::unique_ptr<Form> form;
};

}  // namespace tollvane::e2e
