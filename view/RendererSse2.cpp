// Two lanes with SSE2, which every build has (the 32-bit one uses it for
// doubles).
#include <emmintrin.h>

#include "view/BareUpdates.h"
#include "view/RenderLanes.h"

namespace {

struct Sse2 {
  using V = __m128d;
  using M = __m128d;
  using I = __m128i;
  static constexpr bool kFma = false;
  static constexpr int kLanes = 2;
  static V Set(double d) { return _mm_set1_pd(d); }
  static V Load(const double* p) { return _mm_load_pd(p); }
  static void Store(double* p, V v) { _mm_store_pd(p, v); }
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
  static I ZeroI() { return _mm_setzero_si128(); }
  static void StoreI(std::int64_t* p, I v) { _mm_store_si128(reinterpret_cast<I*>(p), v); }
  // A true compare is all ones: -1.
  static I AddWhereBelow(I sum, V a, V b) { return _mm_sub_epi64(sum, _mm_castpd_si128(_mm_cmplt_pd(a, b))); }
  // Unordered: a NaN is not below 4.
  static M NotBelow(V a, V b) { return _mm_cmpnlt_pd(a, b); }
  // SSE2 has no 64-bit compare: both halves of each lane must match.
  static M Same(V r, V i, V savedR, V savedI) {
    const __m128i same32 = _mm_and_si128(_mm_cmpeq_epi32(_mm_castpd_si128(r), _mm_castpd_si128(savedR)),
                                         _mm_cmpeq_epi32(_mm_castpd_si128(i), _mm_castpd_si128(savedI)));
    const __m128i same64 = _mm_and_si128(same32, _mm_shuffle_epi32(same32, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_castsi128_pd(same64);
  }
  static unsigned Bits(M m) { return static_cast<unsigned>(_mm_movemask_pd(m)); }
  static V Blend(M m, V a, V b) { return _mm_or_pd(_mm_and_pd(m, b), _mm_andnot_pd(m, a)); }
};

// G vectors, blocks of K * S updates; under a small limit, 6 vectors.
constexpr int G = 7, S = 16, K = 4, kShortGroups = 6;

}  // namespace

std::uint64_t RenderPixelsSse2(const PixelJob& job) { return RenderPixels<Sse2, G, S, K, kShortGroups>(job); }
std::uint64_t BareUpdatesSse2(std::int64_t blocks) { return BareUpdates<Sse2, G, S * K>(blocks); }
