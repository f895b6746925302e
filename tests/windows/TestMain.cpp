// The program's GUI tests: their application object stands where the
// program's would.
#include <gtest/gtest.h>

#include "GuiTest.h"
#include "app/FractalApp.h"
#include "app/MainFrame.h"
#include "app/resource.h"

namespace {
CFractalApp testApp;
}

CMainFrame* CreateMainFrame() {
  auto* frame = new CMainFrame;
  // A frame that fails has deleted itself.
  return frame->LoadFrame(IDR_MAINFRAME, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) ? frame : nullptr;
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testApp.InitApplication(::GetModuleHandleA(nullptr));
  testApp.Enable3dControls();
  testApp.SetRegistryKey("Brisklane");
  return RUN_ALL_TESTS();
}
