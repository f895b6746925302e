// The GUI tests' application object stands where the program's would.
#include <gtest/gtest.h>

#include "app/FractalApp.h"

namespace {
CFractalApp testApp;
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testApp.InitApplication(::GetModuleHandleA(nullptr));
  testApp.Enable3dControls();
  testApp.SetRegistryKey("Brisklane");
  return RUN_ALL_TESTS();
}
