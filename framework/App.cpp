#include "framework/App.h"

#include <commctrl.h>

#include <cstdio>
#include <set>

#include "framework/Handles.h"

namespace {
CWinApp* theApplication = nullptr;
}

CWinApp* AfxGetApp() { return theApplication; }

CWnd* AfxGetMainWnd() { return theApplication ? theApplication->m_mainWnd : nullptr; }

HINSTANCE AfxGetInstanceHandle() {
  return theApplication && theApplication->m_hInstance ? theApplication->m_hInstance : ::GetModuleHandleA(nullptr);
}

const char* AfxAppName() {
  return theApplication && !theApplication->m_appName.empty() ? theApplication->m_appName.c_str() : "";
}

int AfxMessageBox(HWND owner, LPCSTR text, UINT type) { return ::MessageBoxA(owner, text, AfxAppName(), type); }

LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  static std::set<std::string> names;
  char name[96];
  std::snprintf(name, sizeof name, "Fractavo:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
                static_cast<void*>(background), static_cast<void*>(icon));
  auto [it, added] = names.insert(name);
  if (added) {
    WNDCLASSA wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = &fw::WindowProcedure;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = it->c_str();
    ::RegisterClassA(&wc);
  }
  return it->c_str();
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
  ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp() { theApplication = this; }

CWinApp::~CWinApp() {
  if (theApplication == this) theApplication = nullptr;
}

void CWinApp::InitApplication(HINSTANCE instance) {
  m_hInstance = instance;
  if (m_appName.empty()) {
    char title[256] = "";
    ::LoadStringA(instance, AFX_IDS_APP_TITLE, title, sizeof title);
    m_appName = title;
  }
}

void CWinApp::Enable3dControls() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
}

int CWinApp::Run() {
  MSG msg;
  for (;;) {
    BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (!fw::WalkPreTranslateTree(m_mainWnd ? m_mainWnd->m_hWnd : nullptr, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  ExitInstance();
  return static_cast<int>(msg.wParam);
}

void CWinApp::OnAppExit() {
  if (m_mainWnd) m_mainWnd->SendMessage(WM_CLOSE);
}

std::string CWinApp::AppKeyPath(LPCSTR section) const {
  std::string path = "Software\\" + m_registryKey + "\\" + m_appName;
  if (section && *section) path += std::string("\\") + section;
  return path;
}

UINT CWinApp::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const {
  if (m_registryKey.empty()) return static_cast<UINT>(defaultValue);
  HKEY opened;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, AppKeyPath(section).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return static_cast<UINT>(defaultValue);
  const CRegKey key(opened);
  DWORD type = 0, value = 0, size = sizeof value;
  LONG status = ::RegQueryValueExA(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  // A value of another type is treated as absent.
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return static_cast<UINT>(defaultValue);
  return value;
}

BOOL CWinApp::WriteProfileInt(LPCSTR section, LPCSTR entry, int value) const {
  if (m_registryKey.empty()) return FALSE;
  HKEY created;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, AppKeyPath(section).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
    return FALSE;
  const CRegKey key(created);
  DWORD data = static_cast<DWORD>(value);
  LONG status = ::RegSetValueExA(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  return status == ERROR_SUCCESS;
}

void CWinApp::DoWaitCursor(int delta) {
  if (delta > 0 && m_waitCount++ == 0) {
    m_cursorBeforeWait = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  } else if (delta < 0 && m_waitCount > 0 && --m_waitCount == 0) {
    ::SetCursor(m_cursorBeforeWait ? m_cursorBeforeWait : ::LoadCursor(nullptr, IDC_ARROW));
  }
}
