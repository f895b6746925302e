#include "framework/Dialog.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "framework/App.h"

namespace {
struct ExchangeFailed {};
}  // namespace

void CDataExchange::Fail(HWND control) {
  ::SetFocus(control);
  ::SendMessageA(control, EM_SETSEL, 0, -1);
  throw ExchangeFailed();
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
  HWND control = dx->m_dialog->GetDlgItem(id);
  if (!dx->m_saveAndValidate) {
    ::SetWindowTextA(control, std::to_string(value).c_str());
    return;
  }
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
  ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  char* end = nullptr;
  // A number too large for an int is still a number: strtol gives the
  // nearest long, and the nearest int is taken from that, for the caller's
  // range check to bring within its range.
  const long parsed = std::strtol(text.c_str(), &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (end == text.c_str() || !end || *end != '\0') {
    AfxMessageBox(dx->m_dialog->m_hWnd, "Please enter an integer.", MB_ICONEXCLAMATION | MB_OK);
    dx->Fail(control);
  }
  value = static_cast<int>(std::clamp<long>(parsed, INT_MIN, INT_MAX));
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND control = dx->m_dialog->GetDlgItem(id);
  if (dx->m_saveAndValidate)
    value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
  else
    ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(id), dx->m_dialog);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
  ON_COMMAND(IDOK, OnOKCommand)
  ON_COMMAND(IDCANCEL, OnCancelCommand)
END_MESSAGE_MAP()

INT_PTR CALLBACK CDialog::DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Everything after WM_INITDIALOG comes through our window procedure first;
  // the dialog manager's own processing is what Default() calls.
  if (message != WM_INITDIALOG || FromHandlePermanent(hwnd)) return FALSE;
  reinterpret_cast<CDialog*>(lParam)->SubclassWindow(hwnd);
  return fw::WindowProcedure(hwnd, message, wParam, lParam);
}

INT_PTR CDialog::DoModal() {
  HINSTANCE instance = AfxGetInstanceHandle();
  HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(m_templateId), reinterpret_cast<LPCSTR>(RT_DIALOG));
  HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
  auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEA>(::LockResource(loaded)) : nullptr;
  if (!dialogTemplate) return -1;

  HWND owner = m_parent ? m_parent->m_hWnd : (AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr);
  if (owner) owner = ::GetAncestor(owner, GA_ROOT);
  bool ownerDisabled = owner && ::IsWindowEnabled(owner) && !::EnableWindow(owner, FALSE);

  m_running = true;
  m_result = -1;
  HWND hwnd =
      ::CreateDialogIndirectParamA(instance, dialogTemplate, owner, &DialogProcedure, reinterpret_cast<LPARAM>(this));
  if (hwnd && m_running) {
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    MSG msg;
    while (m_running) {
      BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == -1) break;
      if (got == 0) {
        // The outer loop must see the quit too.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (!fw::WalkPreTranslateTree(hwnd, &msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
      }
    }
  }
  // Re-enable the owner before the dialog goes, so activation returns to it.
  if (ownerDisabled) ::EnableWindow(owner, TRUE);
  if (hwnd) {
    if (owner && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
    ::DestroyWindow(hwnd);
  }
  m_running = false;
  return m_result;
}

void CDialog::EndDialog(int result) {
  m_result = result;
  m_running = false;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate != FALSE);
  try {
    DoDataExchange(&dx);
  } catch (ExchangeFailed&) {
    return FALSE;
  }
  return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  return msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && ::IsDialogMessageA(m_hWnd, msg);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }
