#include "view/Renderer.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "view/RendererLanes.h"

int IterateScalar(double x, double y, int limit) {
  int k = 0;
  if (limit <= 0) return k;
  double zr = 0.0, zi = 0.0;
  for (;;) {
    if (zr * zr + zi * zi >= 4.0) break;
    ++k;
    const double t = x + (zr * zr - zi * zi);
    zi = y - (zr * zi * -2.0);
    zr = t;
    if (k >= limit) break;
  }
  return k;
}

Colour PixelColour(const ViewParameters& view, int k) {
  const double kd = k;
  // The product is truncated before the add; MakeColour keeps the low 8 bits.
  return MakeColour(Red(view.outColour) + static_cast<int>(kd * view.stepRed),
                    Green(view.outColour) + static_cast<int>(kd * view.stepGreen),
                    Blue(view.outColour) + static_cast<int>(kd * view.stepBlue));
}

std::uint64_t RenderScalar(const ViewParameters& view, std::uint32_t* pixels) {
  const PixelMapping m = view.Mapping();
  std::uint64_t total = 0;
  for (int i = 0; i < view.edge; ++i) {
    const double y = m.top - i / m.scale;
    for (int j = 0; j < view.edge; ++j) {
      const double x = j / m.scale + m.left;
      const int k = IterateScalar(x, y, view.maxIterations);
      total += k;
      *pixels++ = DibPixel(PixelColour(view, k));
    }
  }
  return total;
}

namespace {

// Two lanes: SSE2 is part of every build (the 32-bit one uses it for doubles).
struct Sse2 {
  using V = __m128d;
  static constexpr int kLanes = 2;
  static V Set(double d) { return _mm_set1_pd(d); }
  static V Load(const double* p) { return _mm_loadu_pd(p); }
  static V AllOnes() { return _mm_castsi128_pd(_mm_set1_epi32(-1)); }
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
  static V GreaterEqual(V a, V b) { return _mm_cmpge_pd(a, b); }
  static V And(V a, V b) { return _mm_and_pd(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_pd(a, b); }
  static bool Any(V a) { return _mm_movemask_pd(a) != 0; }
  static void StoreCounts(V k, std::int32_t* out) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_cvttpd_epi32(k));
  }
};

RowCountsFn FastestRowCounts() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx") ? RowCountsAvx : RowCountsSse2;
}

}  // namespace

void RowCountsSse2(const double* xs, int count, double y, int limit, std::int32_t* counts) {
  RowCounts<Sse2>(xs, count, y, limit, counts);
}

std::uint64_t Render(const ViewParameters& view, std::uint32_t* pixels) {
  static const RowCountsFn rowCounts = FastestRowCounts();
  const PixelMapping m = view.Mapping();
  const int edge = std::max(view.edge, 0);
  const int padded = (edge + kMaxLanes - 1) / kMaxLanes * kMaxLanes;
  // The lanes past the edge compute points that are never stored.
  std::vector<double> xs(padded);
  for (int j = 0; j < padded; ++j) xs[j] = j / m.scale + m.left;

  // Rows are handed out one at a time: their costs differ widely.
  std::atomic<int> nextRow{0};
  std::atomic<std::uint64_t> total{0};
  auto work = [&] {
    std::vector<std::int32_t> counts(padded);
    std::uint64_t sum = 0;
    for (int i; (i = nextRow++) < edge;) {
      rowCounts(xs.data(), edge, m.top - i / m.scale, view.maxIterations, counts.data());
      std::uint32_t* row = pixels + static_cast<std::size_t>(i) * edge;
      for (int j = 0; j < edge; ++j) {
        sum += counts[j];
        row[j] = DibPixel(PixelColour(view, counts[j]));
      }
    }
    total += sum;
  };

  const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, std::max(edge, 1));
  std::vector<std::thread> helpers;
  try {
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads only make it slower.
  }
  work();
  for (std::thread& t : helpers) t.join();
  return total;
}
