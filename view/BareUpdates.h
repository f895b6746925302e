// The kernels' update alone, for the benchmark's bound (the kernel table's
// bare-update entry): as many independent vectors as the kernel runs, whole
// blocks of steps, no escape test and no bookkeeping. Internal to the core.
#pragma once

#include <cstdint>

#include "view/RenderLanes.h"

namespace {

// The update of RenderLanes alone on G vectors of points inside the set
// (bounded orbits, no subnormals).
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
