#include "tools/ZoomPath.h"

#include <cmath>

ViewParameters ZoomFrame(const ViewParameters& start, const ViewParameters& target, int k, int n) {
  ViewParameters view = start;
  if (k == n) {
    view.centreX = target.centreX, view.centreY = target.centreY, view.halfWidth = target.halfWidth;
  } else if (k > 1) {
    const double t = static_cast<double>(k - 1) / (n - 1);
    const double w0 = start.halfWidth, w1 = target.halfWidth;
    view.halfWidth = w0 * std::pow(w1 / w0, t);
    // With no change of size there is no fixed point, only a pan.
    const double moved = w0 == w1 ? t : (w0 - view.halfWidth) / (w0 - w1);
    view.centreX = start.centreX + (target.centreX - start.centreX) * moved;
    view.centreY = start.centreY + (target.centreY - start.centreY) * moved;
  }
  return view;
}
