// The escape-time loop over many pixels at once, shared by the kernels for
// each instruction set. Every lane gives exactly the count of IterateScalar.
//
// This header is compiled with different instruction sets in different
// files. Everything in it has internal linkage and it includes nothing with
// inline code: the linker must never pick an AVX copy of a function that
// baseline code calls.
#pragma once

#include <cstdint>

struct ViewParameters;

// The DIB pixel for count k (out of line, so any kernel may call it).
std::uint32_t DibColour(const ViewParameters& view, int k);

// The steady clock in its own ticks (out of line, for the same reason).
std::int64_t ClockTicks();

// The exact loop of IterateScalar, resumed at z = (r, i) after k updates and
// run until it escapes, reaches the limit or has made `end` updates. Returns
// the count, or -1 when z after `end` updates is still in (end < limit).
std::int64_t IterateFrom(double r, double i, double x, double y, std::int64_t k, std::int64_t end,
                         std::int64_t limit);

// One render, shared by all its threads.
struct PixelJob {
  const double* xs;  // x of each column
  const double* ys;  // y of each row
  int edge;
  int limit;                      // at least 1
  const ViewParameters* view;
  const std::uint32_t* palette;   // DibColour for counts 0..paletteTop
  int paletteTop;
  std::uint32_t* pixels;          // edge x edge, top row first
  int* nextPixel;                 // the first pixel no thread has taken yet
  // Once ClockTicks() reaches it the thread takes no more pixels: it finishes
  // those it has and returns, leaving the rest to the next call. 0: no deadline.
  std::int64_t deadline;
};

// Each renders pixels from the job until none is left (or the deadline has
// passed) and returns the total of their counts. Several threads may run one
// on the same job.
using KernelFn = std::uint64_t (*)(const PixelJob& job);
std::uint64_t RenderPixelsScalar(const PixelJob& job);
std::uint64_t RenderPixelsSse2(const PixelJob& job);
std::uint64_t RenderPixelsAvx2(const PixelJob& job);
std::uint64_t RenderPixelsAvx512(const PixelJob& job);

// The kernels' update alone, for the benchmark: as many independent vectors
// as the kernel runs, `blocks` blocks of steps, no escape test and no
// bookkeeping. Returns the number of updates made.
std::uint64_t BareUpdatesSse2(std::int64_t blocks);
std::uint64_t BareUpdatesAvx2(std::int64_t blocks);
std::uint64_t BareUpdatesAvx512(std::int64_t blocks);

namespace {

std::uint32_t PixelFor(const PixelJob& job, int k) {
  return k <= job.paletteTop ? job.palette[k] : DibColour(*job.view, k);
}

// Takes pixels from the job a chunk at a time, so threads rarely meet on the
// shared counter.
class PixelFeed {
 public:
  explicit PixelFeed(const PixelJob& job) : job_(job), total_(job.edge * job.edge) {}

  bool Next(int& pixel) {
    if (next_ == end_) {
      // The clock can be slow to read (Wine), so it is asked every few chunks.
      if (next_ >= total_ || (job_.deadline && ++grabs_ % 16 == 0 && ClockTicks() >= job_.deadline)) {
        next_ = end_ = total_;
        return false;
      }
      next_ = __atomic_fetch_add(job_.nextPixel, kChunk, __ATOMIC_RELAXED);
      end_ = next_ + kChunk < total_ ? next_ + kChunk : total_;
      if (next_ >= total_) {
        next_ = end_ = total_;
        return false;
      }
    }
    pixel = next_++;
    return true;
  }

 private:
  static constexpr int kChunk = 64;
  const PixelJob& job_;
  const int total_;
  int next_ = 0, end_ = 0;
  unsigned grabs_ = 0;
};

// One update of z <- z^2 + c, rounded exactly as IterateScalar rounds it.
// Two forms of the new imaginary part, y - (p * -2) and y + (p + p) with
// p = zr * zi, give the same bits: p * -2 and p + p are both 2p negated or
// not, exact (doubling only shifts the exponent) or the same infinity on
// overflow, and y - (-a) is y + a by definition, signed zeros included. The
// first costs four multiplies and three adds, the second three and four; the
// processor has as many adders as multipliers, so the kernels alternate them.
template <class L, bool kAddForm>
void Update(typename L::V& r, typename L::V& i, typename L::V x, typename L::V y) {
  const typename L::V p = L::Mul(r, i);
  const typename L::V t = L::Add(x, L::Sub(L::Mul(r, r), L::Mul(i, i)));
  i = kAddForm ? L::Add(y, L::Add(p, p)) : L::Sub(y, L::Mul(p, L::Set(-2.0)));
  r = t;
}

// B updates of G independent vectors, the forms alternating.
template <class L, int G, int B>
void Block(typename L::V* r, typename L::V* i, const typename L::V* x, const typename L::V* y) {
#pragma GCC unroll 16
  for (int s = 0; s < B; ++s) {
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
      if ((g + s) % 2)
        Update<L, true>(r[g], i[g], x[g], y[g]);
      else
        Update<L, false>(r[g], i[g], x[g], y[g]);
    }
  }
}

