#pragma once

#include "framework/App.h"

class CFractalApp : public CWinApp {
 public:
  BOOL InitInstance() override;

 protected:
  void OnAppAbout();
  DECLARE_MESSAGE_MAP()
};
