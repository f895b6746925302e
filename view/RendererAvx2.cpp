// Four lanes with AVX2 and FMA. Built with -mavx2 -mfma and used only after
// a run-time check, so nothing here may be shared with the rest of the
// program.
#include <immintrin.h>

#include "view/BareUpdates.h"
#include "view/RenderLanes.h"

namespace {

struct Avx2 {
  using V = __m256d;
  using M = __m256d;
  using I = __m256i;
  static constexpr bool kFma = true;
  static constexpr int kLanes = 4;
  static V Set(double d) { return _mm256_set1_pd(d); }
  static V Load(const double* p) { return _mm256_load_pd(p); }
  static void Store(double* p, V v) { _mm256_store_pd(p, v); }
  static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  static V TwiceAdd(V p, V y) { return _mm256_fmadd_pd(p, _mm256_set1_pd(2.0), y); }
  static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
  static I ZeroI() { return _mm256_setzero_si256(); }
  static void StoreI(std::int64_t* p, I v) { _mm256_store_si256(reinterpret_cast<I*>(p), v); }
  // A true compare is all ones: -1.
  static I AddWhereBelow(I sum, V a, V b) {
    return _mm256_sub_epi64(sum, _mm256_castpd_si256(_mm256_cmp_pd(a, b, _CMP_LT_OQ)));
  }
  // Unordered: a NaN is not below 4.
  static M NotBelow(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_NLT_UQ); }
  static M Same(V r, V i, V savedR, V savedI) {
    const __m256i same = _mm256_and_si256(_mm256_cmpeq_epi64(_mm256_castpd_si256(r), _mm256_castpd_si256(savedR)),
                                          _mm256_cmpeq_epi64(_mm256_castpd_si256(i), _mm256_castpd_si256(savedI)));
    return _mm256_castsi256_pd(same);
  }
  static unsigned Bits(M m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
  static V Blend(M m, V a, V b) { return _mm256_blendv_pd(a, b, m); }
};

// G vectors, blocks of K * S updates; under a small limit, 6 vectors.
constexpr int G = 7, S = 16, K = 4, kShortGroups = 6;

}  // namespace

std::uint64_t RenderPixelsAvx2(const PixelJob& job) { return RenderPixels<Avx2, G, S, K, kShortGroups>(job); }
std::uint64_t BareUpdatesAvx2(std::int64_t blocks) { return BareUpdates<Avx2, G, S * K>(blocks); }
