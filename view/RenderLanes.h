// The escape-time loop over many pixels at once, shared by the kernels for
// each instruction set: the forms of the update, blocks of updates on several
// vectors, and the lanes that run them. Every lane gives exactly the count of
// IterateScalar. Internal to the core; like view/PixelFeed.h, everything here
// has internal linkage, as each kernel compiles it with its own instruction
// set.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "view/PixelFeed.h"

namespace {

// The count of a lane that ended not below 4 with c = (x, y), from the states
// below 4 it went through. Finite states below 4 stay finite: only a NaN c
// makes a NaN without escaping, and it runs to the limit.
inline int PixelCount(double x, double y, double count, double limit) {
  return static_cast<int>(x != x || y != y || count > limit ? limit : count);
}

// The ways the kernels compute the new imaginary part y + 2p, p = zr * zi.
// All give the count IterateScalar's y - (p * -2) gives: p * -2, p + p and
// the 2p inside fma(p, 2, y) are 2p negated or not, exact (doubling only
// shifts the exponent; the fused add then rounds y + 2p once, as the others
// do) or the same infinity on overflow; y - (-a) is y + a by definition,
// signed zeros included. Only where 2p overflows (the state has already
// left) and |y| is at least 2^971 can the fused form give a finite i, itself
// at least 2^971; the next zr is then infinite or NaN either way, and every
// later state stays out.
//
// Besides, an update costs three multiplies and two adds. The multiply form
// adds a multiply and an add, the add form two adds, the fused form one op
// on the multipliers. The processor has as many adders as multipliers, so a
// kernel mixes the forms to keep both busy: with fused multiply-add, two add
// forms to one fused (3.33 ops on each); without, multiply and add forms in
// turn (3.5). A counted update also adds |z|^2, so there the fused form
// comes twice to the add form's once. Each vector keeps its form from step
// to step.
enum class Form { kMul, kAdd, kFma };

// The form of vector g's updates.
template <class L, bool kCount>
constexpr Form FormOf(int g) {
  if constexpr (L::kFma) return (g % 3 == 0) != kCount ? Form::kFma : Form::kAdd;
  return g % 2 == 1 ? Form::kAdd : Form::kMul;
}

// One update of z <- z^2 + c, rounded exactly as IterateScalar rounds it.
// Returns |z|^2 before the update, as IterateScalar computes it.
template <class L, Form kForm>
__attribute__((always_inline)) inline typename L::V Update(typename L::V& r, typename L::V& i, typename L::V x,
                                                           typename L::V y) {
  const typename L::V p = L::Mul(r, i), r2 = L::Mul(r, r), i2 = L::Mul(i, i);
  const typename L::V t = L::Add(x, L::Sub(r2, i2));
  if constexpr (kForm == Form::kFma)
    i = L::TwiceAdd(p, y);
  else if constexpr (kForm == Form::kAdd)
    i = L::Add(y, L::Add(p, p));
  else
    i = L::Sub(y, L::Mul(p, L::Set(-2.0)));
  r = t;
  return L::Add(r2, i2);
}

// One update; with kCount, below counts the states before it whose |z|^2
// is below 4 (in integers, which leave the floating-point units to the
// update).
template <class L, Form kForm, bool kCount>
__attribute__((always_inline)) inline void CountedUpdate(typename L::V& r, typename L::V& i, typename L::V x,
                                                         typename L::V y, typename L::I* below) {
  const typename L::V magnitude = Update<L, kForm>(r, i, x, y);
  if (kCount) *below = L::AddWhereBelow(*below, magnitude, L::Set(4.0));
}

// One update of each of G vectors.
template <class L, bool kCount, int... g>
__attribute__((always_inline)) inline void Step(typename L::V* r, typename L::V* i, const typename L::V* x,
                                                const typename L::V* y, typename L::I* below,
                                                std::integer_sequence<int, g...>) {
  (CountedUpdate<L, FormOf<L, kCount>(g), kCount>(r[g], i[g], x[g], y[g], kCount ? below + g : nullptr), ...);
}

// B updates of G independent vectors: a loop of steps, not unrolled, as a
// block unrolled whole outgrows the processor's cache of decoded
// instructions, and then decoding, not the arithmetic, sets the pace.
template <class L, int G, int B, bool kCount = false>
__attribute__((always_inline)) inline void Block(typename L::V* r, typename L::V* i, const typename L::V* x,
                                                 const typename L::V* y, typename L::I* below = nullptr) {
#pragma GCC unroll 1
  for (int n = 0; n < B; ++n) Step<L, kCount>(r, i, x, y, below, std::make_integer_sequence<int, G>());
}

// B updates of the G * W lanes (zr, zi) with c = (cx, cy), from and back to
// the arrays. With kCount, counts into below how many of the states before
// each update were below 4; else keeps the state before each of K parts of
// the block in rows of keptR and keptI.
template <class L, int G, int B, int K, bool kCount>
__attribute__((always_inline)) inline void RunBlock(double* zr, double* zi, const double* cx, const double* cy,
                                                    double* keptR, double* keptI, std::int64_t* below) {
  using V = typename L::V;
  constexpr int W = L::kLanes, N = G * W;
  V r[G], i[G], x[G], y[G];
#pragma GCC unroll 8
  for (int g = 0; g < G; ++g) {
    r[g] = L::Load(zr + g * W), i[g] = L::Load(zi + g * W);
    x[g] = L::Load(cx + g * W), y[g] = L::Load(cy + g * W);
  }
  if (kCount) {
    typename L::I counted[G];
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) counted[g] = L::ZeroI();
    Block<L, G, B, true>(r, i, x, y, counted);
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) L::StoreI(below + g * W, counted[g]);
  } else {
#pragma GCC unroll 8
    for (int j = 0; j < K; ++j) {
#pragma GCC unroll 8
      for (int g = 0; g < G; ++g) L::Store(keptR + j * N + g * W, r[g]), L::Store(keptI + j * N + g * W, i[g]);
      Block<L, G, B / K>(r, i, x, y);
    }
  }
