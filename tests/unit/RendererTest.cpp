#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Scenes.h"
#include "view/KernelTable.h"

namespace {

TEST(Iterate, CountsAsWritten) {
  EXPECT_EQ(IterateScalar(-2, 2, 200), 1);  // outside the circle: still one update
  EXPECT_EQ(IterateScalar(2, 0, 200), 1);
  EXPECT_EQ(IterateScalar(-0.5, 0, 200), 200);  // main cardioid
  EXPECT_EQ(IterateScalar(1.5, 0, 200), 2);     // 0, 1.5, 3.75
  EXPECT_EQ(IterateScalar(1.5, 0, 2), 2);       // the limit is tested after the update
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

// Kernels, lanes and threads must not change a single pixel or the total.

// Every kernel this processor has, each asked for by name: asked for a
// missing one, Render would quietly use another.
const std::vector<Kernel>& ForcedKernels() {
  static const std::vector<Kernel> kernels = [] {
    std::vector<Kernel> available;
    for (const KernelRow& row : KernelTable()) {
      if (row.available())
        available.push_back(&row);
      else
        std::printf("skipped %s: not on this processor\n", row.name);
    }
    return available;
  }();
  return kernels;
}

std::string Describe(const ViewParameters& v) {
  char text[160];
  std::snprintf(text, sizeof text, "centre (%.17g, %.17g) half-width %.17g edge %d limit %d", v.centreX, v.centreY,
                v.halfWidth, v.edge, v.maxIterations);
  return text;
}

// Room past the image that no renderer may write to.
constexpr std::size_t kGuard = 64;
constexpr std::uint32_t kUnwritten = 0xDEADBEEF;  // no DIB pixel sets the top byte

// Renders the view once with RenderScalar, then with every kernel on 1, 2,
// 3 and 7 threads and on as many as Render picks (0); reports the first
// mismatch only. Threads cost milliseconds each to start under Wine, so a
// view of one chunk of 64 pixels, which one thread takes whole, gets no more
// than two.
void ExpectEveryKernelMatches(const ViewParameters& view) {
  const std::size_t n = view.edge > 0 ? static_cast<std::size_t>(view.edge) * view.edge : 0;
  std::vector<std::uint32_t> expected(n + kGuard, kUnwritten);
  const std::uint64_t total = RenderScalar(view, expected.data());
  const std::vector<int> threadCounts = n > 64 ? std::vector<int>{0, 1, 2, 3, 7} : std::vector<int>{0, 1, 2};
  for (Kernel kernel : ForcedKernels()) {
    for (int threads : threadCounts) {
      std::vector<std::uint32_t> actual(n + kGuard, kUnwritten);
      const std::uint64_t got = Render(view, actual.data(), {kernel, threads});
      const std::size_t p = std::mismatch(expected.begin(), expected.end(), actual.begin()).first - expected.begin();
      if (got == total && p == expected.size()) continue;
      std::ostringstream what;
      what << Describe(view) << "\n"
           << KernelName(kernel) << " on " << threads << " threads: total " << got << ", scalar " << total << std::hex
           << std::uppercase;
      if (p >= n && p < expected.size()) {
        what << "; wrote 0x" << actual[p] << " past the image at +" << std::dec << p - n;
      } else if (p < n) {
        const PixelMapping m = view.Mapping();
        const int j = static_cast<int>(p % view.edge), i = static_cast<int>(p / view.edge);
        what << "; pixel (" << std::dec << j << ", " << i << ") is 0x" << std::hex << actual[p] << ", scalar 0x"
             << expected[p] << std::dec << " for count "
             << IterateScalar(j / m.scale + m.left, m.top - i / m.scale, view.maxIterations);
      }
      ADD_FAILURE() << what.str();
      return;
    }
  }
}

// Points with known orbits, each the centre pixel of a grid whose spacing is
// a power of two: centres whose orbits come back to exactly 0 (0 and -1), a
// tip that escapes at once (-2), a point that falls onto a cycle (i), and the
// parabolic points 0.25 and -0.75, beside which orbits converge, or escape
// only after thousands of steps. None may be taken for periodic too early.
TEST(Render, KnownPointsMatchTheScalarLoop) {
  struct Point {
    double x, y, halfWidth;
  };
  for (const Point& p : {Point{0, 0, 0x1p-4}, Point{-1, 0, 0x1p-4}, Point{-2, 0, 0x1p-8}, Point{0, 1, 0x1p-20},
                         Point{0.25, 0, 0x1p-25}, Point{-0.75, 0, 0x1p-10}})
    ExpectEveryKernelMatches(MakeView(4, 32767, p.x, p.y, p.halfWidth));
}

// Beside the edges of the main cardioid, points a - a^2 with a = (0.5 - d)
// e^(it), and of the period-2 bulb, points -1 + (0.25 - d) e^(it), at depth
// d: views inside, across the edge and by the cusp, at a limit that lets
// orbits near the edge settle or leave.
TEST(Render, PointsByTheMainBulbsEdgesMatchTheScalarLoop) {
  for (double t : {0.5, 2.0, 3.0}) {
    for (double d : {1e-2, 1e-3, 0.0}) {
      const double halfWidth = d > 0 ? d / 4 : 1e-3;
      const double ar = (0.5 - d) * std::cos(t), ai = (0.5 - d) * std::sin(t);
      ExpectEveryKernelMatches(MakeView(8, 20000, ar - (ar * ar - ai * ai), ai - 2 * ar * ai, halfWidth));
      ExpectEveryKernelMatches(MakeView(8, 20000, -1 + (0.25 - d) * std::cos(t), (0.25 - d) * std::sin(t), halfWidth));
    }
  }
}

// A limit far past what the Options dialog allows, as a hand-edited registry
// may hold: interior orbits repeat long before it, and their colour is still
// the gradient's at the limit.
TEST(Render, HugeLimitFromTheRegistry) {
  const ViewParameters view = MakeView(2, std::numeric_limits<int>::max(), -0.1, 0.1, 0.1);
  for (Kernel kernel : ForcedKernels()) {
    if (kernel == &KernelTable().front()) continue;  // the plain loop would run 2^31 steps a pixel
    std::vector<std::uint32_t> pixels(4);
    EXPECT_EQ(Render(view, pixels.data(), {kernel, 1}), 4ull * view.maxIterations) << KernelName(kernel);
    EXPECT_EQ(pixels, std::vector<std::uint32_t>(4, DibPixel(PixelColour(view, view.maxIterations))));
  }
}

ViewParameters WithLimit(ViewParameters view, int limit) {
  view.maxIterations = limit;  // the gradient stays finite
  return view;
}

TEST(Render, OddViewsMatchTheScalarLoop) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const double seahorseX = -0.743643887037151, seahorseY = 0.131825904205330;
  const ViewParameters views[] = {
      // Mostly inside at a high limit: only exact periodicity keeps this quick.
      MakeView(8, 32767, -0.2, 0, 0.3),
      MakeView(12, 20000, -1.2, 0.2, 0.25),
      // Tiny limits, and limits on each side of 256, where the lane kernels
      // change their block length, and of 4096.
      MakeView(63, 1, 0, 0, 2),
      MakeView(65, 2, 0, 0, 2),
      MakeView(33, 3, -0.5, 0, 1.5),
      MakeView(31, 5, -0.5, 0.5, 1),
      MakeView(24, 256, -0.16, 1.04, 0.03),
      MakeView(24, 257, -0.16, 1.04, 0.03),
      MakeView(12, 4096, seahorseX, seahorseY, 1e-6),
      MakeView(12, 4097, seahorseX, seahorseY, 1e-6),
      WithLimit(MakeView(9, 1, 0, 0, 2), 0),
      WithLimit(MakeView(9, 1, 0, 0, 2), -3),
      // No pixels, one (at 0/0, a NaN), and edges that fill no lane block.
      MakeView(0, 50, 0, 0, 2),
      MakeView(-4, 50, 0, 0, 2),
      MakeView(1, 50, 0, 0, 2),
      MakeView(2, 50, -1, 0, 0.5),
      MakeView(3, 500, 0.25, 0, 0.5),
      MakeView(5, 500, -0.75, 0.1, 0.2),
      MakeView(64, 1000, -0.5, 0, 1.5),
      // So deep that neighbouring pixels are the same double.
      MakeView(16, 3000, -2, 0, 1e-16),
      MakeView(16, 3000, -1.4011551890920506, 0, 1e-16),
      MakeView(16, 3000, 0, 1, 1e-16),
      MakeView(8, 1000, 0.3, 0.5, 0),
      // Coordinates and orbits that overflow to infinity or NaN.
      MakeView(5, 40, 0, 0, 1e300),
      MakeView(6, 40, 1e154, -1e154, 1e153),
      MakeView(7, 40, -1e308, 1e308, 1e308),
      // 2 zr zi overflows, but not with y added before rounding.
      MakeView(4, 40, -0.6, 1.7e308, 0.1),
      MakeView(4, 300, -0.6, 1.7e308, 0.1),
      MakeView(4, 40, 0, 0, inf),
      MakeView(4, 40, nan, 0, 1),
      MakeView(16, 40, -0.75, 0.1, 1e-320),
      MakeView(16, 40, 0.25, 0, 4.9e-324),
  };
  for (const ViewParameters& view : views) ExpectEveryKernelMatches(view);
}

// The kernels run blocks of updates untested and find where a lane escaped
// afterwards. Under a small limit and a large one: escapes on every step of
// the first blocks (which the check below makes sure of), on the very step
// that reaches the limit, orbits that overflow to infinity and NaN inside a
// block, NaN and infinite points from the start, and limits below one block.
TEST(Render, EscapesAnywhereInABlockMatchTheScalarLoop) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const ViewParameters wide = MakeView(48, 1000, 0, 0, 2), nearTip = MakeView(48, 1000, 0.3, 0, 0.05);
  for (int limit : {200, 1000}) {
    std::vector<bool> seen(42);
    for (const ViewParameters& v : {WithLimit(wide, limit), WithLimit(nearTip, limit)}) {
      const PixelMapping m = v.Mapping();
      for (int i = 0; i < v.edge; ++i)
        for (int j = 0; j < v.edge; ++j) {
          const int k = IterateScalar(j / m.scale + m.left, m.top - i / m.scale, limit);
          if (k < static_cast<int>(seen.size())) seen[k] = true;
        }
      ExpectEveryKernelMatches(v);
    }
    for (int k = 1; k < static_cast<int>(seen.size()); ++k) EXPECT_TRUE(seen[k]) << "no pixel escapes at " << k;
    for (const ViewParameters& v : {MakeView(8, limit, 0, 0, 1e6), MakeView(4, limit, nan, 0, 1),
                                    MakeView(4, limit, 0, 0, inf), MakeView(6, limit, 0, nan, 1e-3)})
      ExpectEveryKernelMatches(v);
  }
  // Limits below, at and beside the block lengths, each the count of some
  // pixels here: the escape falls on the step that reaches the limit.
  for (int limit : {7, 8, 9, 31, 32, 33}) {
    ExpectEveryKernelMatches(WithLimit(wide, limit));
    ExpectEveryKernelMatches(WithLimit(nearTip, limit));
  }
  for (int limit : {288, 289, 320, 336, 384, 385}) ExpectEveryKernelMatches(MakeView(48, limit, 0.25009, 0, 3e-5));
}

