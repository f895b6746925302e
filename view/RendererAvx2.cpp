// Four lanes with AVX2. Built with -mavx2 and used only after a run-time
// check, so nothing here may be shared with the rest of the program.
#include <immintrin.h>

#include "view/RenderKernel.h"

namespace {

struct Avx2 {
  using V = __m256d;
  using I = __m256i;
  using M = __m256d;
  static constexpr int kLanes = 4;
  static V Set(double d) { return _mm256_set1_pd(d); }
  static I SetI(std::int64_t n) { return _mm256_set1_epi64x(n); }
  static V Load(const double* p) { return _mm256_load_pd(p); }
  static I LoadI(const std::int64_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
  static void Store(double* p, V v) { _mm256_store_pd(p, v); }
  static void StoreI(std::int64_t* p, I v) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), v); }
  static M All() { return _mm256_castsi256_pd(_mm256_set1_epi64x(-1)); }
  static M None() { return _mm256_setzero_pd(); }
  static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
  static I AddI(I a, I b) { return _mm256_add_epi64(a, b); }
  // Ordered compare: a NaN never escapes.
  static M StillIn(M in, V magnitude, V four) {
    return _mm256_andnot_pd(_mm256_cmp_pd(magnitude, four, _CMP_GE_OQ), in);
  }
  static I CountIn(I k, M in) { return _mm256_sub_epi64(k, _mm256_castpd_si256(in)); }
  static M SameBits(M in, V r, V i, V savedR, V savedI) {
    const __m256i same = _mm256_and_si256(_mm256_cmpeq_epi64(_mm256_castpd_si256(r), _mm256_castpd_si256(savedR)),
                                          _mm256_cmpeq_epi64(_mm256_castpd_si256(i), _mm256_castpd_si256(savedI)));
    return _mm256_and_pd(in, _mm256_castsi256_pd(same));
  }
  static M Or(M a, M b) { return _mm256_or_pd(a, b); }
  static unsigned Bits(M m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
  static M Reached(I k, I bound) { return _mm256_andnot_pd(_mm256_castsi256_pd(_mm256_cmpgt_epi64(bound, k)), All()); }
  static V Blend(M m, V a, V b) { return _mm256_blendv_pd(a, b, m); }
  static I BlendI(M m, I a, I b) {
    return _mm256_castpd_si256(_mm256_blendv_pd(_mm256_castsi256_pd(a), _mm256_castsi256_pd(b), m));
  }
};

}  // namespace

std::uint64_t RenderPixelsAvx2(const PixelJob& job) { return RenderLanes<Avx2, 4>(job); }
