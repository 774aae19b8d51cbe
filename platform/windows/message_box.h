// The application's message box: a centred modal dialog with the exclamation sign,
// the text wrapped by display width (LF starts a new line), OK or OK and Cancel, and
// the program's name as its caption. OK has the focus; Enter presses the focused
// button; Esc and the close box give IDCANCEL, or IDOK when the box has only OK.
// Returns IDOK or IDCANCEL, or 0 when no box can be shown (no backend installed).
// Texts are CP932.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace qx {

inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_OKCANCEL = 0x01;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_TYPEMASK = 0x0F;

int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// Loads string-table entry nIDPrompt (an empty text when there is none).
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));

// The caption of every message box: the program file's name without its extension
// unless set (the application object or a test may set it).
const char* AfxGetAppName();
void AfxSetAppName(const char* name);
// The name a program path gives: its last component without extension, CP932.
std::string AppNameFromPath(std::string_view path);

// Every box shown, with the answer, for tests that check what was asked.
struct MessageBoxRecord {
    std::string text;  // CP932
    UINT type = 0;
    int result = 0;
};
using MessageBoxObserver = std::function<void(const MessageBoxRecord&)>;
void SetMessageBoxObserver(MessageBoxObserver observer);  // an empty function removes it

}  // namespace qx
