// Four lanes with AVX. Built with -mavx and used only after a run-time check,
// so nothing here may be shared with the rest of the program.
#include <immintrin.h>

#include "view/RendererLanes.h"

namespace {

struct Avx {
  using V = __m256d;
  static constexpr int kLanes = 4;
  static V Set(double d) { return _mm256_set1_pd(d); }
  static V Load(const double* p) { return _mm256_loadu_pd(p); }
  static V AllOnes() { return _mm256_castsi256_pd(_mm256_set1_epi64x(-1)); }
  static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
  static V GreaterEqual(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
  static V And(V a, V b) { return _mm256_and_pd(a, b); }
  static V AndNot(V a, V b) { return _mm256_andnot_pd(a, b); }
  static bool Any(V a) { return _mm256_movemask_pd(a) != 0; }
  static void StoreCounts(V k, std::int32_t* out) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_cvttpd_epi32(k));
  }
};

}  // namespace

void RowCountsAvx(const double* xs, int count, double y, int limit, std::int32_t* counts) {
  RowCounts<Avx>(xs, count, y, limit, counts);
}
