// The operator's package as an operator meets it: the manual's text, the
// entry in Apps & features, the Start-menu shortcut and the Help command in
// the installed folder and in the unpacked zip folder. tests/package/run
// installs the package into a fresh Wine prefix and names the folders and
// the manual's text in the environment.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/message_table.h"
#include "driver/driver.h"

namespace tollvane::e2e {
namespace {

constexpr int kHelp = 5;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Line breaks and wrapped lines of the PDF do not matter: texts are compared
// with every blank, tab and line end taken out.
std::string WithoutSpace(const std::string& text) {
    std::string out;
    for (unsigned char c : text)
        if (!std::isspace(c)) out += static_cast<char>(c);
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text + "\n") {
        if (c == '\n' || c == '\r') {
            if (!WithoutSpace(line).empty()) lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

// --- The manual ---------------------------------------------------------------

class ManualPdf : public ::testing::Test {
protected:
    void SetUp() override {
        const auto text = ReadFile(Widen(Env("TOLLVANE_PACKAGE_PDF_TEXT")));
        ASSERT_TRUE(text) << "TOLLVANE_PACKAGE_PDF_TEXT names no readable file";
        pdf_ = WithoutSpace(*text);
    }
    bool Shows(const std::string& text) const { return pdf_.find(WithoutSpace(text)) != std::string::npos; }
    bool ShowsEveryLine(const std::string& text) const {
        const auto lines = Lines(text);
        return std::all_of(lines.begin(), lines.end(), [&](const std::string& l) { return Shows(l); });
    }

    std::string pdf_;
};

TEST_F(ManualPdf, HasMoreThanTenPages) {
    EXPECT_GT(std::atoi(Env("TOLLVANE_PACKAGE_PDF_PAGES").c_str()), 10);
}

TEST_F(ManualPdf, HasTheChaptersAnOperatorNeedsInBothLanguages) {
    const char* const chapters[] = {
        "Installing and connecting the programmer", "Установка и подключение программатора",
        "Master cards", "Мастер-карты",
        "User cards", "Пользовательские карты",
        "Reading a card ID", "Чтение ID карты",
        "The key list", "Список ключей",
        "Messages", "Сообщения",
        "Where files live", "Где лежат файлы",
        "Troubleshooting", "Если что-то не работает",
    };
    for (const char* chapter : chapters) EXPECT_TRUE(Shows(chapter)) << chapter;
}

// Every text of the program's message table, taken from the program itself,
// so that a text added to the program and forgotten in the manual fails here.
TEST_F(ManualPdf, ShowsEveryTextOfTheProgramInOneLanguageAtLeast) {
    for (int n = 1; n <= kMessageCount; ++n) {
        const auto id = static_cast<Msg>(n);
        const std::string english = Text(LanguageId::English, id);
        const std::string russian = Text(LanguageId::Russian, id);
        EXPECT_TRUE(ShowsEveryLine(english) || ShowsEveryLine(russian))
            << "entry " << n << ": \"" << english << "\" / \"" << russian << "\"";
    }
}

// --- The installed program ----------------------------------------------------

std::wstring InstallDir() { return Widen(Env("TOLLVANE_PACKAGE_INSTALL_DIR")); }

std::optional<std::wstring> UninstallValue(const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tollvane", name,
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

TEST(Installed, AppearsInAppsAndFeaturesWithVersionPublisherAndUninstaller) {
    const struct {
        const wchar_t* name;
        std::wstring expected;
    } values[] = {
        {L"DisplayName", L"Tollvane 2.00"},
        {L"DisplayVersion", L"2.00"},
        {L"Publisher", L"Tollvane"},
        {L"InstallLocation", InstallDir()},
        {L"UninstallString", L"\"" + InstallDir() + L"\\uninstall.exe\""},
    };
    for (const auto& v : values) {
        const auto got = UninstallValue(v.name);
        ASSERT_TRUE(got) << Narrow(v.name);
        EXPECT_EQ(Lower(*got), Lower(v.expected)) << Narrow(v.name);
    }
}

struct Shortcut {
    std::wstring target;
    std::wstring workingFolder;
};

std::optional<Shortcut> ReadShortcut(const std::wstring& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return std::nullopt;
    std::optional<Shortcut> result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
            link->GetPath(target, MAX_PATH, nullptr, 0);
            link->GetWorkingDirectory(folder, MAX_PATH);
            result = Shortcut{target, folder};
        }
        file->Release();
    }
    link->Release();
    return result;
}

std::wstring StartMenuShortcut() {
    wchar_t programs[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs);
    return std::wstring(programs) + L"\\Tollvane.lnk";
}

// The program opens appconfig.ini, the key list and usersData.data in its
// working folder: started from the shortcut, that must be the install folder.
TEST(Installed, StartsFromItsStartMenuShortcutInTheInstallFolder) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    const auto shortcut = ReadShortcut(StartMenuShortcut());
    CoUninitialize();
    ASSERT_TRUE(shortcut) << Narrow(StartMenuShortcut());
    EXPECT_EQ(Lower(shortcut->target), Lower(InstallDir() + L"\\Tollvane.exe"));
    ASSERT_EQ(Lower(shortcut->workingFolder), Lower(InstallDir()));

    const std::filesystem::path config = shortcut->workingFolder + L"\\appconfig.ini";
    std::filesystem::remove(config);
    _wputenv_s(L"TOLLVANE_EXE", shortcut->target.c_str());
    Program program(shortcut->workingFolder);
    ASSERT_TRUE(program.WaitMainWindow());
    program.SettleSearch();
    // A first start without appconfig.ini makes it, in Russian.
    EXPECT_EQ(ReadFile(config), "Language = RU;\r\n");
}

// --- Help ---------------------------------------------------------------------

std::wstring ViewerStub() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return (std::filesystem::path(self).parent_path() / L"pdf_viewer_stub.exe").wstring();
}

// Associates .pdf files with the stand-in viewer for as long as it lives.
class PdfViewerAssociation {
public:
    PdfViewerAssociation() {
        const std::wstring command = L"\"" + ViewerStub() + L"\" \"%1\"";
        Set(L".pdf", L"TollvaneTest.pdf");
        Set(L"TollvaneTest.pdf\\shell\\open\\command", command);
    }
    ~PdfViewerAssociation() {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TollvaneTest.pdf");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
    }
    PdfViewerAssociation(const PdfViewerAssociation&) = delete;
    PdfViewerAssociation& operator=(const PdfViewerAssociation&) = delete;

private:
    static void Set(const wchar_t* key, const std::wstring& value) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(h);
    }
};

