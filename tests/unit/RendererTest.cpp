#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "Scenes.h"
#include "view/Renderer.h"

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

// Kernels, lanes and threads must not change a single pixel.
TEST(Render, EveryKernelMatchesTheScalarLoop) {
  for (Kernel kernel : {Kernel::Auto, Kernel::Scalar, Kernel::Sse2, Kernel::Avx2, Kernel::Avx512}) {
    if (!KernelAvailable(kernel)) {
      std::printf("skipped %s: not on this processor\n", KernelName(kernel));
      continue;
    }
    for (int threads : {1, 2, 3, 7}) {
      for (const Scene& s : Scenes()) {
        const std::size_t n = static_cast<std::size_t>(s.view.edge) * s.view.edge;
        std::vector<std::uint32_t> expected(n), actual(n, 0xDEADBEEF);
        EXPECT_EQ(Render(s.view, actual.data(), {kernel, threads}), RenderScalar(s.view, expected.data()))
            << s.name << " " << KernelName(kernel) << " " << threads;
        EXPECT_EQ(actual, expected) << s.name << " " << KernelName(kernel) << " " << threads;
      }
    }
  }
}

}  // namespace
