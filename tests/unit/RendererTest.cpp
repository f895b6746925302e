#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Scenes.h"
#include "view/Renderer.h"
#include "view/RendererLanes.h"

namespace {

TEST(Iterate, CountsAsWritten) {
  EXPECT_EQ(IterateScalar(-2, 2, 200), 1);    // outside the circle: still one update
  EXPECT_EQ(IterateScalar(2, 0, 200), 1);
  EXPECT_EQ(IterateScalar(-0.5, 0, 200), 200);  // main cardioid
  EXPECT_EQ(IterateScalar(1.5, 0, 200), 2);   // 0, 1.5, 3.75
  EXPECT_EQ(IterateScalar(1.5, 0, 2), 2);     // the limit is tested after the update
  EXPECT_EQ(IterateScalar(1.5, 0, 1), 1);
  EXPECT_EQ(IterateScalar(-0.5, 0, 0), 0);
  EXPECT_EQ(IterateScalar(-0.5, 0, -7), 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(IterateScalar(nan, 0, 50), 50);  // a NaN never escapes
}

TEST(Colour, GradientTruncatesTowardZeroAndWraps) {
  ViewParameters view(MemoryProfile{});
  EXPECT_EQ(PixelColour(view, 0), 0xC0C0C0u);
  EXPECT_EQ(PixelColour(view, 1), 0xC0C0C0u);
  EXPECT_EQ(PixelColour(view, 2), 0xBFBFBFu);  // -1.28 and -1.92 both lose one
  EXPECT_EQ(PixelColour(view, 200), 0x400040u);
  view.outColour = 0x000005;
  view.stepRed = -20;
  view.stepGreen = 300;
  view.stepBlue = 0.999;
  EXPECT_EQ(PixelColour(view, 1), 0x002CF1u);
  EXPECT_EQ(DibPixel(0x00332211), 0x00112233u);
}

TEST(RenderScalar, DefaultView) {
  const ViewParameters view(MemoryProfile{});
  std::vector<std::uint32_t> pixels(400 * 400);
  RenderScalar(view, pixels.data());
  EXPECT_EQ(pixels[0], DibPixel(PixelColour(view, 1)));
  EXPECT_EQ(pixels[200 * 400 + 150], DibPixel(0x400040));  // (-0.5, 0)
}

TEST(RenderScalar, OneIterationIsFlat) {
  ViewParameters view(MemoryProfile{});
  view.maxIterations = 1;
  view.ComputeGradient();
  std::vector<std::uint32_t> pixels(400 * 400);
  EXPECT_EQ(RenderScalar(view, pixels.data()), 400u * 400u);
  for (std::uint32_t p : pixels) ASSERT_EQ(p, 0x400040u);  // one step goes all the way to the in colour
}

// Threads and lanes must not change a single pixel.
TEST(Render, MatchesTheScalarLoop) {
  for (const Scene& s : Scenes()) {
    const std::size_t n = static_cast<std::size_t>(s.view.edge) * s.view.edge;
    std::vector<std::uint32_t> expected(n), actual(n, 0xDEADBEEF);
    EXPECT_EQ(Render(s.view, actual.data()), RenderScalar(s.view, expected.data())) << s.name;
    EXPECT_EQ(actual, expected) << s.name;
  }
}

void ExpectRowCountsMatch(RowCountsFn rowCounts) {
  for (const Scene& s : Scenes()) {
    const PixelMapping m = s.view.Mapping();
    const int edge = s.view.edge;
    std::vector<double> xs(edge + kMaxLanes);
    for (int j = 0; j < edge; ++j) xs[j] = j / m.scale + m.left;
    std::vector<std::int32_t> counts(edge + kMaxLanes);
    for (int i = 0; i < edge; ++i) {
      const double y = m.top - i / m.scale;
      rowCounts(xs.data(), edge, y, s.view.maxIterations, counts.data());
      for (int j = 0; j < edge; ++j)
        ASSERT_EQ(counts[j], IterateScalar(xs[j], y, s.view.maxIterations)) << s.name << " " << i << "," << j;
    }
  }
}

TEST(Render, TwoLanesMatchTheScalarLoop) { ExpectRowCountsMatch(RowCountsSse2); }

TEST(Render, FourLanesMatchTheScalarLoop) {
  if (!__builtin_cpu_supports("avx")) GTEST_SKIP() << "no AVX on this processor";
  ExpectRowCountsMatch(RowCountsAvx);
}

}  // namespace
