// The key list window of the real program: "Add to list", "Show list",
// "Show Key", "Use This Key", "Remove" and closing, driven through the
// window's controls from another process.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

enum KeyId : int {
    kKeyCrypto1Field = 42, kKeyAesField = 43, kShowKeys = 44, kDescription = 45, kAddNew = 46,
    kKeyList = 47, kUseKey = 48, kRemove = 49, kCancel = 50,
};

const std::string kMasked6(17, '*');
const std::string kMasked16(32, '*');

// The test data folder, seen through Wine's Z: drive, which maps the whole
// Unix file system. (Not found from __FILE__: a compiler cache may make
// that path relative.)
std::filesystem::path DataFile(const char* name) {
    return std::filesystem::path("Z:" TOLLVANE_TEST_DATA) / "keyfile" / name;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// List view messages carry pointers, which Windows does not carry across
// processes: the structures live in memory allocated inside the program.
class RemoteMemory {
public:
    RemoteMemory(DWORD pid, std::size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)),
          size_(size) {
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* Address() const { return static_cast<char*>(address_); }
    void Write(const void* data, std::size_t size, std::size_t offset = 0) const {
        WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
    }
    void Read(void* data, std::size_t size, std::size_t offset = 0) const {
        ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_ = nullptr;
    std::size_t size_;
};

class KeyListE2eTest : public ProgramTest {
protected:
    // The program starts in a folder with this crkeys.data: by default the
    // encrypted empty list that the build puts beside Tollvane.exe.
    void StartWith(const std::string& crkeys) {
        dir.Write("crkeys.data", crkeys);
        Start();
    }
    static std::string FirstKeyFile() {
        return FileBytes(std::filesystem::path(ProgramPath()).parent_path() / "crkeys.data");
    }

    HWND OpenWindow(int button) {
        form->ClickAsync(button);
        HWND window = nullptr;
        WaitUntil([&] { return (window = program->FindTop(L"my Child Window")) != nullptr; });
        keys_ = window;
        // Wait for the list and the buttons after it.
        if (keys_) WaitUntil([&] { return Item(kCancel) != nullptr; });
        if (keys_) SendMessageW(keys_, WM_NULL, 0, 0);
        return window;
    }
    HWND Item(int id) const { return GetDlgItem(keys_, id); }
    std::string Field(int id) const { return WindowText(Item(id)); }
    wchar_t PasswordChar(int id) const {
        return static_cast<wchar_t>(SendMessageW(Item(id), EM_GETPASSWORDCHAR, 0, 0));
    }
    bool ShowKeysChecked() const { return SendMessageW(Item(kShowKeys), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    int Rows() const { return static_cast<int>(SendMessageW(Item(kKeyList), LVM_GETITEMCOUNT, 0, 0)); }

    std::string Cell(int row, int column) const {
        RemoteMemory remote(program->Pid(), sizeof(LVITEMW) + 512 * sizeof(wchar_t));
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(remote.Address() + sizeof(LVITEMW));
        item.cchTextMax = 512;
        remote.Write(&item, sizeof item);
        SendMessageW(Item(kKeyList), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(remote.Address()));
        wchar_t text[512] = {};
        remote.Read(text, sizeof text - sizeof(wchar_t), sizeof(LVITEMW));
        return Narrow(text);
    }
    std::vector<std::string> Row(int row) const {
        std::vector<std::string> cells;
        for (int c = 0; c < 9; ++c) cells.push_back(Cell(row, c));
        return cells;
    }

    // A mouse click (or double click) in the first column of a row; the list
    // view selects the row and tells the window itself.
    void ClickRow(int row, bool twice = false) {
        RemoteMemory remote(program->Pid(), sizeof(RECT));
        RECT rect{};
        rect.left = LVIR_BOUNDS;
        remote.Write(&rect, sizeof rect);
        SendMessageW(Item(kKeyList), LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(remote.Address()));
        remote.Read(&rect, sizeof rect);
        const LPARAM at = MAKELPARAM(rect.left + 12, (rect.top + rect.bottom) / 2);
        const HWND list = Item(kKeyList);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        if (twice) {
            PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            PostMessageW(list, WM_LBUTTONUP, 0, at);
        }
        WaitUntil([&] {
            return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == row;
        });
        SendMessageW(keys_, WM_NULL, 0, 0);
    }
    // A button press that may raise a message box: posted, then the box or
    // the button's effect is waited for.
    void Press(int id) { PostMessageW(Item(id), BM_CLICK, 0, 0); }
    void PressAndWait(int id) {
        Press(id);
        std::this_thread::sleep_for(50ms);
        SendMessageW(keys_, WM_NULL, 0, 0);
    }

    void AddRecord(const std::string& description) {
        const int before = Rows();
        SetWindowTextW(Item(kDescription), Widen(description).c_str());
        Press(kAddNew);
        ASSERT_TRUE(WaitUntil([&] { return Rows() == before + 1; })) << description;
    }

    HWND keys_ = nullptr;
};

TEST_F(KeyListE2eTest, AddToListAddsTheStartValuesOnceOnly) {
    StartWith(FirstKeyFile());
    ASSERT_TRUE(OpenWindow(kAddToList));
    EXPECT_EQ(WindowText(keys_), "Keys");
    EXPECT_FALSE(IsEnabled(form->Main()));
    EXPECT_EQ(Field(kKeyCrypto1Field), "FF FF FF FF FF FF");
    EXPECT_EQ(Field(kKeyAesField), "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(Field(kDescription), "Key Description");
    EXPECT_EQ(Rows(), 0);

    Press(kAddNew);
    ASSERT_TRUE(WaitUntil([&] { return Rows() == 1; }));
    EXPECT_EQ(Row(0), (std::vector<std::string>{"0000", "Cls", "X", "0", "01", "0", kMasked6, kMasked16,
                                                "Key Description"}));

    Press(kAddNew);
    const auto box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "[0000] Key already exit at the list.");
    EXPECT_EQ(box->caption, "Message");
    program->Answer(*box, IDOK);
    EXPECT_EQ(Rows(), 1);
    EXPECT_FALSE(dir.Read("keys.data"));
    EXPECT_EQ(dir.Read("zipkeys.data"), dir.Read("crkeys.data"));
}

TEST_F(KeyListE2eTest, ShowListShowsRecordZeroMaskedUntilShowKey) {
    StartWith(FileBytes(DataFile("crkeys_keylist.data")));
    ASSERT_TRUE(OpenWindow(kShowList));
    EXPECT_EQ(Rows(), 24);
    EXPECT_EQ(Field(kKeyCrypto1Field), "FF FF FF FF FF FF");
    EXPECT_EQ(Field(kDescription), "Key Description");
    EXPECT_EQ(PasswordChar(kKeyCrypto1Field), L'*');
    EXPECT_EQ(PasswordChar(kKeyAesField), L'*');
    EXPECT_EQ(Cell(1, 6), kMasked6);

    PressAndWait(kShowKeys);
    EXPECT_TRUE(ShowKeysChecked());
    EXPECT_EQ(PasswordChar(kKeyCrypto1Field), 0);
    EXPECT_EQ(PasswordChar(kKeyAesField), 0);
    EXPECT_EQ(Cell(1, 6), "A0 A1 A2 A3 A4 A5");
    EXPECT_EQ(Cell(1, 7), "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");

    PressAndWait(kShowKeys);
    EXPECT_FALSE(ShowKeysChecked());
    EXPECT_EQ(PasswordChar(kKeyCrypto1Field), L'*');
    EXPECT_EQ(Cell(1, 7), kMasked16);

    ClickRow(1, true);
    EXPECT_TRUE(WaitUntil([&] { return Field(kDescription) == "Entrance door, building 2"; }));
    EXPECT_EQ(Field(kKeyCrypto1Field), "A0 A1 A2 A3 A4 A5");

    // The documentation's picture of the window (scripts set the folder).
    if (std::getenv("TOLLVANE_E2E_SHOTS")) {
        PressAndWait(kShowKeys);
        ClickRow(3, true);
        WaitUntil([&] { return Field(kKeyCrypto1Field) == "B0 B1 B2 B3 B4 B5"; });
        Shot(keys_, "keylist");
    }
}

TEST_F(KeyListE2eTest, RemovingRecordTwoOfFiveRenumbersAndRecordZeroStays) {
    StartWith(FirstKeyFile());
    ASSERT_TRUE(OpenWindow(kAddToList));
    for (const char* d : {"r0", "r1", "r2", "r3", "r4"}) AddRecord(d);

    ClickRow(2);
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(Item(kRemove)); }));
    Press(kRemove);
    auto box = program->WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "[0002] Are you sure you want to delete the key?");
    program->Answer(*box, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return Rows() == 4; }));
    for (int row = 0; row < 4; ++row) {
        const char* expected[] = {"r0", "r1", "r3", "r4"};
        EXPECT_EQ(Cell(row, 0), "000" + std::to_string(row));
        EXPECT_EQ(Cell(row, 8), expected[row]);
    }
    EXPECT_TRUE(WaitUntil([&] { return Field(kDescription) == "r0"; }));

    // Record 0000: "Remove" neither asks nor removes.
    ClickRow(0);
    PressAndWait(kRemove);
    EXPECT_FALSE(program->CurrentMessageBox());
    EXPECT_EQ(Rows(), 4);
    EXPECT_FALSE(dir.Read("keys.data"));
    EXPECT_FALSE(dir.Read("TmpKeys.data"));
}

}  // namespace
}  // namespace tollvane::e2e
