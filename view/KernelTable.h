// The instruction sets the renderer can use, a row each. A new one takes a
// file of its own (as view/RendererAvx2.cpp) and a row in
// view/KernelTable.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/Renderer.h"

struct PixelJob;

struct KernelRow {
  const char* name;     // as the --kernel option takes it
  bool (*available)();  // this build and this processor can run it
  // Renders pixels from the job until none is left (or the deadline has
  // passed) and returns the total of their counts. Several threads may run
  // it on the same job.
  std::uint64_t (*render)(const PixelJob& job);
  // The benchmark's bound: the kernel's update alone, `blocks` blocks of it
  // on as many vectors as the kernel runs. Returns the number of updates
  // made. Null for the plain loop.
  std::uint64_t (*bareUpdates)(std::int64_t blocks);
};

// Narrowest first: Auto picks the last one available.
const std::vector<KernelRow>& KernelTable();

// The row of that name; null when there is none.
Kernel FindKernel(const std::string& name);
