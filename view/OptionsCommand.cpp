#include "app/RegistryProfile.h"
#include "framework/Frame.h"
#include "ui/OptionsDlg.h"
#include "view/FractalView.h"

void CFractalView::OnOptions() {
  ViewParameters& p = m_params;
  COptionsDlg dialog;
  dialog.zoomRate = p.zoomRate;
  dialog.maxIterations = p.maxIterations;
  dialog.screenSize = p.edge;
  dialog.force24Bit = p.force24Bit;
  dialog.inColour = p.inColour;
  dialog.outColour = p.outColour;
  if (dialog.DoModal() != IDOK) return;

  // The zoom rate and the 24-bit flag do not change the picture.
  const bool resized = dialog.screenSize != p.edge;
  const bool redraw = resized || dialog.maxIterations != p.maxIterations || dialog.inColour != p.inColour ||
                      dialog.outColour != p.outColour;
  p.zoomRate = dialog.zoomRate;
  p.maxIterations = dialog.maxIterations;
  p.SetEdge(dialog.screenSize);
  p.force24Bit = dialog.force24Bit;
  p.inColour = dialog.inColour;
  p.outColour = dialog.outColour;

  // All six, changed or not, before the frame's new size is asked for.
  RegistryProfile store;
  WriteSettings(store, p.AsSettings());

  if (resized) {
    // The frame lays the view out again on WM_SIZE; the region shown stays.
    ::SendMessageA(GetParent(), WM_FITTOPANE, static_cast<WPARAM>(p.edge), p.edge);
    RecreateImage();
  }
  p.ComputeGradient();
  if (redraw && !p.notRendered) Render();
}
