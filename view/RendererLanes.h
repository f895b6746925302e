// The escape-time iteration over several adjacent pixels at once. Each lane
// does exactly the operations of IterateScalar, in the same order, so the
// counts match it bit for bit. Includes nothing with inline code: it is
// compiled with different instruction sets in different files, and the
// linker must never pick an AVX copy of a function shared with the rest.
#pragma once

#include <cstdint>

// Counts for `count` pixels of one row at the points (xs[j], y). xs and
// counts must have room for `count` rounded up to a multiple of kMaxLanes.
using RowCountsFn = void (*)(const double* xs, int count, double y, int limit, std::int32_t* counts);

constexpr int kMaxLanes = 4;

void RowCountsSse2(const double* xs, int count, double y, int limit, std::int32_t* counts);
void RowCountsAvx(const double* xs, int count, double y, int limit, std::int32_t* counts);

namespace {

// L supplies the vector type V, kLanes and the handful of operations used.
template <class L>
void RowCounts(const double* xs, int count, double y, int limit, std::int32_t* counts) {
  using V = typename L::V;
  const V yv = L::Set(y), four = L::Set(4.0), minusTwo = L::Set(-2.0), one = L::Set(1.0);
  for (int j = 0; j < count; j += L::kLanes) {
    const V x = L::Load(xs + j);
    V zr = L::Set(0.0), zi = zr, k = zr;
    V active = L::AllOnes();
    for (int n = 0; n < limit; ++n) {
      const V zr2 = L::Mul(zr, zr), zi2 = L::Mul(zi, zi);
      // Lanes stay out once they escape; a NaN never escapes.
      active = L::AndNot(L::GreaterEqual(L::Add(zr2, zi2), four), active);
      if (!L::Any(active)) break;
      k = L::Add(k, L::And(active, one));
      const V t = L::Add(x, L::Sub(zr2, zi2));
      zi = L::Sub(yv, L::Mul(L::Mul(zr, zi), minusTwo));
      zr = t;
    }
    L::StoreCounts(k, counts + j);
  }
}

}  // namespace
