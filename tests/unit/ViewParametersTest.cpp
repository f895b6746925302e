#include <gtest/gtest.h>

#include "MemoryProfile.h"
#include "view/ViewParameters.h"

namespace {

ViewParameters DefaultView() {
  const MemoryProfile none;
  return ViewParameters(none);
}

TEST(ViewParameters, DefaultGradientSteps) {
  const ViewParameters view = DefaultView();
  EXPECT_EQ(view.stepRed, -0.64);
  EXPECT_EQ(view.stepGreen, -0.96);
  EXPECT_EQ(view.stepBlue, -0.64);
  EXPECT_TRUE(view.notRendered);
}

TEST(ViewParameters, GradientFollowsColoursAndLimit) {
  ViewParameters view = DefaultView();
  view.inColour = view.outColour = 0x123456;
  view.ComputeGradient();
  EXPECT_EQ(view.stepRed, 0.0);
  EXPECT_EQ(view.stepGreen, 0.0);
  EXPECT_EQ(view.stepBlue, 0.0);
  // Channels are unsigned bytes: 0xFF - 0x00 is +255, not -1.
  view.inColour = 0x0000FF;
  view.outColour = 0xFF0000;
  view.maxIterations = 3;
  view.ComputeGradient();
  EXPECT_EQ(view.stepRed, 85.0);
  EXPECT_EQ(view.stepGreen, 0.0);
  EXPECT_EQ(view.stepBlue, -85.0);
}

TEST(ViewParameters, PixelMapping) {
  ViewParameters view = DefaultView();
  PixelMapping m = view.Mapping();
  EXPECT_EQ(0 / m.scale + m.left, -2.0);
  EXPECT_EQ(m.top - 0 / m.scale, 2.0);
  EXPECT_EQ(m.top - 200 / m.scale, 0.0);
  // An odd edge spans a little more than the region.
  view.SetEdge(401);
  EXPECT_EQ(view.halfEdge, 200);
  m = view.Mapping();
  EXPECT_EQ(400 / m.scale + m.left, 2.0);
}

TEST(ViewParameters, ZoomMovesTheClickedPixelToTheCentre) {
  ViewParameters view = DefaultView();
  view.ZoomAt(200, 200, 1);
  EXPECT_EQ(view.centreX, 0.0);
  EXPECT_EQ(view.centreY, 0.0);
  EXPECT_EQ(view.halfWidth, 2.0 / 3);

  view.Reset();
  view.ZoomAt(0, 0, -1);
  EXPECT_EQ(view.centreX, -2.0);
  EXPECT_EQ(view.centreY, 2.0);
  EXPECT_EQ(view.halfWidth, 6.0);

  view.ZoomAt(300, 100, 0);
  EXPECT_EQ(view.centreX, 1.0);
  EXPECT_EQ(view.centreY, 5.0);
  EXPECT_EQ(view.halfWidth, 6.0);
}

TEST(ViewParameters, ZoomRoundsInTheWrittenOrder) {
  ViewParameters view = DefaultView();
  view.halfWidth = 0.1;
  view.centreX = 0.3;
  view.centreY = -0.7;
  view.ZoomAt(7, 333, 1);
  // (x * hw) / h, never x * (hw / h): the two differ in the last bit here.
  ASSERT_NE(7 * 0.1 / 200, 7 * (0.1 / 200));
  EXPECT_EQ(view.centreX, (7 * 0.1 / 200 - 0.1) + 0.3);
  EXPECT_EQ(view.centreY, (0.1 - 333 * 0.1 / 200) + -0.7);
  EXPECT_EQ(view.halfWidth, 0.1 / 3);
}

}  // namespace
