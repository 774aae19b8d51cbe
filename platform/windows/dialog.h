// CDialog: a modal dialog built from a dialog template, and dialog data exchange.
//
// DoModal creates the dialog window and its controls from the template, gives the
// dialog the active window (the topmost running dialog) as owner unless a parent was
// named, disables that owner while it runs, calls OnInitDialog, and runs the modal
// loop until EndDialog; then it destroys the window (messages still queued for it are
// dropped) and gives the owner its input and focus back. The CDialog object belongs
// to the program and outlives its window. The dialog manager's keys live in the loop:
// Tab/Shift+Tab through WS_TABSTOP controls in template order, Enter for the focused
// or the default push button (IDOK when there is none), Esc and the close box for
// IDCANCEL, Alt+letter (or the letter alone outside edit boxes) for "&" mnemonics.
#pragma once

#include <optional>

#include "platform/strings/cstring.h"
#include "platform/windows/dialog_template.h"
#include "platform/windows/wnd.h"

namespace qx {

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;

    // The control the next exchange works on; null when the dialog has no such control.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Stops the exchange: the focus goes back to the last prepared control, an edit
    // box with its whole text selected, and UpdateData returns FALSE.
    void Fail();
    bool Failed() const { return failed_; }

private:
    bool failed_ = false;
};

// CString <-> the control's text.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Loading: limits the last edit box to nChars bytes. Saving: a longer value is refused
// with the framework's prompt (string 61716, "%1" = nChars) and the exchange fails.
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
// Attaches `control` to control nIDC (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);

// The dialogs' background and text colours (the application sets them once).
void SetDialogBkColor(COLORREF clrCtlBk = RGB(192, 192, 192), COLORREF clrCtlText = RGB(0, 0, 0));

class CDialog : public CWnd {
public:
    // Loads RT_DIALOG resource nIDTemplate when DoModal runs.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Runs a template built in code (tests, message boxes).
    explicit CDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // The value given to EndDialog; -1 when the template is missing or bad, no
    // backend is installed, or the backend ended the session.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();  // loads the controls (UpdateData(FALSE)); TRUE
    virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel();      // EndDialog(IDCANCEL)
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Moves the focus like the dialog manager: an edit box gets its text selected.
    void GotoDlgCtrl(CWnd* pWndCtrl);
    void NextDlgCtrl();
    void PrevDlgCtrl();

    UINT m_nIDHelp = 0;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    CWnd* m_pParentWnd = nullptr;

private:
    UINT template_id_ = 0;
    std::optional<DialogTemplate> template_;
    int result_ = -1;
    bool ended_ = false;
};

}  // namespace qx
