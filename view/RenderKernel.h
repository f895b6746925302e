// The escape-time loop over many pixels at once, shared by the kernels for
// each instruction set. Every lane does exactly the operations of
// IterateScalar in the same order, so the counts match it bit for bit.
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
  // When set and true, the thread takes no more pixels: it finishes those it
  // has and returns, leaving the rest of the job to the next call.
  bool (*enough)();
};

// Each renders pixels from the job until none is left (or enough() says so)
// and returns the total of their counts. Several threads may run one on the same job.
using KernelFn = std::uint64_t (*)(const PixelJob& job);
std::uint64_t RenderPixelsScalar(const PixelJob& job);
std::uint64_t RenderPixelsSse2(const PixelJob& job);
std::uint64_t RenderPixelsAvx2(const PixelJob& job);
std::uint64_t RenderPixelsAvx512(const PixelJob& job);

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
      if (next_ >= total_ || (job_.enough && ++grabs_ % 16 == 0 && job_.enough())) {
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

// L supplies kLanes, the vector types V (doubles), I (64-bit counts) and M (a
// mask per lane), and the operations below. G vectors run side by side so
// that the loop-carried latency of one hides behind the others.
//
// The lanes run blocks of steps without looking at single pixels. At the end
// of a block each finished lane stores its pixel and takes the next one, so a
// slow pixel never holds up its neighbours. A lane that goes on past its
// pixel's end within a block changes nothing: the escape mask is sticky and
// the count is cut at the limit.
//
// A lane whose orbit comes back bit for bit to a saved point is periodic and
// can never escape. The saved point moves to the current one whenever the
// count doubles (Brent), and is compared every fourth step, which still finds
// every period once the saved point lies on the cycle.
template <class L, int G>
std::uint64_t RenderLanes(const PixelJob& job) {
  using V = typename L::V;
  using I = typename L::I;
  using M = typename L::M;
  constexpr int W = L::kLanes, N = G * W;
  constexpr std::int64_t kFirstCheckpoint = 8;
  // Short blocks suit small limits, where pixels end soon; long ones waste
  // less time between blocks on long orbits.
  const int quads = job.limit <= 256 ? 2 : job.limit <= 4096 ? 4 : 8;

  alignas(64) double zr[N], zi[N], cx[N], cy[N], savedR[N], savedI[N];
  alignas(64) std::int64_t count[N], checkpoint[N];
  int pixel[N];

  PixelFeed feed(job);
  int live = 0;
  auto start = [&](int lane) {
    int p;
    if (feed.Next(p)) {
      pixel[lane] = p;
      cx[lane] = job.xs[p % job.edge];
      cy[lane] = job.ys[p / job.edge];
      ++live;
    } else {
      // An idle lane iterates c = 0, which stays at 0 and is harmless.
      pixel[lane] = -1;
      cx[lane] = cy[lane] = 0.0;
    }
    zr[lane] = zi[lane] = savedR[lane] = savedI[lane] = 0.0;
    count[lane] = 0;
    checkpoint[lane] = kFirstCheckpoint;
  };
  for (int lane = 0; lane < N; ++lane) start(lane);

  const V four = L::Set(4.0), minusTwo = L::Set(-2.0);
  const I limit = L::SetI(job.limit);
  std::uint64_t total = 0;
  while (live > 0) {
    V r[G], i[G], x[G], y[G], sr[G], si[G];
    I k[G];
    M in[G], periodic[G];
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
      r[g] = L::Load(zr + g * W);
      i[g] = L::Load(zi + g * W);
      x[g] = L::Load(cx + g * W);
      y[g] = L::Load(cy + g * W);
      sr[g] = L::Load(savedR + g * W);
      si[g] = L::Load(savedI + g * W);
      k[g] = L::LoadI(count + g * W);
      in[g] = L::All();
      periodic[g] = L::None();
    }
    for (int q = 0; q < quads; ++q) {
#pragma GCC unroll 4
      for (int s = 0; s < 4; ++s) {
#pragma GCC unroll 8
        for (int g = 0; g < G; ++g) {
          const V r2 = L::Mul(r[g], r[g]), i2 = L::Mul(i[g], i[g]);
          in[g] = L::StillIn(in[g], L::Add(r2, i2), four);
          k[g] = L::CountIn(k[g], in[g]);
          const V t = L::Add(x[g], L::Sub(r2, i2));
          i[g] = L::Sub(y[g], L::Mul(L::Mul(r[g], i[g]), minusTwo));
          r[g] = t;
        }
      }
#pragma GCC unroll 8
      for (int g = 0; g < G; ++g) periodic[g] = L::Or(periodic[g], L::SameBits(in[g], r[g], i[g], sr[g], si[g]));
    }

    std::uint64_t done = 0, cycled = 0;
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
      const unsigned gone = ~L::Bits(in[g]) & ((1u << W) - 1);
      done |= static_cast<std::uint64_t>(gone | L::Bits(periodic[g]) | L::Bits(L::Reached(k[g], limit))) << g * W;
      cycled |= static_cast<std::uint64_t>(L::Bits(periodic[g])) << g * W;
      const I due = L::LoadI(checkpoint + g * W);
      const M save = L::Reached(k[g], due);
      L::Store(savedR + g * W, L::Blend(save, sr[g], r[g]));
      L::Store(savedI + g * W, L::Blend(save, si[g], i[g]));
      L::StoreI(checkpoint + g * W, L::BlendI(save, due, L::AddI(k[g], k[g])));
      L::Store(zr + g * W, r[g]);
      L::Store(zi + g * W, i[g]);
      L::StoreI(count + g * W, k[g]);
    }

    for (; done != 0; done &= done - 1) {
      const int lane = __builtin_ctzll(done);
      if (pixel[lane] < 0) continue;
      const int n = cycled >> lane & 1 || count[lane] > job.limit ? job.limit : static_cast<int>(count[lane]);
      total += n;
      job.pixels[pixel[lane]] = PixelFor(job, n);
      --live;
      start(lane);
    }
  }
  return total;
}

}  // namespace
