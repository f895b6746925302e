#include "app/FractalApp.h"

#include "app/MainFrame.h"
#include "app/resource.h"
#include "ui/AboutDlg.h"

BEGIN_MESSAGE_MAP(CFractalApp, CWinApp)
  ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

BOOL CFractalApp::InitInstance() {
  Enable3dControls();
  SetRegistryKey("Brisklane");
  auto* frame = new CMainFrame;
  m_mainWnd = frame;
  if (!frame->LoadFrame(IDR_MAINFRAME, CMainFrame::kStyle)) {
    // The frame has deleted itself; the program ends without a message loop.
    m_mainWnd = nullptr;
    return FALSE;
  }
  frame->ShowWindow(SW_SHOW);
  frame->UpdateWindow();
  return TRUE;
}

void CFractalApp::OnAppAbout() {
  CAboutDlg about;
  about.DoModal();
}
