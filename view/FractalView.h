// The one child of the main frame: shows the image, zooms on clicks and
// runs the image commands.
#pragma once

#include <cstdint>

#include "framework/Gdi.h"
#include "framework/Wnd.h"
#include "view/ViewParameters.h"

class CFractalView : public CWnd {
 public:
  // Reads the six settings from the registry.
  CFractalView();

  // Computes the whole image, shows it in one transfer, then drops one
  // queued button-up of each kind so a click made while waiting does not
  // zoom again.
  void Render();
  // A black image of the current edge, made at creation and after a size
  // change. False when it cannot be made: the image held stays as it was.
  bool RecreateImage();

  ViewParameters& Parameters() { return m_params; }
  // The off-screen image, selected into its memory device context.
  HDC ImageDC() const { return m_image.get(); }

 protected:
  BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
  int OnCreate(LPCREATESTRUCTA cs);
  void OnPaint();
  void OnLButtonUp(UINT flags, CPoint point);
  void OnRButtonUp(UINT flags, CPoint point);
  void OnMButtonUp(UINT flags, CPoint point);

  void OnRestart();
  void OnRefresh();
  void OnOptions();   // view/OptionsCommand.cpp
  void OnSave();      // files/SaveCommands.cpp
  void OnSaveSpot();  // files/SaveCommands.cpp
  void OnLoadSpot();  // files/SaveCommands.cpp
  void OnCopy();      // files/ClipboardCopy.cpp
  void OnUpdateNeedsImage(CCmdUI* state);
  DECLARE_MESSAGE_MAP()

 private:
  void ClickAt(CPoint point, int direction);
  // Sizes the frame around an image of the current edge.
  void FitFrame();

  ViewParameters m_params;
  CMemoryImage m_image;
};