#pragma GCC unroll 8
  for (int g = 0; g < G; ++g) L::Store(zr + g * W, r[g]), L::Store(zi + g * W, i[g]);
}

// A long block is never inlined, so that it has every register to itself
// (a short one is, as the call would cost more than it saves).
template <class L, int G, int B, int K>
__attribute__((noinline)) void RunLongBlock(double* zr, double* zi, const double* cx, const double* cy, double* keptR,
                                            double* keptI) {
  RunBlock<L, G, B, K, false>(zr, zi, cx, cy, keptR, keptI, nullptr);
}

// The lanes' state, N lanes with K kept states each and their discs (ar, ai,
// reach; InteriorDisc), and the queue (qr, ...) of up to two blocks' worth
// of lanes that ended not below 4: the last kept state below 4, c, the count
// there and the pixel. The arrays that vectors load and store whole are
// aligned to 64 bytes, as a vector that straddles two cache lines costs
// twice.
template <int N, int K>
struct LaneArrays {
  alignas(64) double zr[N], zi[N], cx[N], cy[N], savedR[N], savedI[N], first[N], due[N];
  alignas(64) double keptR[K][N], keptI[K][N];
  alignas(64) double ar[N], ai[N], reach[N];
  alignas(64) std::int64_t below[N];
  alignas(64) double qr[2 * N], qi[2 * N], qx[2 * N], qy[2 * N], qk[2 * N];
  int pixel[N], qPixel[2 * N];
  int queued;
  std::uint64_t discs;  // the lanes with a disc
};

constexpr double kFirstCheckpoint = 8;

// The principal square root (sr, si) of ur + i ui.
inline void PrincipalRoot(double ur, double ui, double& sr, double& si) {
  const double size = std::sqrt(ur * ur + ui * ui);
  sr = std::sqrt((size + ur) / 2);
  si = std::copysign(std::sqrt(std::max((size - ur) / 2, 0.0)), ui);
}

