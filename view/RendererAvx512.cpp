// Eight lanes with AVX-512, whose mask registers make the sticky escape test
// and the count one instruction each. Built with -mavx512f and used only
// after a run-time check, so nothing here may be shared with the rest.
#include <immintrin.h>

#include "view/RenderKernel.h"

namespace {

struct Avx512 {
  using V = __m512d;
  using I = __m512i;
  using M = __mmask8;
  static constexpr int kLanes = 8;
  static V Set(double d) { return _mm512_set1_pd(d); }
  static I SetI(std::int64_t n) { return _mm512_set1_epi64(n); }
  static V Load(const double* p) { return _mm512_load_pd(p); }
  static I LoadI(const std::int64_t* p) { return _mm512_load_si512(p); }
  static void Store(double* p, V v) { _mm512_store_pd(p, v); }
  static void StoreI(std::int64_t* p, I v) { _mm512_store_si512(p, v); }
  static M All() { return 0xFF; }
  static M None() { return 0; }
  static V Add(V a, V b) { return _mm512_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
  static I AddI(I a, I b) { return _mm512_add_epi64(a, b); }
  // "Not greater or equal", unordered: a NaN never escapes.
  static M StillIn(M in, V magnitude, V four) { return _mm512_mask_cmp_pd_mask(in, magnitude, four, _CMP_NGE_UQ); }
  static I CountIn(I k, M in) { return _mm512_mask_add_epi64(k, in, k, _mm512_set1_epi64(1)); }
  static M SameBits(M in, V r, V i, V savedR, V savedI) {
    const M sameR = _mm512_mask_cmpeq_epi64_mask(in, _mm512_castpd_si512(r), _mm512_castpd_si512(savedR));
    return _mm512_mask_cmpeq_epi64_mask(sameR, _mm512_castpd_si512(i), _mm512_castpd_si512(savedI));
  }
  static M Or(M a, M b) { return a | b; }
  static unsigned Bits(M m) { return m; }
  static M Reached(I k, I bound) { return _mm512_cmpge_epi64_mask(k, bound); }
  static V Blend(M m, V a, V b) { return _mm512_mask_blend_pd(m, a, b); }
  static I BlendI(M m, I a, I b) { return _mm512_mask_blend_epi64(m, a, b); }
};

}  // namespace

std::uint64_t RenderPixelsAvx512(const PixelJob& job) { return RenderLanes<Avx512, 4>(job); }
