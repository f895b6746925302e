// The program's entry: the one application object, constructed before
// this runs, does the rest.
#include <float.h>

#include "framework/App.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#if defined(_M_IX86) || defined(__i386__)
  // Doubles round as doubles, also on the x87.
  _controlfp(_PC_53, _MCW_PC);
#endif
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  app->InitApplication(instance);
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}
