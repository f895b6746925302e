// Eight lanes with AVX-512. Built with -mavx512f and used only after a
// run-time check, so nothing here may be shared with the rest.
#include <immintrin.h>

#include "view/BareUpdates.h"
#include "view/RenderLanes.h"

namespace {

struct Avx512 {
  using V = __m512d;
  using M = __mmask8;
  using I = __m512i;
  static constexpr bool kFma = true;
  static constexpr int kLanes = 8;
  static V Set(double d) { return _mm512_set1_pd(d); }
  static V Load(const double* p) { return _mm512_load_pd(p); }
  static void Store(double* p, V v) { _mm512_store_pd(p, v); }
  static V Add(V a, V b) { return _mm512_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
  static V TwiceAdd(V p, V y) { return _mm512_fmadd_pd(p, _mm512_set1_pd(2.0), y); }
  static V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
  static I ZeroI() { return _mm512_setzero_si512(); }
  static void StoreI(std::int64_t* p, I v) { _mm512_store_si512(p, v); }
  static I AddWhereBelow(I sum, V a, V b) {
    return _mm512_mask_add_epi64(sum, _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ), sum, _mm512_set1_epi64(1));
  }
  // Unordered: a NaN is not below 4.
  static M NotBelow(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_NLT_UQ); }
  static M Same(V r, V i, V savedR, V savedI) {
    const __mmask8 sameR = _mm512_cmpeq_epi64_mask(_mm512_castpd_si512(r), _mm512_castpd_si512(savedR));
    return _mm512_mask_cmpeq_epi64_mask(sameR, _mm512_castpd_si512(i), _mm512_castpd_si512(savedI));
  }
  static unsigned Bits(M m) { return m; }
  static V Blend(M m, V a, V b) { return _mm512_mask_blend_pd(m, a, b); }
};

// G vectors, blocks of K * S updates; under a small limit, 8 vectors.
constexpr int G = 8, S = 16, K = 4, kShortGroups = 8;

}  // namespace

std::uint64_t RenderPixelsAvx512(const PixelJob& job) { return RenderPixels<Avx512, G, S, K, kShortGroups>(job); }
std::uint64_t BareUpdatesAvx512(std::int64_t blocks) { return BareUpdates<Avx512, G, S * K>(blocks); }
