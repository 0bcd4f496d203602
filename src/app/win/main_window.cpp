#include "app/win/main_window.h"
#include "app/win/resource_ids.h"

#include <commctrl.h>
#include <dbt.h>

#include "app/app_context.h"
#include "app/config.h"
#include "app/database_config.h"
#include "app/holders/holders_run.h"
#include "app/key_record_form.h"
#include "app/main_controller.h"
#include "app/station_records.h"
#include "app/win/machine_secret.h"
#include "base/win/handles.h"
#include "base/win/utf.h"
#include "app/win/dpi.h"
#include "app/win/keyboard.h"
#include "app/win/main_frame.h"
#include "app/win/win_form_view.h"
#include "app/win/win_shell.h"
#include "app/win/win_ui.h"
#include "app/win/window_kit.h"
#include "carddata/win/bcrypt_random_source.h"
#include "base/win/win_files.h"
#include "carddata/users_data_store.h"
#include "keystore/win/win_key_file_cipher.h"
#include "keystore/key_files.h"
#include "serial/win/win_port_discovery.h"
#include "register/win/station.h"
#include "serial/win/win_serial_port.h"

namespace tollvane {

namespace {

// The register's station: the Windows names and the local clock.
class WinStationClock : public StationClock {
public:
    RegisterTime Now() override { return CurrentRegisterTime(); }
    std::string OperatorName() override { return station_.operatorName; }
    std::string ComputerName() override { return station_.computer; }

private:
    StationIdentity station_ = CurrentStation();
};

// The register and the list of card holders live beside usersData.data, in
// the working folder; the messages name them in full so that the operator
// can find them.
std::wstring FullPath(const wchar_t* name) {
    wchar_t full[MAX_PATH * 2] = {};
    const DWORD n = GetFullPathNameW(name, MAX_PATH * 2, full, nullptr);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(full) : std::wstring(name);
}

// The services over the main window and the AppContext over them. The
// context is declared first: it only binds references to the services,
// while several services keep a reference to its message table, which must
// exist before they do.
struct Program {
    // connection: what the driver is given, empty when the records are kept
    // in the station's files alone.
    Program(HWND main, const std::string& connection)
        : app{form,
              boxes,
              timers,
              progress,
              sleeper,
              port,
              ports,
              random,
              users,
              shell,
              LanguageId::Russian,
              MessageTable{LanguageId::Russian},
              kConfigFileName,
              {},
              {},
              {},
              {},
              {}},
          form(main, app.texts),
          boxes(main, app.texts),
          timers(main),
          progress(main),
          registerPath(FullPath(L"IssuedCards.csv")),
          users(files, sleeper,
                StationPaths{"usersData.data", Narrow(registerPath),
                             Narrow(FullPath(L"DatabaseQueue.csv")), HolderPaths{},
                             Narrow(FullPath(L"CardHolders.csv"))},
                connection, station.ComputerName(),
                [this](bool answered, std::size_t waiting) {
                    app.records.unreachable = !answered;
                    app.records.waiting = waiting;
                    ShowRecordsPlace(app);
                }),
          keyCipher(files),
          keyForm(app),
          keyList(files, keyCipher, boxes, app.texts, sleeper, keyForm),
          issued(files, Narrow(registerPath), sleeper, station, Narrow(registerPath), &users),
          holders(users.Holders(), station),
          shell(main, app, boxes, keyList, registerPath, holders) {
        app.issued = &issued;
        app.holders = &holders;
        app.files = &files;
    }

