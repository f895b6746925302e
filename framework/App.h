// The application object: message loop, registry profile, wait cursor.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Wnd.h"

class CWinApp : public CCmdTarget {
 public:
  // The one application object registers itself here; it must outlive
  // every window.
  CWinApp();
  ~CWinApp() override;

  // Sets the instance and, unless given, the name from the application
  // title string.
  void InitApplication(HINSTANCE instance);
  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }
  // The message loop; returns WM_QUIT's code.
  int Run();

  // Initialises the common controls: their visual style and the up-down
  // and tooltip classes.
  void Enable3dControls();

  // Values lie under HKCU\Software\<key>\<name>[\<section>].
  void SetRegistryKey(LPCSTR key) { m_registryKey = key; }
  UINT GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const;
  BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value) const;

  // Counts nested waits; the arrow comes back with the last one.
  void DoWaitCursor(int delta);

  HINSTANCE m_hInstance = nullptr;
  std::string m_appName;
  std::string m_registryKey;
  CWnd* m_mainWnd = nullptr;

 protected:
  void OnAppExit();
  DECLARE_MESSAGE_MAP()

 private:
  std::string AppKeyPath(LPCSTR section) const;
  int m_waitCount = 0;
  HCURSOR m_cursorBeforeWait = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// The application's name, for captions.
const char* AfxAppName();
int AfxMessageBox(HWND owner, LPCSTR text, UINT type);

// A window class with our window procedure; the same arguments give the
// same class. The name stays valid for the life of the program.
LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                           HICON icon = nullptr);

class CWaitCursor {
 public:
  CWaitCursor() { AfxGetApp()->DoWaitCursor(1); }
  ~CWaitCursor() { AfxGetApp()->DoWaitCursor(-1); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
};