// Random views from a fixed seed, half of them anywhere and half centred on
// the edge of the set as this limit draws it (found by bisection between a
// point outside and one inside), where neighbouring counts differ most and
// run up to the limit. Edges and limits are drawn so each view stays small.
TEST(Render, RandomViewsMatchTheScalarLoop) {
  std::mt19937_64 bits(0x46726163'7461766F);
  auto uniform = [&](double from, double to) {
    return from + (to - from) * static_cast<double>(bits() >> 11) * 0x1p-53;
  };
  auto pick = [&](const std::vector<int>& values) { return values[bits() % values.size()]; };
  const std::vector<int> edges{1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65};
  const std::vector<int> limits{1, 2, 3, 5, 8, 9, 31, 100, 255, 256, 257, 1000, 4095, 4096, 4097, 10000, 32767};
  struct Point {
    double x, y;
  };
  const Point insides[] = {{0, 0}, {-1, 0}, {-0.1225611668766536, 0.7448617666197442}, {-1.7548776662466927, 0}};
  for (int v = 0; v < 32; ++v) {
    const int edge = pick(edges);
    int limit;
    do limit = pick(limits);
    while (static_cast<double>(edge) * edge * limit > 1 << 19);
    double x = uniform(-2.2, 0.8), y = uniform(-1.3, 1.3), halfWidth = std::pow(10.0, uniform(-4, 0.5));
    if (v % 2) {
      Point in = insides[bits() % std::size(insides)];
      const double angle = uniform(0, 6.283185307179586);
      Point out{2 * std::cos(angle), 2 * std::sin(angle)};
      for (int step = 0; step < 56; ++step) {
        const Point mid{(in.x + out.x) / 2, (in.y + out.y) / 2};
        (IterateScalar(mid.x, mid.y, limit) == limit ? in : out) = mid;
      }
      x = in.x, y = in.y, halfWidth = std::pow(10.0, uniform(-17, -2));
    }
    ExpectEveryKernelMatches(MakeView(edge, limit, x, y, halfWidth));
  }
}

// Bands of any height, squares or not, put together give the whole image
// and its total.
TEST(RenderRows, BandsMakeTheWholeImage) {
  for (const ViewParameters& view : {MakeView(37, 300, -0.75, 0.1, 0.3), MakeView(8, 50, 0, 0, 2)}) {
    const std::size_t n = static_cast<std::size_t>(view.edge) * view.edge;
    std::vector<std::uint32_t> whole(n);
    const std::uint64_t total = RenderScalar(view, whole.data());
    for (int height : {1, 3, 8, 16, 36, 37}) {
      for (int threads : {0, 1, 3}) {
        std::vector<std::uint32_t> banded(n + kGuard, kUnwritten);
        std::uint64_t sum = 0;
        // Bottom band first, so a band that wrote past its end would spoil one already drawn.
        for (int row = (view.edge - 1) / height * height; row >= 0; row -= height) {
          const int rows = std::min(height, view.edge - row);
          sum += RenderRows(view, row, rows, banded.data() + static_cast<std::size_t>(row) * view.edge,
                            {nullptr, threads});
        }
        EXPECT_EQ(sum, total) << Describe(view) << ", bands of " << height << ", " << threads << " threads";
        EXPECT_TRUE(std::equal(whole.begin(), whole.end(), banded.begin()) && banded[n] == kUnwritten)
            << Describe(view) << ", bands of " << height << ", " << threads << " threads";
      }
    }
  }
}

}  // namespace
