#include "platform/windows/dialog.h"

#include <string>

#include "platform/strings/format.h"
#include "platform/system/resources.h"
#include "platform/windows/message_box.h"
#include "platform/windows/window_manager.h"

namespace qx {

namespace {

// The framework's own prompt for a text over its length limit.
constexpr UINT kStringTooLongPrompt = 61716;

}  // namespace

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
    CWnd* control = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
    m_idLastControl = control ? nIDC : 0;
    m_bEditLastControl = FALSE;
    return control ? control->m_hWnd : nullptr;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    const HWND h = PrepareCtrl(nIDC);
    const wm::Window* w = wm::Find(h);
    m_bEditLastControl = w && w->kind == wm::Kind::Edit ? TRUE : FALSE;
    return h;
}

void CDataExchange::Fail() {
    failed_ = true;
    if (!m_pDlgWnd || m_idLastControl == 0) return;
    CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl);
    if (!control) return;
    control->SetFocus();
    if (m_bEditLastControl) control->SendMessage(EM_SETSEL, 0, static_cast<LPARAM>(-1));
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    if (!pDX || pDX->Failed()) return;
    CWnd* control = CWnd::FromHandle(pDX->PrepareEditCtrl(nIDC));
    if (!control) return;
    if (pDX->m_bSaveAndValidate) control->GetWindowText(value);
    else control->SetWindowText(value);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
    if (!pDX || pDX->Failed()) return;
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_bEditLastControl && pDX->m_pDlgWnd) {
            if (CWnd* control = pDX->m_pDlgWnd->GetDlgItem(pDX->m_idLastControl)) {
                control->SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars < 0 ? 0 : nChars));
            }
        }
        return;
    }
    if (value.GetLength() <= nChars) return;
    CString prompt;
    AfxFormatString1(prompt, kStringTooLongPrompt, std::to_string(nChars).c_str());
    AfxMessageBox(prompt, MB_ICONEXCLAMATION);
    pDX->Fail();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
    if (!pDX || pDX->Failed() || control.m_hWnd || !pDX->m_pDlgWnd) return;
    control.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText) { wm::SetDialogColors(clrCtlBk, clrCtlText); }

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_pParentWnd(pParentWnd), template_id_(nIDTemplate) {}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* pParentWnd)
    : m_pParentWnd(pParentWnd), template_(dialogTemplate) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    if (m_hWnd || !CurrentBackend()) return -1;
    std::optional<DialogTemplate> dialogTemplate = template_;
    if (!dialogTemplate) {
        if (template_id_ == 0 || template_id_ > 0xFFFF) return -1;
        const auto bytes = ResourceBytes(static_cast<WORD>(template_id_), RT_DIALOG);
        if (bytes.empty()) return -1;
        dialogTemplate = ParseDialogTemplate(bytes);
        if (!dialogTemplate) return -1;
    }

    wm::Window* owner = nullptr;
    if (wm::Window* parent = m_pParentWnd ? wm::Find(m_pParentWnd->m_hWnd) : nullptr) {
        owner = wm::TopLevelOf(parent);
    } else {
        owner = wm::ActiveWindow();
    }
    const HWND ownerHandle = owner ? owner->handle : nullptr;
    const bool ownerWasEnabled = owner && owner->enabled;
    wm::Window* focusBefore = wm::Focus();
    const HWND focusBeforeHandle = focusBefore ? focusBefore->handle : nullptr;

    wm::Window* window = wm::CreateDialogWindow(*dialogTemplate, owner);
    window->attached = this;
    m_hWnd = window->handle;
    const HWND handle = m_hWnd;
    ended_ = false;
    result_ = -1;
    if (owner) wm::Enable(*owner, false);
    if (focusBefore) wm::SetFocusTo(nullptr);

    const LRESULT focusFirst = wm::Send(*window, WM_INITDIALOG, 0, 0);
    bool ran = true;
    if (wm::Window* w = wm::Find(handle)) {
        // TRUE asks for the first tab stop; after FALSE a dialog that placed no focus
        // of its own still gets it there, as the dialog manager does on activation.
        wm::Window* focus = wm::Focus();
        const bool focusInside = focus && focus->parent == w;
        if (!ended_ && (focusFirst || !focusInside)) wm::GotoControl(wm::NextTabStop(*w, nullptr, false));
        if (!w->visible && !ended_) wm::Show(*w, true);
        if (!ended_) ran = wm::RunModalLoop([this] { return ended_; });
    }
    wm::DestroyDialogWindow(wm::Find(handle));
    m_hWnd = nullptr;

    if (wm::Window* o = wm::Find(ownerHandle)) {
        if (ownerWasEnabled) wm::Enable(*o, true);
        wm::SetFocusTo(o->focus);
    } else {
        wm::SetFocusTo(wm::Find(focusBeforeHandle));
    }
    return ran || ended_ ? result_ : -1;
}

void CDialog::EndDialog(int nResult) {
    result_ = nResult;
    ended_ = true;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
    if (wm::Window* w = pWndCtrl ? wm::Find(pWndCtrl->m_hWnd) : nullptr) wm::GotoControl(w);
}

void CDialog::NextDlgCtrl() {
    if (wm::Window* d = wm::Find(m_hWnd)) {
        wm::Window* f = wm::Focus();
        wm::GotoControl(wm::NextTabStop(*d, f && f->parent == d ? f : nullptr, false));
    }
}

void CDialog::PrevDlgCtrl() {
    if (wm::Window* d = wm::Find(m_hWnd)) {
        wm::Window* f = wm::Focus();
        wm::GotoControl(wm::NextTabStop(*d, f && f->parent == d ? f : nullptr, true));
    }
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    if (HIWORD(static_cast<LPARAM>(wParam)) != BN_CLICKED) return FALSE;
    switch (LOWORD(static_cast<LPARAM>(wParam))) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: OnCancel(); return TRUE;
        default: return FALSE;
    }
}

}  // namespace qx