    AppContext app;
    WinFiles files;
    WinFormView form;
    WinMessageBoxes boxes;
    WinTimers timers;
    WinProgressView progress;
    WinSleeper sleeper;
    WinSerialPort port;
    WinPortDiscovery ports;
    BCryptRandomSource random;
    WinStationClock station;
    std::wstring registerPath;
    // The numbers and the register: the station's files, or the database
    // with them.
    StationRecords users;
    WinKeyFileCipher keyCipher;
    AppKeyRecordForm keyForm;
    KeyList keyList;
    IssuedCardsLog issued;
    HoldersRun holders;
    // Last: its windows work on the key list, the register path and the
    // run for the list of card holders.
    WinShell shell;
};

Program* g_program = nullptr;
MainFrame* g_frame = nullptr;

void ShowQuitPopup(HWND hwnd, LPARAM lParam) {
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &pt);
    const UniqueMenu popup(CreatePopupMenu());
    AppendMenuW(popup.get(), MF_STRING, kMenuQuit,
                Widen(g_program->app.texts[Msg::kMenuQuit]).c_str());
    TrackPopupMenu(popup.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr);
}

// The menu's identifiers (resource_ids.h) and the commands they stand for.
struct MenuCommand {
    int id;
    Command command;
};
constexpr MenuCommand kMenuCommands[] = {
    {kMenuQuit, Command::Quit},
    {kMenuRussian, Command::Russian},
    {kMenuEnglish, Command::English},
    {kMenuReadId, Command::ReadId},
    {kMenuHelp, Command::Help},
    {kMenuAbout, Command::About},
    {kMenuIssuedCards, Command::IssuedCards},
    {kMenuCardHolders, Command::CardHolders},
    {kCommandIssueHolders, Command::IssueHolders},
    {kMenuVerifyAfterWrite, Command::VerifyAfterWrite},
    {kMenuDatabase, Command::Database},
};

// WM_COMMAND as a named event: a menu command, or a notification of one of
// the form's controls that carry an identifier.
void OnCommandMessage(AppContext& app, WinFormView& form, int id, int code) {
    for (const MenuCommand& menu : kMenuCommands) {
        if (menu.id == id) {
            OnCommand(app, menu.command);
            return;
        }
    }
    const std::optional<Ctl> named = ControlOfId(id);
    if (!named) return;
    const Ctl control = *named;
    switch (code) {
        // A radio sends a second notification for a double click; it is a
        // click as well.
        case BN_CLICKED:
        case BN_DOUBLECLICKED: OnClicked(app, control); break;
        case CBN_SELCHANGE:
        case CBN_CLOSEUP:
        case CBN_KILLFOCUS:
            if (form.ChoiceTakesEffect(control, code)) OnComboChanged(app, control);
            break;
        case EN_SETFOCUS: OnEditEntered(app, control); break;
        case EN_CHANGE: OnEditChanged(app, control); break;
        case EN_KILLFOCUS: OnEditLeft(app, control); break;
        default: break;
    }
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_frame && g_frame->OnMessage(msg, wParam, lParam)) return 0;
    if (g_program) {
        AppContext& app = g_program->app;
        switch (msg) {
            case WM_COMMAND:
                OnCommandMessage(app, g_program->form, LOWORD(wParam), HIWORD(wParam));
                break;
            case WM_TIMER: OnTimer(app, static_cast<TimerId>(wParam)); break;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                const std::optional<Ctl> upDown = ControlOfId(static_cast<int>(header->idFrom));
                if (header->code == UDN_DELTAPOS && upDown) {
                    const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
                    OnUpDownDelta(app, *upDown, change->iPos, change->iDelta);
                }
                break;
            }
            case WM_RBUTTONUP: ShowQuitPopup(hwnd, lParam); break;
            case WM_DEVICECHANGE:
                // Only the change of the device tree says a port may have
                // come or gone.
                if (wParam == DBT_DEVNODES_CHANGED) OnDevicesChanged(app);
                break;
            case WM_DESTROY:
                OnDestroy(app);
                PostQuitMessage(0);
                break;
            default: break;
        }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The main window of a copy running in the same language: its title is the
// program's, followed by where its records are kept when that is a database.
HWND RunningCopy(const std::wstring& title) {
    struct Search {
        const std::wstring& title;
        HWND found = nullptr;
    } search{title};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if (!IsWindowClass(window, kMainWindowClass) ||
                !WindowText(window).starts_with(s.title))
                return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

int RunTollvane(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                              ICC_UPDOWN_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    WinFiles files;
    // The language decides the title, and the title finds a running copy.
    const LanguageId language = ReadConfig(files, kConfigFileName);
    const MessageTable texts(language);
    const std::wstring title = Widen(texts[Msg::kMainTitle]);
    if (const HWND running = RunningCopy(title)) {
        if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }
    // Before anything else is done: a crash may have left the key list in
    // plain text. Not before the look for a running copy, whose key list
    // operation may have its keys.data on the disk at this very moment.
    WipeLeftoverPlainKeys(files);

    RegisterWindowClass(kMainWindowClass, MainWindowProc);
    const POINT at = CentredOnScreen(kMainWindowWidth, kMainWindowHeight);
    const HWND main = CreateWindowExW(
        0, kMainWindowClass, title.c_str(), WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX, at.x, at.y,
        kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (!main) return 0;

    // The form's fixed pixel layout is drawn for the operator's message font
    // (Segoe UI on current Windows), both at the DPI of the window's monitor.
    MainFrame frame(main);
    int exitCode = 0;
    {
        DatabaseSettings database;
        ReadDatabaseSettings(files, kDatabaseConfigFileName, database);
        std::string password;
        if (!database.sealedPassword.empty())
            MachineSecret().Unprotect(database.sealedPassword, password);
        Program program(main, database.connection.empty()
                                  ? std::string()
                                  : ConnectionForDriver(database.connection, password));
        SecureZeroMemory(password.data(), password.size());
        program.app.language = language;
        program.app.texts.Load(language);
        program.app.configPath = kConfigFileName;
        program.app.verifyAfterWrite = ReadVerifyAfterWrite(files, kConfigFileName);
        program.app.records.database = !database.connection.empty();
        program.app.records.name = DatabaseName(database.connection);
        program.app.records.waiting = program.users.Waiting();
        g_program = &program;

        program.shell.BuildMenu();
        frame.Fit();
        g_frame = &frame;
        program.form.CreateControls(frame.Font());
        InitMainForm(program.app);
        SetWindowIcons(main, frame.Dpi());
        WatchKeyboard(main, false);

        ShowWindow(main, SW_SHOWNORMAL);
        UpdateWindow(main);
        StartUp(program.app);

        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (HandleKeyboard(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exitCode = 0;
        UnwatchKeyboard(main);
        g_frame = nullptr;
        g_program = nullptr;
    }
    return exitCode;
}

}  // namespace tollvane
