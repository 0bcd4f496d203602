#include "app/win/read_id_window.h"
#include "app/win/resource_ids.h"

namespace tollvane {

namespace {

// One window at a time, so its state is process-wide: the procedure needs
// the field handles to colour them.
struct ReadIdState {
    HWND fields[4] = {};
    HBRUSH brush = nullptr;
    std::wstring mainTitle;
};
ReadIdState g_readId;

constexpr int kWidth = 302, kHeight = 160;
constexpr int kControlWidth = 125, kControlHeight = 20;

}  // namespace

LRESULT CALLBACK ReadIdWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CTLCOLORSTATIC) {
        // Read-only edits ask with WM_CTLCOLORSTATIC; the labels keep the
        // default colours.
        const HWND control = reinterpret_cast<HWND>(lParam);
        for (HWND field : g_readId.fields) {
            if (!field || field != control) continue;
            if (!g_readId.brush) g_readId.brush = CreateSolidBrush(RGB(255, 255, 255));
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(g_readId.brush);
        }
    } else if (msg == WM_DESTROY) {
        if (const HWND main = FindWindowW(nullptr, g_readId.mainTitle.c_str())) {
            EnableWindow(main, TRUE);
            SetFocus(main);
        }
        for (HWND& field : g_readId.fields) field = nullptr;
        if (g_readId.brush) {
            DeleteObject(g_readId.brush);
            g_readId.brush = nullptr;
        }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void FillReadIdWindow(HWND window, HFONT font, const ReadIdWindowTexts& texts) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    struct Item {
        int x, y;
        const std::wstring* text;
        int field;  // slot of a value field, -1 for a label
    };
    const Item items[] = {
        {10, 15, &texts.labels[0], -1}, {160, 15, &texts.labels[1], -1},
        {10, 37, &texts.values[0], 0},  {160, 37, &texts.values[1], 1},
        {10, 67, &texts.labels[2], -1}, {160, 67, &texts.labels[3], -1},
        {10, 89, &texts.values[2], 2},  {160, 89, &texts.values[3], 3},
    };
    for (const Item& item : items) {
        const HWND control =
            item.field >= 0
                ? CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", item.text->c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY | ES_CENTER, item.x, item.y,
                                  kControlWidth, kControlHeight, window, nullptr, instance, nullptr)
                : CreateWindowExW(0, L"Static", item.text->c_str(), WS_CHILD | WS_VISIBLE, item.x, item.y,
                                  kControlWidth, kControlHeight, window, nullptr, instance, nullptr);
        if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (item.field >= 0) g_readId.fields[item.field] = control;
    }
}

HWND OpenReadIdWindow(HWND main, HFONT font, const ReadIdWindowTexts& texts) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ReadIdWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(TOLLVANE_ICON_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
    wc.lpszClassName = kReadIdClass;
    RegisterClassExW(&wc);

    g_readId.mainTitle = texts.mainTitle;
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - kWidth / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - kHeight / 2;
    const HWND window = CreateWindowExW(0, kReadIdClass, texts.title.c_str(), WS_SYSMENU, x, y, kWidth, kHeight,
                                        main, nullptr, instance, nullptr);
    if (!window) return nullptr;
    EnableWindow(main, FALSE);
    FillReadIdWindow(window, font, texts);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
}

}  // namespace tollvane
