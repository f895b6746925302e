#include "view/KernelTable.h"

#include "view/PixelFeed.h"

namespace {

// The plain loop, pixel by pixel.
std::uint64_t RenderPixelsScalar(const PixelJob& job) {
  PixelFeed feed(job);
  std::uint64_t total = 0;
  int p;
  for (double x, y; feed.Next(p, x, y);) {
    const int k = IterateScalar(x, y, job.limit);
    total += k;
    job.pixels[p] = PixelFor(job, k);
  }
  return total;
}

// Every build has SSE2 (the 32-bit one uses it for doubles).
bool Always() { return true; }

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

bool HasAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f");
}

}  // namespace

// Each in its own view/Renderer*.cpp, built for its instruction set.
std::uint64_t RenderPixelsSse2(const PixelJob& job);
std::uint64_t BareUpdatesSse2(std::int64_t blocks);
std::uint64_t RenderPixelsAvx2(const PixelJob& job);
std::uint64_t BareUpdatesAvx2(std::int64_t blocks);
std::uint64_t RenderPixelsAvx512(const PixelJob& job);
std::uint64_t BareUpdatesAvx512(std::int64_t blocks);

const std::vector<KernelRow>& KernelTable() {
  static const std::vector<KernelRow> rows = {
      {"scalar", Always, RenderPixelsScalar, nullptr},
      {"sse2", Always, RenderPixelsSse2, BareUpdatesSse2},
      {"avx2", HasAvx2, RenderPixelsAvx2, BareUpdatesAvx2},
      {"avx512", HasAvx512, RenderPixelsAvx512, BareUpdatesAvx512},
  };
  return rows;
}

Kernel FindKernel(const std::string& name) {
  for (const KernelRow& row : KernelTable())
    if (name == row.name) return &row;
  return nullptr;
}