// Where c lies in the main cardioid or in the period-2 bulb, a disc around
// an attracting point that the orbit, seen at a block's end, never leaves
// once in it, and so never escapes: its count is the limit. Both proofs
// leave a margin m = 1e-6 per update, far more than an update rounds (below
// 1e-13 with |z| < 2 and |c| < 1.3) or than the centre and radius do as
// computed here (about 1e-15).
// - Cardioid: the fixed point a (a^2 + c = a) attracts, and the update maps
//   z = a + w to a + w (2a + w). With r = 1 - 2m - 2|a| at least m,
//   |w (2a + w)| <= |w| (1 - m) inside the disc of radius r: every later
//   state stays in it, inside |z| < 1.
// - Bulb: the 2-cycle p, q (roots of z^2 + z + c + 1, p with the principal
//   root) attracts, 4|pq| < 1. Two updates map z = p + w to q + v, v =
//   w (2p + w), then to p + v (2q + v). With A = 2|p|, B = 2|q| and radius
//   r <= 1, |v| <= r (A + r) and |g - p| <= r (A + r) (B + r (A + r)) <= r
//   (AB + r (A^2 + B + 2A + 1)), which is r (1 - 2m) for r = (1 - 2m - AB)
//   / (A^2 + B + 2A + 1): each state two updates on stays in the disc, and
//   those between stay within r (A + r) of q, both inside |z| < 2. Blocks
//   are of an even number of updates, so every block's end sees the same
//   point of the cycle, which the lanes find to be p.
// Sets reach to the radius squared, or to -1 where there is no disc; the
// centre is always finite.
inline void InteriorDisc(double x, double y, double& ar, double& ai, double& reach) {
  constexpr double m = 1e-6;
  ar = ai = 0.0;
  reach = -1.0;
  double sr, si, r = -1.0;
  // Most points fail these tests, which are cheaper than the roots; those
  // the roots then find too near an edge get no disc either.
  const double t = (x - 0.25) * (x - 0.25) + y * y;
  if (x >= -0.8 && x <= 0.3 && y >= -0.7 && y <= 0.7 && t * (t + (x - 0.25)) < 0.25 * y * y) {
    PrincipalRoot(1.0 - 4.0 * x, -4.0 * y, sr, si);  // a = (1 - sqrt(1 - 4c)) / 2
    ar = (1.0 - sr) / 2;
    ai = -si / 2;
    r = 1.0 - 2 * m - 2.0 * std::sqrt(ar * ar + ai * ai);
  } else if ((x + 1.0) * (x + 1.0) + y * y < 0.0625) {
    PrincipalRoot(-3.0 - 4.0 * x, -4.0 * y, sr, si);  // p, q = (-1 +- sqrt(-3 - 4c)) / 2
    ar = (sr - 1.0) / 2;
    ai = si / 2;
    const double qr = (-1.0 - sr) / 2, qi = -si / 2;
    const double pSize = std::sqrt(ar * ar + ai * ai), qSize = std::sqrt(qr * qr + qi * qi);
    const double a = 2 * pSize, b = 2 * qSize;
    // 3m, not 2m, covers the rounding of a, b and r themselves.
    r = (1.0 - 3 * m - a * b) / (a * a + b + 2 * a + 1);
    if (pSize + r >= 1.5 || qSize + r * (a + r) >= 1.5) r = -1.0;
  }
  if (r >= m) reach = r * r;
}

// Starts the next pixel in the lane at step now; false when there is none.
template <int N, int K>
inline bool StartLane(LaneArrays<N, K>& a, PixelFeed& feed, int lane, double now) {
  int p;
  double x, y;
  a.zr[lane] = a.zi[lane] = a.savedR[lane] = a.savedI[lane] = 0.0;
  a.first[lane] = now;
  a.due[lane] = kFirstCheckpoint;
  const std::uint64_t bit = std::uint64_t{1} << lane;
  if (feed.Next(p, x, y)) {
    a.pixel[lane] = p;
    a.cx[lane] = x;
    a.cy[lane] = y;
    InteriorDisc(x, y, a.ar[lane], a.ai[lane], a.reach[lane]);
    a.discs = a.reach[lane] >= 0 ? a.discs | bit : a.discs & ~bit;
    return true;
  }
  // An idle lane iterates c = 0, which stays at 0; a saved NaN never
  // matches it, and it starts at +infinity, so it never reaches a
  // checkpoint nor the limit.
  a.pixel[lane] = -1;
  a.cx[lane] = a.cy[lane] = a.ar[lane] = a.ai[lane] = 0.0;
  a.reach[lane] = -1.0;
  a.discs &= ~bit;
  a.savedR[lane] = __builtin_nan("");
  a.first[lane] = __builtin_inf();
  return false;
}

