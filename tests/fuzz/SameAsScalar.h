// The check the render targets share: every kernel, on the given threads,
// gives the plain loop's pixels and total, bit for bit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "view/KernelTable.h"

// Iterations a single input may cost the plain loop, so that a slow input
// stays well within the run's time-out even with the checks compiled in.
constexpr std::uint64_t kWorkBound = std::uint64_t{1} << 20;

// The largest edge up to largest whose image costs no more than the bound at
// this limit: a large limit gets a smaller edge.
inline int EdgeWithinBound(int limit, int largest) {
  int edge = largest;
  while (edge > 1 && static_cast<std::uint64_t>(edge) * edge * static_cast<std::uint64_t>(limit) > kWorkBound) --edge;
  return edge;
}

inline void ExpectSameAsScalar(const ViewParameters& view, int threads) {
  const std::size_t count = static_cast<std::size_t>(view.edge) * static_cast<std::size_t>(view.edge);
  std::vector<std::uint32_t> reference(count), pixels(count);
  const std::uint64_t total = RenderScalar(view, reference.data());
  std::vector<Kernel> kernels = {nullptr};
  for (const KernelRow& row : KernelTable())
    if (row.available()) kernels.push_back(&row);
  for (Kernel kernel : kernels) {
    pixels.assign(count, 0xDEADBEEF);
    const std::uint64_t got = Render(view, pixels.data(), {kernel, threads});
    if (got != total || pixels != reference) {
      std::fprintf(stderr, "%s on %d threads differs from the plain loop: total %llu, expected %llu\n",
                   KernelName(kernel), threads, static_cast<unsigned long long>(got),
                   static_cast<unsigned long long>(total));
      std::abort();
    }
  }
}
