// The system's file and colour dialogs, and the tooltip control.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/Wnd.h"

class CFileDialog {
 public:
  // filter: "description|pattern|...||", the first pair selected at first.
  CFileDialog(bool openFileDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags, LPCSTR filter, CWnd* parent);
  INT_PTR DoModal();
  std::string GetPathName() const { return m_file; }

  OPENFILENAMEA m_ofn = {};

 private:
  bool m_open;
  std::string m_defaultExtension;
  std::string m_filter;
  char m_file[MAX_PATH] = "";
};

class CColorDialog {
 public:
  CColorDialog(COLORREF initial, DWORD flags, CWnd* parent);
  INT_PTR DoModal();
  COLORREF GetColor() const { return m_cc.rgbResult; }

  CHOOSECOLORA m_cc = {};

 private:
  static COLORREF s_customColours[16];
};

// A tooltip control fed by relayed messages; tools are other windows.
class CToolTipCtrl {
 public:
  CToolTipCtrl() = default;
  ~CToolTipCtrl();
  CToolTipCtrl(const CToolTipCtrl&) = delete;
  CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

  BOOL Create(CWnd* parent, DWORD style = 0);
  // text must outlive the control.
  BOOL AddTool(HWND tool, LPCSTR text);
  void RelayEvent(MSG* msg);
  void SetDelayTime(DWORD which, int milliseconds);
  void Activate(BOOL active);

 private:
  HWND m_hWnd = nullptr;
  HWND m_parent = nullptr;
};
