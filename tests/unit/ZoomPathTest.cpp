#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "tools/ZoomPath.h"

namespace {

ViewParameters Region(double centreX, double centreY, double halfWidth) {
  ViewParameters view;
  view.centreX = centreX;
  view.centreY = centreY;
  view.halfWidth = halfWidth;
  return view;
}

TEST(ZoomPath, EveryFrameKeepsTheFixedPointOnScreenAndScalesByOneFactor) {
  const int n = 50;
  for (const auto& [start, target] : {std::pair{Region(-0.5, 0.25, 2), Region(-0.7436438, 0.1318259, 1e-6)},
                                      std::pair{Region(0.3, -0.4, 1e-3), Region(-1, 0.5, 0.5)}}) {
    SCOPED_TRACE(target.halfWidth);
    const double w0 = start.halfWidth, w1 = target.halfWidth;
    // The point that both views show at the same place on screen.
    const double fixedX = (start.centreX * w1 - target.centreX * w0) / (w1 - w0);
    const double fixedY = (start.centreY * w1 - target.centreY * w0) / (w1 - w0);
    const double screenX = (fixedX - start.centreX) / w0, screenY = (fixedY - start.centreY) / w0;
    const double factor = std::pow(w1 / w0, 1.0 / (n - 1));
    double previous = w0 / factor;
    for (int k = 1; k <= n; ++k) {
      SCOPED_TRACE(k);
      const ViewParameters frame = ZoomFrame(start, target, k, n);
      EXPECT_NEAR((fixedX - frame.centreX) / frame.halfWidth, screenX, 1e-6);
      EXPECT_NEAR((fixedY - frame.centreY) / frame.halfWidth, screenY, 1e-6);
      EXPECT_NEAR(frame.halfWidth / previous, factor, 1e-12);
      previous = frame.halfWidth;
    }
    const ViewParameters first = ZoomFrame(start, target, 1, n), last = ZoomFrame(start, target, n, n);
    EXPECT_EQ(std::make_tuple(first.centreX, first.centreY, first.halfWidth),
              std::make_tuple(start.centreX, start.centreY, start.halfWidth));
    EXPECT_EQ(std::make_tuple(last.centreX, last.centreY, last.halfWidth),
              std::make_tuple(target.centreX, target.centreY, target.halfWidth));
  }
}

// With no change of size there is no fixed point: the frames pan evenly.
TEST(ZoomPath, SameSizePans) {
  const ViewParameters frame = ZoomFrame(Region(0, 0, 1), Region(3, -6, 1), 2, 4);
  EXPECT_EQ(std::make_tuple(frame.centreX, frame.centreY, frame.halfWidth), std::make_tuple(1.0, -2.0, 1.0));
}

}  // namespace
