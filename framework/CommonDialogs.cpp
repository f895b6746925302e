#include "framework/CommonDialogs.h"

#include <commdlg.h>

#include "framework/App.h"

CFileDialog::CFileDialog(bool openFileDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parent)
    : m_open(openFileDialog), m_defaultExtension(defaultExtension ? defaultExtension : "") {
  // The system wants the pairs separated and ended by NULs.
  if (filter) {
    m_filter = filter;
    for (char& c : m_filter)
      if (c == '|') c = '\0';
  }
  if (fileName) lstrcpynA(m_file, fileName, sizeof m_file);
  if (!m_defaultExtension.empty() && m_defaultExtension[0] == '.') m_defaultExtension.erase(0, 1);
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
  m_ofn.hInstance = AfxGetInstanceHandle();
  m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
  m_ofn.nFilterIndex = 1;
  m_ofn.lpstrFile = m_file;
  m_ofn.nMaxFile = sizeof m_file;
  m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
  m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal() {
  BOOL ok = m_open ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
  return ok ? IDOK : IDCANCEL;
}

COLORREF CColorDialog::s_customColours[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                              0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                              0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) {
  m_cc.lStructSize = sizeof m_cc;
  m_cc.hwndOwner = parent ? parent->m_hWnd : nullptr;
  m_cc.rgbResult = initial;
  m_cc.lpCustColors = s_customColours;
  m_cc.Flags = flags | CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal() { return ::ChooseColorA(&m_cc) ? IDOK : IDCANCEL; }

CToolTipCtrl::~CToolTipCtrl() {
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  m_parent = parent->m_hWnd;
  m_hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, m_parent, nullptr, AfxGetInstanceHandle(), nullptr);
  return m_hWnd != nullptr;
}

BOOL CToolTipCtrl::AddTool(HWND tool, LPCSTR text) {
  TTTOOLINFOA info = {};
  // The smallest layout every version of the control accepts.
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.uFlags = TTF_IDISHWND;
  info.hwnd = m_parent;
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = const_cast<LPSTR>(text);
  return static_cast<BOOL>(::SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::RelayEvent(MSG* msg) {
  if (m_hWnd) ::SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

void CToolTipCtrl::SetDelayTime(DWORD which, int milliseconds) {
  ::SendMessageA(m_hWnd, TTM_SETDELAYTIME, which, MAKELPARAM(milliseconds, 0));
}

void CToolTipCtrl::Activate(BOOL active) { ::SendMessageA(m_hWnd, TTM_ACTIVATE, active, 0); }
