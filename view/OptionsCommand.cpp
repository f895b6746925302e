#include "app/RegistryProfile.h"
#include "framework/Frame.h"
#include "ui/OptionsDlg.h"
#include "view/FractalView.h"

void CFractalView::FitFrame() {
  ::SendMessageA(GetParent(), WM_FITTOPANE, static_cast<WPARAM>(m_params.edge), m_params.edge);
}

void CFractalView::OnOptions() {
  const Settings before = m_params.AsSettings();
  COptionsDlg dialog(before);
  if (dialog.DoModal() != IDOK) return;
  const Settings after = dialog.Chosen();

  // The zoom rate and the 24-bit flag do not change the picture.
  const bool resized = after.edge != before.edge;
  const bool redraw = resized || after.maxIterations != before.maxIterations || after.inColour != before.inColour ||
                      after.outColour != before.outColour;
  m_params.ApplySettings(after);

  // All six, changed or not, before the frame's new size is asked for.
  RegistryProfile store;
  WriteSettings(store, m_params.AsSettings());

  if (resized) {
    // The frame lays the view out again on WM_SIZE; the region shown stays.
    FitFrame();
    if (!RecreateImage()) {
      // Out of memory for the bigger image: the view goes on at the size of
      // the image it holds, and the stored size is tried at the next start.
      Settings kept = m_params.AsSettings();
      kept.edge = before.edge;
      m_params.ApplySettings(kept);
      FitFrame();
    }
  }
  if (redraw && !m_params.notRendered) Render();
}