// L supplies kLanes, the vector type V (doubles) and the operations used
// here. G vectors run side by side so that the latency of one update hides
// behind the others.
//
// The lanes run blocks of B updates with no test at all. Then:
// - A lane whose |z|^2 is not below 4 (escaped, infinite or NaN) runs its
//   block again from the state saved at its start, one exact step at a time,
//   which finds its count. An orbit that has escaped stays out: past |z| = 2
//   (and |c| <= 2, else it escapes at once and |z| >= |c| grows) each update
//   at least doubles the distance beyond 2 (|z^2 + c| >= |z|^2 - 2), far more
//   than rounding takes back. A NaN lane finds no escape and goes on, as in
//   IterateScalar, where comparing NaN never escapes.
// - A lane whose z is bit for bit the saved point is periodic and can never
//   escape: its count is the limit. The saved point moves to the current one
//   whenever the count doubles (Brent), which still finds every period once
//   the saved point lies on the cycle.
// - A lane past its limit has its count cut to the limit (after the escape
//   test, whose replay stops at the limit).
// A finished lane stores its pixel and takes the next one at once, so a slow
// pixel never holds up its neighbours. As every lane makes B updates a block,
// the limits and checkpoints are kept as steps of this call (`steps`) and
// looked at only when the nearest one comes due.
template <class L, int G, int B>
std::uint64_t RenderLanes(const PixelJob& job) {
  using V = typename L::V;
  constexpr int W = L::kLanes, N = G * W;
  static_assert(N <= 64, "lanes are tracked in 64-bit masks");
  constexpr std::int64_t kNever = INT64_MAX, kFirstCheckpoint = 8;
  const std::int64_t limit = job.limit;

  alignas(64) double zr[N], zi[N], cx[N], cy[N], savedR[N], savedI[N];
  std::int64_t first[N], checkpoint[N], due[N], found[N];
  int pixel[N];

  PixelFeed feed(job);
  std::int64_t steps = 0, nextDue = kNever;
  int live = 0;
  auto start = [&](int lane) {
    int p;
    zr[lane] = zi[lane] = savedR[lane] = savedI[lane] = 0.0;
    first[lane] = steps;
    checkpoint[lane] = kFirstCheckpoint;
    if (feed.Next(p)) {
      pixel[lane] = p;
      cx[lane] = job.xs[p % job.edge];
      cy[lane] = job.ys[p / job.edge];
      due[lane] = steps + (kFirstCheckpoint < limit ? kFirstCheckpoint : limit);
      if (due[lane] < nextDue) nextDue = due[lane];
      ++live;
    } else {
      // An idle lane iterates c = 0, which stays at 0; a saved NaN never
      // matches it, so it never asks for attention.
      pixel[lane] = -1;
      cx[lane] = cy[lane] = 0.0;
      savedR[lane] = __builtin_nan("");
      due[lane] = kNever;
    }
  };
  std::uint64_t total = 0;
  auto finish = [&](int lane, std::int64_t n) {
    total += n;
    job.pixels[pixel[lane]] = PixelFor(job, static_cast<int>(n));
    --live;
    start(lane);
  };
  for (int lane = 0; lane < N; ++lane) start(lane);

  const V four = L::Set(4.0);
  while (live > 0) {
    V r[G], i[G], x[G], y[G];
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
      r[g] = L::Load(zr + g * W);
      i[g] = L::Load(zi + g * W);
      x[g] = L::Load(cx + g * W);
      y[g] = L::Load(cy + g * W);
    }
    Block<L, G, B>(r, i, x, y);
    steps += B;

    std::uint64_t out = 0, cycled = 0;
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
      const V magnitude = L::Add(L::Mul(r[g], r[g]), L::Mul(i[g], i[g]));
      out |= static_cast<std::uint64_t>(L::NotBelow(magnitude, four)) << g * W;
      cycled |= static_cast<std::uint64_t>(L::Same(r[g], i[g], L::Load(savedR + g * W), L::Load(savedI + g * W)))
                << g * W;
    }
    // The replays start from the block's start, still in zr and zi.
    for (std::uint64_t m = out; m != 0; m &= m - 1) {
      const int lane = __builtin_ctzll(m);
      const std::int64_t k = steps - B - first[lane];
      found[lane] = IterateFrom(zr[lane], zi[lane], cx[lane], cy[lane], k, k + B, limit);
    }
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
      L::Store(zr + g * W, r[g]);
      L::Store(zi + g * W, i[g]);
    }
    for (std::uint64_t m = out | cycled; m != 0; m &= m - 1) {
      const int lane = __builtin_ctzll(m);
      if (out >> lane & 1 && found[lane] >= 0)
        finish(lane, found[lane]);
      else if (cycled >> lane & 1)
        finish(lane, limit);
    }

    if (steps >= nextDue) {
      nextDue = kNever;
      for (int lane = 0; lane < N; ++lane) {
        if (due[lane] <= steps) {
          const std::int64_t k = steps - first[lane];
          if (k >= limit) {
            finish(lane, limit);
          } else {
            savedR[lane] = zr[lane];
            savedI[lane] = zi[lane];
            checkpoint[lane] = 2 * k;
            due[lane] = first[lane] + (checkpoint[lane] < limit ? checkpoint[lane] : limit);
          }
        }
        if (due[lane] < nextDue) nextDue = due[lane];
      }
    }
  }
  return total;
}

// The update of RenderLanes<L, G, B> alone on G vectors of points inside the
// set (bounded orbits, no subnormals).
template <class L, int G, int B>
std::uint64_t BareUpdates(std::int64_t blocks) {
  using V = typename L::V;
  V r[G], i[G], x[G], y[G];
  for (int g = 0; g < G; ++g) {
    r[g] = i[g] = L::Set(0.0);
    x[g] = L::Set(-0.5 + g * 0.01);
    y[g] = L::Set(0.25);
  }
  for (std::int64_t b = 0; b < blocks; ++b) Block<L, G, B>(r, i, x, y);
  alignas(64) double sink[L::kLanes];
  for (int g = 0; g < G; ++g) {
    L::Store(sink, L::Add(r[g], i[g]));
    __asm__ volatile("" : : "m"(sink));
  }
  return static_cast<std::uint64_t>(blocks) * B * G * L::kLanes;
}

}  // namespace
