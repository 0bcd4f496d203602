// Everything the application logic works on: the platform services it talks
// through and the program's state (the values kept beside the form, the
// reader link, the state of an operation). One instance lives as long as the
// main window; the Win32 layer builds it, tests build it over fakes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/form_view.h"
#include "app/issued_cards_log.h"
#include "base/files.h"
#include "base/message_table.h"
#include "base/ui.h"
#include "carddata/random_source.h"
#include "carddata/unique_store.h"
#include "protocol/card_id.h"
#include "protocol/frames.h"
#include "serial/serial_port.h"

namespace tollvane {

class CardRun;
class HoldersRun;

// Values held beside the controls; the card commands read these, never the
// edit texts. Each key or data value is kept as bytes and as display text.
struct FormValues {
    int sectorNumber = 1;     // 1..15
    int blockNumber = 0;      // 0..2
    int converterFormat = 0;  // 0 TM/W44, 1 W26, 2 W58
    std::array<std::uint8_t, 6> crypto1Key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::string crypto1KeyText = "FF FF FF FF FF FF";
    std::array<std::uint8_t, 16> aesKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::string aesKeyText = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
    std::array<std::uint8_t, 7> uniqueData{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    std::string uniqueDataText = "11 22 33 44 55 66 77";
    std::string versionText = "x.xx";
    // Hex entry: filtering is on while the field has the focus.
    bool crypto1Filter = false, aesFilter = false, uniqueFilter = false;
};

// The connected reader, once its version check passed.
struct ReaderInfo {
    char modelLetter = 'X';  // 'B' when identified
    int versionX100 = 0;     // 200 when identified
};

// The one serial connection. Whether it is open is the port's own state
// (AppContext::LinkOpen), never a copy of it kept here.
struct ReaderLink {
    std::string portName;
    int portIndex = 0;
    bool manualConnect = false;
};

// The run of "Write cyclically" or "Clear cyclically" under way, if any.
enum class CyclicRun { None, Write, Clear };

// Which wait runs, each under its timer and progress window: a tick of any
// other wait does nothing. ReadBack is the card wait of the read that
// checks a written card, under the Card timer.
enum class RunningWait { None, Search, Reply, Card, ReadBack };

// Where the wait for a card command's result stands.
enum class CardWaitStage {
    Acknowledgement,  // the frame went out; the first tick reads the acknowledgement
    Result,           // acknowledged; each tick polls for the result line's first byte
    ReadingResult,    // the result line (or what may be its beginning) came in part: read on
    InTick,           // a tick is being handled; a modal box's loop must not step the wait
    Identifying,      // a cyclic run waits for a card it may write: each tick asks or reads its ID
};

// The cards a run identifies before it writes them (app/reader/identify).
struct CardIdentification {
    std::vector<CardIdentity> doneInRun;  // written or cleared in this cyclic run
    std::optional<CardIdentity> card;     // the card the command under way is for
    bool ready = false;                   // that command's card was found by the wait
    bool write = true;                    // the command waiting for its card: write, else clear
    std::string title;                    // what the progress window says meanwhile
};

// A write whose card is to be read back and compared ("Verify after
// write"): the frame that wrote it and the settings it was built from, which
// also build the read. The card wait runs twice, once for each command.
struct WriteCheck {
    CommandFrame written{};
    FormSnapshot form;
    bool master = false;
};

// The operation under way.
struct OperationState {
    CyclicRun cyclicRun = CyclicRun::None;
    // The run a cyclic run's cards belong to; none for the plain run.
    CardRun* run = nullptr;
    RunningWait wait = RunningWait::None;
    CardWaitStage cardWait = CardWaitStage::Acknowledgement;
    std::optional<WriteCheck> writeCheck;
    // ReadingResult: the part of the result line held so far.
    ReplyBuffer resultStart;
    int tickCount = 0;                // ticks of the running wait
    bool deviceCheckPending = false;  // DeviceTimer armed

    bool WaitRunning() const { return wait != RunningWait::None; }
};

// How opening the help file ended. The shell's own code comes with a
// failure of any other kind: the operator is shown it.
enum class HelpOpen { Opened, FileMissing, NoViewer, Failed };
struct HelpOpening {
    HelpOpen result = HelpOpen::Opened;
    long code = 0;
};

// Where the station's records are kept: its files, or the database that
// database.ini names, which the last attempt may not have reached, with the
// register rows that wait in the queue file for it.
struct RecordsPlace {
    bool database = false;
    std::string name;
    bool unreachable = false;
    std::size_t waiting = 0;
};

// The main window's title: the program's, and while a database is
// configured " — database <name>", "(unreachable)" after a failed attempt
// and the rows waiting, if any.
std::string MainWindowTitle(const MessageTable& texts, const RecordsPlace& records);

// Win32-only actions the logic asks for.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void SetMainTitle(const std::string& title) = 0;
    // Destroys the menu bar and builds it in the current language with the
    // check mark on the active language.
    virtual void RebuildMenu() = 0;
    // Opens the help file in the system's PDF viewer.
    virtual HelpOpening OpenHelpFile() = 0;
    virtual void ShowAbout() = 0;        // modal, resource 1 (RU) or 2 (EN)
    virtual void CloseMainWindow() = 0;  // as the window's close box does
    virtual void ShowReadIdWindow(const std::string& title, const std::string values[4]) = 0;
    // Key list window: id 22 opens it with the form's keys, id 23 with record 0.
    virtual void OpenKeyListForAdd() = 0;
    virtual void OpenKeyListAndShowFirst() = 0;
    // The "Issued cards" window over the register.
    virtual void OpenIssuedCards() = 0;
    // The "Card holders" window over the list of people to issue cards to.
    virtual void OpenCardHolders() = 0;
    // The "Database" window: database.ini's connection and the copy of the
    // station's files.
    virtual void OpenDatabase() = 0;
};

struct AppContext {
    FormView& form;
    MessageBoxes& boxes;
    Timers& timers;
    ProgressView& progress;
    Sleeper& sleeper;
    SerialPort& port;
    PortDiscovery& ports;
    RandomSource& random;
    UniqueNumberStore& users;
    Shell& shell;

    LanguageId language = LanguageId::Russian;
    MessageTable texts{LanguageId::Russian};
    std::string configPath = "appconfig.ini";

    FormValues values;
    ReaderInfo reader;
    ReaderLink link;
    OperationState op;
    CardIdentification ident;
    // The register of issued cards; without one, card commands keep no
    // register (tests of other things).
    IssuedCardsLog* issued = nullptr;
    // Cards for the people of the list; without it there are no such runs.
    HoldersRun* holders = nullptr;
    // Where appconfig.ini is kept; without it the language is not stored.
    Files* files = nullptr;
    // "Verify after write" (Tools menu; appconfig.ini's second line).
    bool verifyAfterWrite = false;
    // Where the station's records are kept, as the main window's title says.
    RecordsPlace records{};
    // Runs that verify, and runs that issue cards, identify each card first.
    // Only the figures turn it off, to measure what identifying costs.
    bool identifyCards = true;

    bool LinkOpen() const { return port.HasHandle(); }
    void ShowMessage(Msg text, MessageIcon icon) { boxes.Show(texts[text], icon); }
    void ShowMessage(const std::string& text, MessageIcon icon) { boxes.Show(text, icon); }
};

}  // namespace tollvane
