// The documentation's screenshots (scripts/screenshots): the real program driven as the
// end-to-end scenarios drive it, beside the simulated reader, each window saved as a BMP file in
// the folder TOLLVANE_E2E_SHOTS names. Nothing here is a test; Google Test only runs the scenes
// and names the step at which one could not be reached. scripts/screenshots runs the LargeScreen
// scene on a 2560 x 1800 screen.
#include <fstream>
#include <tuple>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

// What the screen shows of a window, as a 32-bit BMP whose rows go top down (a negative height).
bool SaveWindowBitmap(HWND window, const std::filesystem::path& path) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::this_thread::sleep_for(400ms);  // let it paint
    RECT rc;
    if (!GetWindowRect(window, &rc)) return false;
    const BITMAPINFOHEADER bi{
        sizeof bi, rc.right - rc.left, rc.top - rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const auto bytes = static_cast<DWORD>(4 * bi.biWidth * -bi.biHeight);
    const BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi + bytes), 0, 0,
                              sizeof fh + sizeof bi};
    void* pixels = nullptr;
    const HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
    const HBITMAP bmp = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&bi),
                                         DIB_RGB_COLORS, &pixels, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, bi.biWidth, -bi.biHeight, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    for (DWORD i = 0; i < bytes / 4; ++i)
        static_cast<DWORD*>(pixels)[i] |= 0xFF000000;  // opaque: BitBlt leaves alpha 0
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&fh), sizeof fh)
        .write(reinterpret_cast<const char*>(&bi), sizeof bi);
    file.write(static_cast<const char*>(pixels), bytes);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return static_cast<bool>(file);
}

void Shot(HWND hwnd, const std::string& name) {
    const char* folder = std::getenv("TOLLVANE_E2E_SHOTS");
    ASSERT_TRUE(folder) << "TOLLVANE_E2E_SHOTS names no folder";
    ASSERT_TRUE(hwnd) << name;
    ASSERT_TRUE(SaveWindowBitmap(hwnd, std::string(folder) + "\\" + name + ".bmp")) << name;
}

const char* Config(const std::string& lang) {
    return lang == "ru" ? kRussianConfig : kEnglishConfig;
}

// Without a reader: the start-up search's progress window, the layouts the manual shows and a
// message box.
TEST_F(E2eTest, WithoutAReader) {
    Registry("no-usb");
    for (const std::string lang : {"ru", "en"}) {
        program.reset();
        dir.Write("appconfig.ini", Config(lang));
        program = std::make_unique<Program>(dir.path);
        ASSERT_TRUE(program->WaitMainWindow());
        Shot(program->WaitTop(PROGRESS_CLASSW), "progress-" + lang);
        program->SettleSearch();
        for (const auto& [role, mode, name] : {std::tuple{0, 0, "main-master-"},
                                               {0, 1, "mode-master-1-"},
                                               {0, 2, "mode-master-2-"},
                                               {1, 0, "mode-user-0-"},
                                               {1, 2, "mode-user-2-"},
                                               {1, 1, "main-user-"}}) {
            program->Select(Id(RoleCombo), 0);  // the work mode is chosen in the Master layout
            program->Select(Id(WorkModeCombo), mode);
            program->Select(Id(RoleCombo), role);
            if (role == 1 && mode == 1) program->Click(Id(GenerateUniqueButton));
            Shot(program->Main(), name + lang);
        }
        program->MenuAsync(kMenuHelp);
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box);
        Shot(box->hwnd, "message-" + lang);
        program->Answer(*box, IDOK);
        NextBox();
    }
}

// The connected window and Read ID.
TEST_F(E2eTest, Connected) {
    ASSERT_EQ(Start(), kConnected);
    for (const std::string lang : {"en", "ru"}) {
        if (lang == "ru") program->Menu(kMenuRussian);
        Shot(program->Main(), "main-connected-" + lang);
        program->MenuAsync(kMenuReadId);
        const HWND window = program->WaitTop(L"my Child Window Read ID");
        Shot(window, "readid-" + lang);
        program->Key(VK_ESCAPE);
        ASSERT_TRUE(Closed(window));
    }
}

// The key list of tests/data/keyfile with its keys shown.
TEST_F(E2eTest, KeyList) {
    std::filesystem::copy_file(
        std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
        dir.path / "crkeys.data");
    Start();
    for (const std::string lang : {"en", "ru"}) {
        if (lang == "ru") program->Menu(kMenuRussian);
        program->ClickAsync(Id(AddToListButton));
        const HWND keys = program->WaitTop(L"my Child Window");
        ASSERT_TRUE(keys &&
                    WaitUntil([&] { return ListRows(GetDlgItem(keys, kKeyListViewId)) == 24; }));
        PostMessageW(GetDlgItem(keys, kShowKeysCheckId), BM_CLICK, 0, 0);  // "Show Key"
        Shot(keys, "keylist-" + lang);
        program->Key(VK_ESCAPE);
        ASSERT_TRUE(Closed(keys));
    }
}

// A station in mid-run: the register and the list of people of tests/data/station (five people
// issued, three waiting), in each interface language with names and a station of its own.
TEST_F(E2eTest, Station) {
    for (const std::string lang : {"en", "ru"}) {
        program.reset();
        for (const char* file : {"IssuedCards.csv", "CardHolders.csv"})
            std::filesystem::copy_file(
                std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "station" / lang / file,
                dir.path / file, std::filesystem::copy_options::overwrite_existing);
        Start(Config(lang));
        for (const auto& [menu, title, list, rows, name] :
             {std::tuple{int{kMenuCardHolders}, L"my Child Window Card Holders",
                         int{kHoldersListViewId}, 8, "card-holders-"},
              {int{kMenuIssuedCards}, L"my Child Window Issued Cards", int{kIssuedListViewId}, 6,
               "issued-cards-"}}) {
            program->MenuAsync(menu);
            const HWND window = program->WaitTop(title);
            ASSERT_TRUE(window &&
                        WaitUntil([&] { return ListRows(GetDlgItem(window, list)) == rows; }))
                << name;
            Shot(window, name + lang);
            program->Key(VK_ESCAPE);
            ASSERT_TRUE(Closed(window)) << name;
        }
    }
}

// The main window at 150 % display scaling.
TEST_F(E2eTest, LargeScreenAt144Dpi) {
    const AtDpi dpi(144);
    Start();
    Shot(program->Main(), "main-144-en");
    program->Menu(kMenuRussian);
    Shot(program->Main(), "main-144-ru");
}

}  // namespace
}  // namespace tollvane::e2e
