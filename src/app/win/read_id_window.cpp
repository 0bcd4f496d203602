#include "app/win/read_id_window.h"
#include "app/win/resource_ids.h"

#include "base/win/utf.h"

namespace tollvane {
namespace {

constexpr int kWidth = 302, kHeight = 160;
constexpr DWORD kValueStyle = WS_BORDER | ES_READONLY | ES_CENTER;

// Two rows of two: each label above its value.
const ChildControl kControls[] = {
    {L"Static", Msg::kReadIdBarcode, 0, 0, 10, 15, 125, 20},
    {L"Static", Msg::kReadIdBarcodeHex, 0, 0, 160, 15, 125, 20},
    {L"Edit", kNoText, kValueStyle, kReadIdFirstFieldId, 10, 37, 125, 20, WS_EX_CLIENTEDGE},
    {L"Edit", kNoText, kValueStyle, kReadIdFirstFieldId + 1, 160, 37, 125, 20, WS_EX_CLIENTEDGE},
    {L"Static", Msg::kReadIdCipher, 0, 0, 10, 67, 125, 20},
    {L"Static", Msg::kReadIdCipherDotted, 0, 0, 160, 67, 125, 20},
    {L"Edit", kNoText, kValueStyle, kReadIdFirstFieldId + 2, 10, 89, 125, 20, WS_EX_CLIENTEDGE},
    {L"Edit", kNoText, kValueStyle, kReadIdFirstFieldId + 3, 160, 89, 125, 20, WS_EX_CLIENTEDGE},
};

bool IsValueField(HWND control) {
    const int id = GetDlgCtrlID(control);
    return id >= kReadIdFirstFieldId && id < kReadIdFirstFieldId + kReadIdFieldCount;
}

}  // namespace

ReadIdWindow::ReadIdWindow() : SecondaryWindow(kReadIdClass, kWidth, kHeight) {}

HWND ReadIdWindow::Open(const MainWindowLink& main, const MessageTable& texts,
                        const std::string& title, const std::string values[4]) {
    texts_ = &texts;
    values_ = values;
    // The message boxes stay with the main window.
    MainWindowLink link = main;
    link.setBoxOwner = nullptr;
    const HWND window = SecondaryWindow::Open(link, Widen(title));
    values_ = nullptr;
    return window;
}

void ReadIdWindow::MakeControls() {
    CreateControls(Window(), kControls, *texts_, Font());
    for (int i = 0; i < kReadIdFieldCount; ++i) {
        SetWindowTextW(Item(kReadIdFirstFieldId + i), Widen(values_[i]).c_str());
    }
}

bool ReadIdWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Read-only edits ask for their colours with WM_CTLCOLORSTATIC; the
    // labels keep the default ones.
    if (message != WM_CTLCOLORSTATIC || !IsValueField(reinterpret_cast<HWND>(lParam))) return false;
    if (!whiteBrush_) whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
    const HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    result = reinterpret_cast<LRESULT>(whiteBrush_.get());
    return true;
}

}  // namespace tollvane
