#include "view/Renderer.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

#include "view/RenderKernel.h"

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

std::uint32_t DibColour(const ViewParameters& view, int k) { return DibPixel(PixelColour(view, k)); }

std::uint64_t RenderScalar(const ViewParameters& view, std::uint32_t* pixels) {
  const PixelMapping m = view.Mapping();
  std::uint64_t total = 0;
  for (int i = 0; i < view.edge; ++i) {
    const double y = m.top - i / m.scale;
    for (int j = 0; j < view.edge; ++j) {
      const double x = j / m.scale + m.left;
      const int k = IterateScalar(x, y, view.maxIterations);
      total += k;
      *pixels++ = DibColour(view, k);
    }
  }
  return total;
}

std::uint64_t RenderPixelsScalar(const PixelJob& job) {
  PixelFeed feed(job);
  std::uint64_t total = 0;
  for (int p; feed.Next(p);) {
    const int k = IterateScalar(job.xs[p % job.edge], job.ys[p / job.edge], job.limit);
    total += k;
    job.pixels[p] = PixelFor(job, k);
  }
  return total;
}

namespace {

// Two lanes: SSE2 is part of every build (the 32-bit one uses it for doubles).
// It has no 64-bit integer compares.
struct Sse2 {
  using V = __m128d;
  using I = __m128i;
  using M = __m128d;
  static constexpr int kLanes = 2;
  static V Set(double d) { return _mm_set1_pd(d); }
  static I SetI(std::int64_t n) { return _mm_set1_epi64x(n); }
  static V Load(const double* p) { return _mm_load_pd(p); }
  static I LoadI(const std::int64_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
  static void Store(double* p, V v) { _mm_store_pd(p, v); }
  static void StoreI(std::int64_t* p, I v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }
  static M All() { return _mm_castsi128_pd(_mm_set1_epi32(-1)); }
  static M None() { return _mm_setzero_pd(); }
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
  static I AddI(I a, I b) { return _mm_add_epi64(a, b); }
  // Ordered compare: a NaN never escapes.
  static M StillIn(M in, V magnitude, V four) { return _mm_andnot_pd(_mm_cmpge_pd(magnitude, four), in); }
  static I CountIn(I k, M in) { return _mm_sub_epi64(k, _mm_castpd_si128(in)); }
  static M SameBits(M in, V r, V i, V savedR, V savedI) {
    const __m128i same32 = _mm_and_si128(_mm_cmpeq_epi32(_mm_castpd_si128(r), _mm_castpd_si128(savedR)),
                                         _mm_cmpeq_epi32(_mm_castpd_si128(i), _mm_castpd_si128(savedI)));
    const __m128i same64 = _mm_and_si128(same32, _mm_shuffle_epi32(same32, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_and_pd(in, _mm_castsi128_pd(same64));
  }
  static M Or(M a, M b) { return _mm_or_pd(a, b); }
  static unsigned Bits(M m) { return static_cast<unsigned>(_mm_movemask_pd(m)); }
  // k >= bound: the sign of bound - k - 1, spread over each 64-bit lane.
  static M Reached(I k, I bound) {
    const __m128i below = _mm_sub_epi64(_mm_sub_epi64(bound, k), _mm_set1_epi64x(1));
    return _mm_castsi128_pd(_mm_shuffle_epi32(_mm_srai_epi32(below, 31), _MM_SHUFFLE(3, 3, 1, 1)));
  }
  static V Blend(M m, V a, V b) { return _mm_or_pd(_mm_and_pd(m, b), _mm_andnot_pd(m, a)); }
  static I BlendI(M m, I a, I b) {
    return _mm_castpd_si128(Blend(m, _mm_castsi128_pd(a), _mm_castsi128_pd(b)));
  }
};

// A kernel this processor lacks falls back to the best one it has.
KernelFn KernelFunction(Kernel kernel) {
  if (!KernelAvailable(kernel)) kernel = Kernel::Auto;
  switch (kernel) {
    case Kernel::Scalar: return RenderPixelsScalar;
    case Kernel::Sse2: return RenderPixelsSse2;
    case Kernel::Avx2: return RenderPixelsAvx2;
    case Kernel::Avx512: return RenderPixelsAvx512;
    case Kernel::Auto: break;
  }
  return KernelFunction(BestKernel());
}

// The deadline of the calling thread's solo start, as WorkedAloneLongEnough
// cannot take arguments.
thread_local std::chrono::steady_clock::time_point aloneUntil;

bool WorkedAloneLongEnough() { return std::chrono::steady_clock::now() >= aloneUntil; }

}  // namespace

std::uint64_t RenderPixelsSse2(const PixelJob& job) { return RenderLanes<Sse2, 4>(job); }

const char* KernelName(Kernel kernel) {
  switch (kernel) {
    case Kernel::Auto: return "auto";
    case Kernel::Scalar: return "scalar";
    case Kernel::Sse2: return "sse2";
    case Kernel::Avx2: return "avx2";
    case Kernel::Avx512: return "avx512";
  }
  return "?";
}

bool KernelAvailable(Kernel kernel) {
  __builtin_cpu_init();
  switch (kernel) {
    case Kernel::Avx2: return __builtin_cpu_supports("avx2");
    case Kernel::Avx512: return __builtin_cpu_supports("avx512f");
    default: return true;
  }
}

Kernel BestKernel() {
  for (Kernel k : {Kernel::Avx512, Kernel::Avx2})
    if (KernelAvailable(k)) return k;
  return Kernel::Sse2;
}

std::uint64_t Render(const ViewParameters& view, std::uint32_t* pixels, const RenderOptions& options) {
  const PixelMapping m = view.Mapping();
  const int edge = std::max(view.edge, 0);
  const int limit = std::max(view.maxIterations, 0);
  if (limit == 0) {
    std::fill_n(pixels, static_cast<std::size_t>(edge) * edge, DibColour(view, 0));
    return 0;
  }
  // Any limit the Options dialog allows fits; a larger one stored in the
  // registry by hand must not cost gigabytes.
  std::vector<std::uint32_t> palette(std::min(limit, 65535) + 1);
  for (int k = 0; k < static_cast<int>(palette.size()); ++k) palette[k] = DibColour(view, k);
  std::vector<double> xs(edge), ys(edge);
  for (int j = 0; j < edge; ++j) xs[j] = j / m.scale + m.left;
  for (int i = 0; i < edge; ++i) ys[i] = m.top - i / m.scale;

  int nextPixel = 0;
  PixelJob job{xs.data(), ys.data(), edge, limit, &view, palette.data(), static_cast<int>(palette.size()) - 1,
               pixels, &nextPixel, nullptr};
  const KernelFn kernel = KernelFunction(options.kernel);
  std::uint64_t firstPart = 0;
  if (options.threads == 0) {
    // Starting threads costs milliseconds under Wine, more than a small render
    // takes, so this thread works alone until the render proves long.
    aloneUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
    job.enough = WorkedAloneLongEnough;
    firstPart = kernel(job);
    job.enough = nullptr;
    if (nextPixel >= edge * edge) return firstPart;
  }
  std::atomic<std::uint64_t> total{firstPart};
  auto work = [&] { total += kernel(job); };

  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  const int threads = std::max(options.threads > 0 ? options.threads : cores, 1);
  std::vector<std::thread> helpers;
  helpers.reserve(threads - 1);  // so that only starting a thread can fail below
  try {
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads only make it slower.
  }
  work();
  for (std::thread& t : helpers) t.join();
  return total;
}
