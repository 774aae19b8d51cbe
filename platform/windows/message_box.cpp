#include "platform/windows/message_box.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

#include "platform/strings/cp932.h"
#include "platform/windows/backend.h"
#include "platform/windows/dialog.h"
#include "platform/windows/styles.h"
#include "platform/windows/text_layout.h"

namespace qx {

namespace {

std::string g_appName;
bool g_appNameSet = false;
MessageBoxObserver g_observer;

constexpr char kOk[] = "OK";
constexpr char kCancel[] = "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b";  // キャンセル
constexpr int kMaxTextColumns = 60;
constexpr int kButtonColumns = 14;
constexpr int kSignColumns = 3;

std::string ProgramName() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return "";
    return AppNameFromPath(std::string_view(path, static_cast<std::size_t>(n)));
}

// Layout in cells: 4 horizontal and 8 vertical dialog units per cell.
short Dx(int cells) { return static_cast<short>(cells * 4); }
short Dy(int rows) { return static_cast<short>(rows * 8); }

class MessageBoxDialog final : public CDialog {
public:
    MessageBoxDialog(const DialogTemplate& t, bool hasCancel) : CDialog(t), hasCancel_(hasCancel) {}

    void OnCancel() override { EndDialog(hasCancel_ ? IDCANCEL : IDOK); }

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{CDialog::GetMessageMap(), {MapPaint(&MessageBoxDialog::OnPaint)}};
        return &map;
    }

private:
    void OnPaint() {
        CPaintDC dc(this);
        // The exclamation sign: black on yellow, at the top left of the client area.
        dc.SetBkColor(RGB(255, 255, 0));
        dc.SetTextColor(RGB(0, 0, 0));
        dc.TextOut(2 * kCellWidthPx, kCellHeightPx, " ! ");
        Default();
    }

    bool hasCancel_;
};

DialogTemplate BuildTemplate(const std::string& text, bool hasCancel) {
    int screenColumns = 100;
    if (Backend* b = CurrentBackend()) screenColumns = b->Columns();
    const int wrap = std::clamp(screenColumns - 2 - (2 + kSignColumns + 2) - 2, 10, kMaxTextColumns);
    const std::vector<TextLine> lines = WrapText(text, wrap);
    int textColumns = 1;
    for (const TextLine& l : lines) {
        textColumns = std::max(textColumns, TextWidth(std::string_view(text).substr(l.begin, l.end - l.begin)));
    }
    const int rows = static_cast<int>(lines.size());
    const int buttons = hasCancel ? 2 : 1;
    const int buttonsWidth = buttons * kButtonColumns + (buttons - 1) * 2;
    const int textLeft = 2 + kSignColumns + 2;
    const int width = std::max(textLeft + textColumns + 2, buttonsWidth + 4);
    const int height = 1 + std::max(rows, 1) + 1 + 1 + 1;

    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    t.caption = AfxGetAppName();
    t.cx = Dx(width);
    t.cy = Dy(height);
    DialogItemTemplate label;
    label.controlClass = ControlClass::Static;
    label.id = IDC_STATIC;
    label.text = text;
    label.style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
    label.x = Dx(textLeft);
    label.y = Dy(1);
    label.cx = Dx(textColumns);
    label.cy = Dy(std::max(rows, 1));
    t.items.push_back(label);
    int x = (width - buttonsWidth) / 2;
    const int y = height - 2;
    DialogItemTemplate ok;
    ok.controlClass = ControlClass::Button;
    ok.id = IDOK;
    ok.text = kOk;
    ok.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
    ok.x = Dx(x);
    ok.y = Dy(y);
    ok.cx = Dx(kButtonColumns);
    ok.cy = Dy(1);
    t.items.push_back(ok);
    if (hasCancel) {
        x += kButtonColumns + 2;
        DialogItemTemplate cancel = ok;
        cancel.id = IDCANCEL;
        cancel.text = kCancel;
        cancel.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        cancel.x = Dx(x);
        t.items.push_back(cancel);
    }
    return t;
}

}  // namespace

std::string AppNameFromPath(std::string_view path) {
    // The kernel marks the link of a program file replaced while it runs.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.substr(path.size() - kDeleted.size()) == kDeleted) {
        path.remove_suffix(kDeleted.size());
    }
    std::string name(path);
    if (const auto slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
    if (auto cp932 = Utf8ToCp932(name)) return *cp932;
    return name;
}

const char* AfxGetAppName() {
    if (!g_appNameSet) {
        g_appName = ProgramName();
        g_appNameSet = true;
    }
    return g_appName.c_str();
}

void AfxSetAppName(const char* name) {
    g_appName = name ? name : "";
    g_appNameSet = true;
}

void SetMessageBoxObserver(MessageBoxObserver observer) { g_observer = std::move(observer); }

int AfxMessageBox(const char* lpszText, UINT nType, UINT) {
    const std::string text = lpszText ? lpszText : "";
    const bool hasCancel = (nType & MB_TYPEMASK) == MB_OKCANCEL;
    int result = 0;
    if (CurrentBackend()) {
        MessageBoxDialog box(BuildTemplate(text, hasCancel), hasCancel);
        const INT_PTR answer = box.DoModal();
        result = answer == IDOK || answer == IDCANCEL ? static_cast<int>(answer) : 0;
    }
    if (g_observer) g_observer({text, nType, result});
    return result;
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text.GetString(), nType, nIDHelp);
}

}  // namespace qx