// Replays the first G * W lanes of the queue (all of it if fewer) for S
// updates, counting the states below 4, and writes their pixels. Returns
// the total of their counts.
template <class L, int G, int S, int N, int K>
std::uint64_t ReplayQueue(LaneArrays<N, K>& a, const PixelJob& job, double limit) {
  for (int q = a.queued; q < N; ++q) a.qr[q] = a.qi[q] = a.qx[q] = a.qy[q] = a.qk[q] = 0.0;
  const int n = a.queued < N ? a.queued : N;
  RunBlock<L, G, S, 1, true>(a.qr, a.qi, a.qx, a.qy, nullptr, nullptr, a.below);
  std::uint64_t sum = 0;
  for (int q = 0; q < n; ++q) {
    const int k = PixelCount(a.qx[q], a.qy[q], a.qk[q] + static_cast<double>(a.below[q]), limit);
    sum += k;
    job.pixels[a.qPixel[q]] = PixelFor(job, k);
  }
  a.queued -= n;
  for (int q = 0; q < a.queued; ++q) {
    a.qr[q] = a.qr[N + q], a.qi[q] = a.qi[N + q], a.qx[q] = a.qx[N + q], a.qy[q] = a.qy[N + q], a.qk[q] = a.qk[N + q];
    a.qPixel[q] = a.qPixel[N + q];
  }
  return sum;
}

