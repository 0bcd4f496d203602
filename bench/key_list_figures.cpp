// The key list window with 10,000 records under Wine, with the program's
// CryptoAPI cipher and kernel32 files: "Show list" to a painted, scrollable
// list, and "Add new", "Remove" and "Use This Key" each with the refill of
// the window that follows. The reference does the same with the rows
// inserted into a list view one by one, and after a change decrypts the
// list again to reload it (after the 25 ms pause that reload has).
#if defined(_WIN32)

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/key_record_form.h"
#include "base/console_boxes.h"
#include "app/win/key_list_window.h"
#include "app/win/resource_ids.h"
#include "figures.h"
#include "keystore/key_list.h"
#include "keystore/win/win_key_file_cipher.h"
#include "base/win/win_files.h"
#include "sample_data.h"
#include "support/fakes.h"

namespace {

using namespace tollvane;
namespace fs = std::filesystem;

constexpr int kRecords = 10000;

// A list view filled the plain way: every row inserted, every cell set.
class RowByRowUi : public bench::FieldsOnlyUi {
public:
    RowByRowUi() : FieldsOnlyUi(false) {
        window_ =
            CreateWindowExW(0, L"Static", L"reference", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            1070, 420, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 18, 128, 890,
                                242, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int i = 0; i < kKeyListColumns; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_WIDTH | LVCF_TEXT;
            column.cx = 90;
            column.pszText = const_cast<wchar_t*>(L"c");
            SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&column));
        }
    }
    ~RowByRowUi() override { DestroyWindow(window_); }

    // As the window filled its list before it drew rows on demand: redraw
    // off, every row inserted, every cell set, redraw on.
    void ShowRows(KeyListRows rows) override {
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
        for (std::size_t i = 0; i < rows.Count(); ++i) {
            std::wstring cell = Wide(rows.Cell(i, 0));
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = cell.data();
            const LRESULT index =
                SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            for (int column = 1; column < kKeyListColumns; ++column) {
                cell = Wide(rows.Cell(i, column));
                item.iSubItem = column;
                item.pszText = cell.data();
                SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&item));
            }
        }
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
        UpdateWindow(window_);
    }

private:
    static std::wstring Wide(const std::string& text) {
        return std::wstring(text.begin(), text.end());
    }
    HWND window_ = nullptr;
    HWND list_ = nullptr;
};

struct Fixture {
    Fixture()
        : dir(fs::temp_directory_path() / "tollvane-figures-keys"),
          cipher(files),
          form(t.app),
          list(files, cipher, boxes, t.app.texts, t.sleeper, form, dir.string() + "\\") {
        fs::create_directories(dir);
        std::ofstream(dir / "plain", std::ios::binary) << bench::KeyListText(kRecords);
        EncryptKeyFile(files, cipher, (dir / "plain").string(), (dir / "original").string(),
                       kKeyFilePassword);
        fs::remove(dir / "plain");
        Restore();
        main = CreateWindowExW(0, L"Static", L"figures", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Fixture() {
        DestroyWindow(main);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void Restore() {
        fs::remove(dir / kCrKeysFile);
        fs::copy_file(dir / "original", dir / kCrKeysFile);
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    // The window as "Show list" opens it, painted.
    HWND Open() {
        const HWND opened = window.OpenAndShowFirst({main});
        Pump();
        return opened;
    }
    static void Close(HWND window) {
        if (window && IsWindow(window)) DestroyWindow(window);
        Pump();
    }

    fs::path dir;
    testing::TestApp t;
    ConsoleBoxes boxes{true};
    WinFiles files;
    WinKeyFileCipher cipher;
    AppKeyRecordForm form;
    KeyList list;
    HWND main = nullptr;
    KeyListWindow window{t.app, list};
};

FIGURE(KeyListWindow) {
    Fixture f;
    const int runs = 5;
    HWND window = nullptr;

    const bench::Timing show = bench::Time(
        runs, [&] { Fixture::Close(window); }, [&] { window = f.Open(); });
    Fixture::Close(window);
    const double showRef = bench::Time(2, nullptr, [&] {
                               RowByRowUi ui;
                               KeyList list(f.files, f.cipher, f.boxes, f.t.app.texts, f.t.sleeper,
                                            f.form, f.dir.string() + "\\");
                               list.SetUi(&ui);
                               list.LoadKeyList();
                               list.ShowKeyRecord(0);
                           }).bestMs;

    // Each change runs on a fresh copy of the list, with the window open.
    auto onOpenWindow = [&](auto action) {
        return bench::Time(
            runs,
            [&] {
                Fixture::Close(window);
                f.Restore();
                window = f.Open();
            },
            [&] { action(f.list); });
    };
    const bench::Timing add = onOpenWindow([&](KeyList& list) {
        SetWindowTextW(GetDlgItem(window, kDescriptionFieldId), L"A new key");
        list.OnAddNew();
    });
    const bench::Timing remove = onOpenWindow([&](KeyList& list) {
        list.OnRowClicked(kRecords / 2);
        list.OnRemove();
    });
    const bench::Timing use = onOpenWindow([&](KeyList& list) {
        list.OnRowClicked(kRecords / 2);
        list.OnUseKey();
    });
    Fixture::Close(window);

    auto onReference = [&](auto action) {
        RowByRowUi ui;
        KeyList list(f.files, f.cipher, f.boxes, f.t.app.texts, f.t.sleeper, f.form,
                     f.dir.string() + "\\");
        list.SetUi(&ui);
        return bench::Time(
                   2, [&] { f.Restore(); }, [&] { action(list); })
            .bestMs;
    };
    const double addRef = onReference([](KeyList& list) {
        list.AddKeyRecord();
        Sleep(25);
        list.LoadKeyList();
    });
    const double removeRef = onReference([&](KeyList& list) {
        list.RemoveKeyRecord(kRecords / 2);
        list.LoadKeyList();
        list.ShowKeyRecord(0);
    });
    const double useRef = onReference([](KeyList& list) { list.UseKeyRecord(kRecords / 2); });

    const char* note =
        "10,000 records; reference: rows inserted one by one, reload after a change; best of 5 "
        "(ref 2)";
    out.push_back({"keylist_show_10k", show.bestMs, "ms", showRef, note, show.cpuMs});
    out.push_back({"keylist_add_10k", add.bestMs, "ms", addRef, note, add.cpuMs});
    out.push_back({"keylist_remove_10k", remove.bestMs, "ms", removeRef, note, remove.cpuMs});
    out.push_back({"keylist_use_10k", use.bestMs, "ms", useRef, note, use.cpuMs});
}

}  // namespace

#endif
