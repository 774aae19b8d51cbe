// The controls a dialog template can hold, as the program sees them: CStatic, CEdit,
// CButton and the owner-drawn CBitmapButton. Each is a CWnd that can be attached to a
// control of a running dialog (DDX_Control, SubclassDlgItem); the control's text,
// caret, selection and limit live with the control itself, so attaching or detaching
// an object changes nothing of its state. A CBitmapButton owns the pictures it loaded.
#pragma once

#include <optional>

#include "platform/windows/image.h"
#include "platform/windows/wnd.h"

namespace qx {

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    // Selects bytes [nStartChar, nEndChar); (0, -1) selects everything, a start of -1
    // removes the selection. Offsets are CP932 byte offsets on character boundaries.
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    DWORD GetSel() const;
    // At most nChars CP932 bytes can be typed (0: the largest limit).
    void LimitText(int nChars = 0);
    void SetLimitText(UINT nMax) { LimitText(static_cast<int>(nMax)); }
    UINT GetLimitText() const;
    void ReplaceSel(const char* text, BOOL bCanUndo = FALSE);
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    int GetFirstVisibleLine() const;
    int GetLineCount() const;
    void LineScroll(int nLines, int nChars = 0);
};

// What an owner-drawn button is given to draw itself.
inline constexpr UINT ODT_BUTTON = 4;
inline constexpr UINT ODA_DRAWENTIRE = 1;
inline constexpr UINT ODS_SELECTED = 0x0001;
inline constexpr UINT ODS_DISABLED = 0x0004;
inline constexpr UINT ODS_FOCUS = 0x0010;
struct DRAWITEMSTRUCT {
    UINT CtlType = ODT_BUTTON;
    UINT CtlID = 0;
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    CDC* pDC = nullptr;  // the button's client area
    RECT rcItem;         // pixels, from the button's top-left corner
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

class CButton : public CWnd {
public:
    // Called to paint a BS_OWNERDRAW button; the default draws nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
};

class CBitmapButton : public CButton {
public:
    // Loads RT_BITMAP resources by name: the normal picture, and optionally those for
    // the pressed, focused and disabled states (a state without its own picture shows
    // the normal one). FALSE when the normal picture is missing or not understood.
    BOOL LoadBitmaps(const char* lpszBitmapResource, const char* lpszBitmapResourceSel = nullptr,
                     const char* lpszBitmapResourceFocus = nullptr,
                     const char* lpszBitmapResourceDisabled = nullptr);
    // Gives the button the normal picture's size in pixels, keeping its position.
    void SizeToContent();
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

private:
    std::optional<Image> normal_, selected_, focused_, disabled_;
};

}  // namespace qx
