#include "app/win/database_window.h"
#include "app/win/resource_ids.h"

#include "base/win/utf.h"
#include "register/win/station.h"

namespace tollvane {
namespace {

constexpr int kWidth = 580, kHeight = 360;

const ChildControl kControls[] = {
    {L"Static", Msg::kDatabaseConnectionLabel, 0, 0, 12, 12, 540, 18},
    {L"Edit", kNoText, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kDatabaseConnectionEditId, 12, 32,
     540, 23},
    {L"Static", Msg::kDatabasePasswordLabel, 0, 0, 12, 64, 300, 18},
    {L"Edit", kNoText, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
     kDatabasePasswordEditId, 12, 84, 260, 23},
    {L"Button", Msg::kDatabaseTest, BS_PUSHBUTTON | WS_TABSTOP, kDatabaseTestButtonId, 12, 120, 160,
     25},
    {L"Button", Msg::kDatabaseSave, BS_PUSHBUTTON | WS_TABSTOP, kDatabaseSaveButtonId, 182, 120,
     100, 25},
    {L"Button", Msg::kDatabaseCopy, BS_PUSHBUTTON | WS_TABSTOP, kDatabaseCopyButtonId, 12, 152, 370,
     25},
    {L"Edit", kNoText, WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
     kDatabaseAnswerId, 12, 188, 540, 120},
};

// The edit control shows CR LF as a line break, a lone LF as nothing.
std::wstring ForEdit(const std::string& text) {
    std::wstring wide;
    for (const wchar_t c : Widen(text)) {
        if (c == L'\n') wide += L'\r';
        wide += c;
    }
    return wide;
}

}  // namespace

DatabaseWindow::DatabaseWindow(const MessageTable& texts, Sleeper& sleeper, std::string folder)
    : SecondaryWindow(kDatabaseWindowClass, kWidth, kHeight),
      texts_(texts),
      sleeper_(sleeper),
      settingsPath_(folder + kDatabaseConfigFileName),
      stationFiles_{folder + StationFilePaths{}.usersData, folder + StationFilePaths{}.issuedCards,
                    folder + StationFilePaths{}.cardHolders} {}

HWND DatabaseWindow::Open(const MainWindowLink& main) {
    if (Window()) return SecondaryWindow::Open(main, {});
    // A file that cannot be read opens the window empty; Save writes it anew.
    ReadDatabaseSettings(files_, settingsPath_, settings_);
    password_.clear();
    if (!settings_.sealedPassword.empty()) secret_.Unprotect(settings_.sealedPassword, password_);
    const HWND window = SecondaryWindow::Open(main, Widen(texts_[Msg::kDatabaseTitle]));
    SecureZeroMemory(password_.data(), password_.size());
    password_.clear();
    if (window) SetFocus(Item(kDatabaseConnectionEditId));
    return window;
}

void DatabaseWindow::MakeControls() {
    CreateControls(Window(), kControls, texts_, Font());
    SetWindowTextW(Item(kDatabaseConnectionEditId), Widen(settings_.connection).c_str());
    SetWindowTextW(Item(kDatabasePasswordEditId), Widen(password_).c_str());
}

std::string DatabaseWindow::Field(int id) const { return Narrow(WindowText(Item(id))); }

void DatabaseWindow::Answer(const std::string& text) {
    SetWindowTextW(Item(kDatabaseAnswerId), ForEdit(text).c_str());
}

std::string DatabaseWindow::Connection() {
    const std::string connection = Field(kDatabaseConnectionEditId);
    if (connection.empty()) Answer(texts_[Msg::kDatabaseNoConnection]);
    return connection.empty() ? connection
                              : ConnectionForDriver(connection, Field(kDatabasePasswordEditId));
}

void DatabaseWindow::Test() {
    const std::string connection = Connection();
    if (connection.empty()) return;
    Answer("...");
    StationDb database(connection, CurrentStation().computer);
    ServerInfo info;
    if (const auto failure = database.Describe(info)) {
        Answer(FillText(texts_[Msg::kDatabaseNoAnswer], {DbErrorText(*failure)}));
    } else {
        Answer(FillText(texts_[Msg::kDatabaseAnswered], {info.version, info.database, info.user}));
    }
}

void DatabaseWindow::Save() {
    DatabaseSettings settings{Field(kDatabaseConnectionEditId), {}};
    std::string password = Field(kDatabasePasswordEditId);
    const bool sealed = password.empty() || secret_.Protect(password, settings.sealedPassword);
    SecureZeroMemory(password.data(), password.size());
    if (!sealed) {
        Answer(texts_[Msg::kDatabaseCannotSeal]);
        return;
    }
    if (const FileResult saved = SaveDatabaseSettings(files_, settingsPath_, settings); !saved) {
        Answer(texts_[Msg::kFileWriteError] + std::string(" ") + settingsPath_ + "!" +
               ErrorCodeLine(saved.error));
        return;
    }
    settings_ = settings;
    Answer(texts_[Msg::kDatabaseSaved]);
}

void DatabaseWindow::Copy() {
    const std::string connection = Connection();
    if (connection.empty()) return;
    Answer("...");
    StationFilesContent content;
    std::string failedPath;
    if (const FileResult read =
            ReadStationFiles(files_, sleeper_, stationFiles_, content, failedPath);
        !read) {
        Answer(texts_[Msg::kDatabaseCopyFilesUnread] + std::string("\n") + failedPath +
               ErrorCodeLine(read.error));
        return;
    }
    StationDb database(connection, CurrentStation().computer);
    CopyReport report;
    if (const auto failure = database.CopyStationFiles(content, report)) {
        Answer(FillText(texts_[Msg::kDatabaseNoAnswer], {DbErrorText(*failure)}));
        return;
    }
    Answer(CopyReportText(texts_, report));
}

bool DatabaseWindow::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
    const HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    switch (LOWORD(wParam)) {
        case kDatabaseTestButtonId: Test(); break;
        case kDatabaseSaveButtonId: Save(); break;
        case kDatabaseCopyButtonId: Copy(); break;
        default: break;
    }
    SetCursor(before);
    return false;
}

}  // namespace tollvane