// Starts the program in the folder in English and lets the reader search end.
std::unique_ptr<Program> StartIn(const std::wstring& folder) {
    std::ofstream(std::filesystem::path(folder) / L"appconfig.ini", std::ios::binary) << "Language = EN;\n";
    _wputenv_s(L"TOLLVANE_EXE", (folder + L"\\Tollvane.exe").c_str());
    auto program = std::make_unique<Program>(folder);
    if (!program->WaitMainWindow()) return nullptr;
    program->SettleSearch();
    return program;
}

class HelpFromFolder : public ::testing::TestWithParam<const char*> {};

TEST_P(HelpFromFolder, OpensTheManualBesideTheProgramWithTheAssociatedViewer) {
    const std::wstring folder = Widen(Env(GetParam()));
    ASSERT_FALSE(folder.empty()) << GetParam();
    const std::filesystem::path log = ViewerStub() + L".log";
    std::filesystem::remove(log);
    PdfViewerAssociation association;
    auto program = StartIn(folder);
    ASSERT_TRUE(program);

    Form(*program).MenuAsync(kHelp);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(log); })) << "the viewer was not started";
    // A result of 32 or below would have shown a message instead.
    EXPECT_FALSE(program->CurrentMessageBox());
    std::string line;
    WaitUntil([&] { return !(line = ReadFile(log).value_or("")).empty(); });
    const std::wstring pdf = folder + L"\\help\\Tollvane ver_2_00.pdf";
    EXPECT_NE(Lower(Widen(line)).find(Lower(pdf)), std::wstring::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(InstalledAndZip, HelpFromFolder,
                         ::testing::Values("TOLLVANE_PACKAGE_INSTALL_DIR", "TOLLVANE_PACKAGE_ZIP_DIR"));

TEST(Installed, HelpWithoutAPdfViewerSaysSoAndGivesTheHint) {
    // Wine's own prefix hands PDF files to the desktop's viewer; this prefix
    // is a throwaway copy, so the association goes for good.
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"pdffile");
    auto program = StartIn(InstallDir());
    ASSERT_TRUE(program);
    Form(*program).MenuAsync(kHelp);
    const char* const expected[] = {"Help file cannot be opened!", "Install a PDF viewer on your PC."};
    for (const char* text : expected) {
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box) << text;
        EXPECT_EQ(box->text, text);
        program->Answer(*box, IDOK);
    }
}

}  // namespace
}  // namespace tollvane::e2e
