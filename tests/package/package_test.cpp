// The package as an operator meets it: every program text in the manual, its Start-menu shortcut
// starting the program in the install folder, and Help opening the manual beside the program
// (installed, and unpacked from the zip) or saying why it cannot. tests/package/run installs the
// package into a fresh Wine prefix and names the folders and the manual's text in the environment.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <sstream>
#include <string>

#include "../win/scratch.h"
#include "app/win/resource_ids.h"
#include "base/message_table.h"
#include "driver/driver.h"

namespace tollvane::e2e {
namespace {

using testing::ReadAll;

std::wstring Env(const char* name) { return Widen(std::getenv(name) ? std::getenv(name) : ""); }

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::string WithoutBlanks(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) out += c;
    return out;
}

// Line breaks, blanks and wrapped lines of the PDF do not count: every line of the text must be in
// the manual with its blanks taken out. The texts come from the program, so that one forgotten in
// the manual fails here.
TEST(ManualPdf, ShowsEveryTextOfTheProgramInOneLanguageAtLeast) {
    const std::string manual = WithoutBlanks(ReadAll(Env("TOLLVANE_PACKAGE_PDF_TEXT")));
    ASSERT_FALSE(manual.empty()) << "TOLLVANE_PACKAGE_PDF_TEXT names no readable text";
    const auto inManual = [&](const std::string& text) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (manual.find(WithoutBlanks(line)) == std::string::npos) return false;
        return true;
    };
    for (int n = 1; n <= kMessageCount; ++n) {
        const std::string english = Text(LanguageId::English, static_cast<Msg>(n));
        EXPECT_TRUE(inManual(english) || inManual(Text(LanguageId::Russian, static_cast<Msg>(n))))
            << n << ": " << english;
    }
}

// Starts the program in the folder, in English, and lets the reader search end.
std::unique_ptr<Program> StartIn(const std::wstring& folder) {
    testing::WriteAll(std::filesystem::path(folder) / L"appconfig.ini", "Language = EN;\n");
    _wputenv_s(L"TOLLVANE_EXE", (folder + L"\\Tollvane.exe").c_str());
    auto program = std::make_unique<Program>(folder);
    if (!program->WaitMainWindow()) return nullptr;
    program->SettleSearch();
    return program;
}

// The program opens its files in its working folder: started from the shortcut, that must be the
// install folder.
TEST(Installed, StartsFromItsStartMenuShortcutInTheInstallFolder) {
    wchar_t programs[MAX_PATH] = {}, target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load((std::wstring(programs) + L"\\Tollvane.lnk").c_str(), STGM_READ))) {
        link->GetPath(target, MAX_PATH, nullptr, 0);
        link->GetWorkingDirectory(folder, MAX_PATH);
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    EXPECT_EQ(Lower(target), Lower(Env("TOLLVANE_PACKAGE_INSTALL_DIR") + L"\\Tollvane.exe"));
    EXPECT_EQ(Lower(folder), Lower(Env("TOLLVANE_PACKAGE_INSTALL_DIR")));
}

void SetClassesValue(const wchar_t* key, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

TEST(Installed, HelpOpensTheManualBesideTheProgramWithTheAssociatedViewer) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring viewer =
        (std::filesystem::path(self).parent_path() / L"pdf_viewer_stub.exe").wstring();
    SetClassesValue(L".pdf", L"TollvaneTest.pdf");
    SetClassesValue(L"TollvaneTest.pdf\\shell\\open\\command", L"\"" + viewer + L"\" \"%1\"");
    for (const char* place : {"TOLLVANE_PACKAGE_INSTALL_DIR", "TOLLVANE_PACKAGE_ZIP_DIR"}) {
        SCOPED_TRACE(place);
        const std::wstring folder = Env(place);
        ASSERT_FALSE(folder.empty());
        std::filesystem::remove(viewer + L".log");
        auto program = StartIn(folder);
        ASSERT_TRUE(program);
        program->MenuAsync(kMenuHelp);
        std::string line;
        EXPECT_TRUE(WaitUntil([&] { return !(line = ReadAll(viewer + L".log")).empty(); }))
            << "the viewer was not started";
        // A result of 32 or below would have shown a message instead.
        EXPECT_FALSE(program->CurrentMessageBox());
        EXPECT_NE(Lower(Widen(line)).find(Lower(folder + L"\\help\\Tollvane ver_2_00.pdf")),
                  std::wstring::npos)
            << line;
    }
}

// Wine's own prefix hands PDF files to the desktop's viewer; this prefix is a throwaway copy: the
// associations go.
TEST(Installed, HelpWithoutAPdfViewerSaysSoAndGivesTheHint) {
    for (const wchar_t* key : {L".pdf", L"pdffile", L"TollvaneTest.pdf"})
        RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    auto program = StartIn(Env("TOLLVANE_PACKAGE_INSTALL_DIR"));
    ASSERT_TRUE(program);
    program->MenuAsync(kMenuHelp);
    for (const char* text : {"Help file cannot be opened!", "Install a PDF viewer on your PC."}) {
        const auto box = program->WaitMessageBox();
        ASSERT_TRUE(box) << text;
        EXPECT_EQ(box->text, text);
        program->Answer(*box, IDOK);
    }
}

}  // namespace
}  // namespace tollvane::e2e