// L supplies kLanes, the vector type V (doubles), the mask type M, the count
// type I and the operations used here. G vectors run side by side so that the
// latency of one update hides behind the others.
//
// The lanes run blocks of K * S updates with no test at all, keeping the
// state before every S. (Under a small limit most pixels end within a few
// blocks; there, with kCount, the lanes count the states below 4 instead,
// which is the count itself, as those come first: see below.) Then:
// - A lane whose |z|^2 is not below 4 (escaped, infinite or NaN) has ended in
//   this block or is NaN. An orbit that has escaped stays out: past |z| = 2
//   (and |c| <= 2, else it escapes at once and |z| >= |c| grows) each update
//   at least doubles the distance beyond 2 (|z^2 + c| >= |z|^2 - 2), far more
//   than rounding takes back. So a lane below 4 at a block's end has not
//   escaped in it, and one that is not left within S updates of the last
//   kept state below 4. It joins a queue with that state and takes the next
//   pixel; the queue is replayed G vectors at a time for S updates, counting
//   the states below 4, which gives each count.
// - A lane whose z is bit for bit the saved point is periodic and can never
//   escape: its count is the limit. The saved point moves to the current one
//   whenever the count doubles (Brent), which still finds every period once
//   the saved point lies on the cycle.
// - A lane inside its disc (InteriorDisc) can never escape either.
// - A lane that has reached its limit, and has not escaped first, stops.
// A finished lane takes the next pixel at once, so a slow pixel never holds
// up its neighbours. As every lane makes the same updates a block, a lane's
// count is the steps of this call since it started. Steps, counts and
// checkpoints are doubles, exact below 2^53, so that every instruction set
// compares them alike.
template <class L, int G, int S, int K, bool kCount>
std::uint64_t RenderLanes(const PixelJob& job) {
  using V = typename L::V;
  constexpr int W = L::kLanes, N = G * W, B = K * S;
  static_assert(N <= 64, "lanes are tracked in 64-bit masks");
  const double limit = job.limit;

  // Aligned by hand: not every compiler aligns the stack to 64 bytes
  // (MinGW-w64 does not).
  unsigned char space[sizeof(LaneArrays<N, K>) + 63];
  // Moved along space itself, so the compiler still sees that nothing else
  // reaches these arrays.
  LaneArrays<N, K>& a = *reinterpret_cast<LaneArrays<N, K>*>(space + (-reinterpret_cast<std::uintptr_t>(space) & 63));
  auto &zr = a.zr, &zi = a.zi, &cx = a.cx, &cy = a.cy, &savedR = a.savedR, &savedI = a.savedI, &first = a.first,
       &due = a.due;
  auto &keptR = a.keptR, &keptI = a.keptI;
  auto& below = a.below;
  auto& pixel = a.pixel;
  a.queued = 0;
  a.discs = 0;

  // The running counts stay out of the lanes' state, which would keep them
  // in memory.
  PixelFeed feed(job);
  double now = 0.0;  // the steps made so far
  int live = 0;
  std::uint64_t total = 0;
  for (int lane = 0; lane < N; ++lane) live += StartLane(a, feed, lane, now);

  const V four = L::Set(4.0), lim = L::Set(limit);
  while (live > 0) {
    if (kCount)
      RunBlock<L, G, B, 1, true>(zr, zi, cx, cy, nullptr, nullptr, below);
    else
      RunLongBlock<L, G, B, K>(zr, zi, cx, cy, keptR[0], keptI[0]);
    now += B;

    const V nowV = L::Set(now);
    std::uint64_t out = 0, done = 0;
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
      const int at = g * W;
      const V r = L::Load(zr + at), i = L::Load(zi + at);
      const V sr = L::Load(savedR + at), si = L::Load(savedI + at), checkpoint = L::Load(due + at);
      const V count = L::Sub(nowV, L::Load(first + at));
      const std::uint64_t outHere = L::Bits(L::NotBelow(L::Add(L::Mul(r, r), L::Mul(i, i)), four));
      out |= outHere << at;
      // Only vectors with a disc look: a deep view far from both regions pays
      // nothing. A NaN z is out, so a NaN distance is never taken for in.
      unsigned inDisc = 0;
      if (a.discs >> at & ((1u << W) - 1)) {
        const V dr = L::Sub(r, L::Load(a.ar + at)), di = L::Sub(i, L::Load(a.ai + at));
        inDisc = L::Bits(L::NotBelow(L::Load(a.reach + at), L::Add(L::Mul(dr, dr), L::Mul(di, di))));
      }
      done |= (outHere | inDisc | L::Bits(L::Same(r, i, sr, si)) | L::Bits(L::NotBelow(count, lim))) << at;
      // A lane whose count reaches its checkpoint saves its point, and the
      // next checkpoint is at twice the count.
      const typename L::M save = L::NotBelow(count, checkpoint);
      L::Store(savedR + at, L::Blend(save, sr, r));
      L::Store(savedI + at, L::Blend(save, si, i));
      L::Store(due + at, L::Blend(save, checkpoint, L::Add(count, count)));
    }
    for (std::uint64_t m = done; m != 0; m &= m - 1) {
      const int lane = __builtin_ctzll(m);
      const bool isOut = out >> lane & 1;
      if (!isOut || kCount) {
        const double count = isOut ? now - B - first[lane] + static_cast<double>(below[lane]) : limit;
        const int k = PixelCount(cx[lane], cy[lane], count, limit);
        total += k;
        job.pixels[pixel[lane]] = PixelFor(job, k);
      } else {
        // It left in the part after the last kept state below 4. The first
        // is, as the lane was not out before this block, unless c is NaN,
        // and then any part gives the limit.
        int j = 0;
        for (int kept = 1; kept < K; ++kept) {
          const double r = keptR[kept][lane], i = keptI[kept][lane];
          j += r * r + i * i < 4.0;
        }
        const int q = a.queued++;
        a.qr[q] = keptR[j][lane], a.qi[q] = keptI[j][lane], a.qx[q] = cx[lane], a.qy[q] = cy[lane];
        a.qk[q] = now - B + j * S - first[lane];
        a.qPixel[q] = pixel[lane];
      }
      live += StartLane(a, feed, lane, now) - 1;
    }
    if (a.queued >= N) total += ReplayQueue<L, G, S>(a, job, limit);
  }
  while (a.queued > 0) total += ReplayQueue<L, G, S>(a, job, limit);
  return total;
}

// The kernel for instruction set L: blocks of K parts of S updates on G
// vectors under a large limit; under a small one, where pixels end soon and
// fewer lanes waste less at the end of each, counted blocks of 8 on
// kShortGroups vectors.
template <class L, int G, int S, int K, int kShortGroups>
std::uint64_t RenderPixels(const PixelJob& job) {
  return job.limit <= 256 ? RenderLanes<L, kShortGroups, 8, 1, true>(job) : RenderLanes<L, G, S, K, false>(job);
}

}  // namespace
