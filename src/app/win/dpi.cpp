#include "app/win/dpi.h"
#include "app/win/resource_ids.h"

#include <map>

namespace tollvane {
namespace {

// The Windows 10 calls, looked up once: missing on older systems.
struct DpiCalls {
    UINT(WINAPI* dpiForWindow)(HWND) = nullptr;
    UINT(WINAPI* dpiForSystem)() = nullptr;
    int(WINAPI* metricForDpi)(int, UINT) = nullptr;
    BOOL(WINAPI* adjustForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
    BOOL(WINAPI* parametersForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
    HRESULT(WINAPI* dpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;

    DpiCalls() {
        if (const HMODULE user = GetModuleHandleW(L"user32.dll")) {
            Find(user, "GetDpiForWindow", dpiForWindow);
            Find(user, "GetDpiForSystem", dpiForSystem);
            Find(user, "GetSystemMetricsForDpi", metricForDpi);
            Find(user, "AdjustWindowRectExForDpi", adjustForDpi);
            Find(user, "SystemParametersInfoForDpi", parametersForDpi);
        }
        // Windows 8.1; the module stays loaded for the program's life.
        if (const HMODULE shcore = LoadLibraryW(L"shcore.dll"))
            Find(shcore, "GetDpiForMonitor", dpiForMonitor);
    }

    template <typename F>
    static void Find(HMODULE module, const char* name, F& call) {
        call = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};

const DpiCalls& Calls() {
    static const DpiCalls calls;
    return calls;
}

int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDefaultDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

int SystemDpi() {
    if (Calls().dpiForSystem) return static_cast<int>(Calls().dpiForSystem());
    return ScreenDpi();
}

int WindowDpi(HWND window) {
    if (Calls().dpiForWindow && window) {
        if (const UINT dpi = Calls().dpiForWindow(window)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

int MonitorDpi(const RECT& screenRect) {
    UINT x = 0, y = 0;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (Calls().dpiForMonitor &&
        SUCCEEDED(Calls().dpiForMonitor(MonitorFromRect(&screenRect, MONITOR_DEFAULTTONEAREST),
                                        kEffectiveDpi, &x, &y)) &&
        y > 0) {
        return static_cast<int>(y);
    }
    return SystemDpi();
}

RECT WorkAreaOf(const RECT& screenRect) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromRect(&screenRect, MONITOR_DEFAULTTONEAREST), &info))
        return info.rcWork;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

int MetricAt(int index, int dpi) {
    if (Calls().metricForDpi) return Calls().metricForDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

SIZE OuterSizeFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu,
                  int dpi) {
    RECT rect{0, 0, clientWidth, clientHeight};
    if (Calls().adjustForDpi) {
        Calls().adjustForDpi(&rect, style, menu, exStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&rect, style, menu, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

UniqueGdiObject MakeMessageFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    // At the system's own DPI the font is the one the program always took.
    if (dpi != SystemDpi() && Calls().parametersForDpi &&
        Calls().parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                 static_cast<UINT>(dpi))) {
        return UniqueGdiObject(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return UniqueGdiObject();
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
    return UniqueGdiObject(CreateFontIndirectW(&metrics.lfMessageFont));
}

HICON AppIcon(int dpi, bool small) {
    const int size = MetricAt(small ? SM_CXSMICON : SM_CXICON, dpi);
    static std::map<int, UniqueIcon> icons;
    UniqueIcon& icon = icons[size];
    if (!icon) {
        icon.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                                 MAKEINTRESOURCEW(TOLLVANE_ICON_APP), IMAGE_ICON,
                                                 size, size, LR_DEFAULTCOLOR)));
    }
    return icon.get();
}

void SetWindowIcons(HWND window, int dpi) {
    if (dpi == kDefaultDpi) return;
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon(dpi, false)));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon(dpi, true)));
}

}  // namespace tollvane
