// The reference loop against the fast path. Run:
//   build/host/bench/fractavo_bench
#include <benchmark/benchmark.h>

#include <vector>

#include "view/Renderer.h"

namespace {

ViewParameters Scene(int edge, int iterations, double cx, double cy, double halfWidth) {
  ViewParameters view(MemoryProfile{});
  view.SetEdge(edge);
  view.maxIterations = iterations;
  view.centreX = cx;
  view.centreY = cy;
  view.halfWidth = halfWidth;
  view.ComputeGradient();
  return view;
}

// Default view, and a view on the set's boundary where most pixels run long.
const ViewParameters kDefault = Scene(400, 200, 0, 0, 2);
const ViewParameters kHeavy = Scene(400, 5000, -0.7453, 0.1127, 6.5e-3);

void Run(benchmark::State& state, std::uint64_t (*render)(const ViewParameters&, std::uint32_t*),
         const ViewParameters& view) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(view.edge) * view.edge);
  std::uint64_t total = 0;
  for (auto _ : state) total = render(view, pixels.data());
  state.counters["iterations/s"] =
      benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Scalar(benchmark::State& state, const ViewParameters& view) { Run(state, RenderScalar, view); }
void BM_Fast(benchmark::State& state, const ViewParameters& view) {
  Run(state, [](const ViewParameters& v, std::uint32_t* p) { return Render(v, p); }, view);
}

BENCHMARK_CAPTURE(BM_Scalar, default, kDefault)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Fast, default, kDefault)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Scalar, heavy, kHeavy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Fast, heavy, kHeavy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
