// Every kernel on one thread and on all cores, against the plain reference
// loop RenderScalar, and against its own update run bare (no escape test, no
// bookkeeping), which is as fast as this core can go. Run:
//   build/host/bench/fractavo_bench
//
// The reference would take minutes on the big scenes, so it is timed on the
// same view at a smaller edge; its time for a whole scene is that time per
// iteration times the scene's total count, which every path returns.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Scenes.h"
#include "view/KernelTable.h"

namespace {

using Clock = std::chrono::steady_clock;

struct BenchScene {
  const char* name;
  ViewParameters view;
  int referenceEdge;               // the edge RenderScalar is timed at
  std::uint64_t total = 0;         // of the whole scene, from Render
  double referenceSeconds = 0;     // RenderScalar's time for the whole scene
  double referenceCpuSeconds = 0;  // the same in processor time
};

int Cores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The processor time of all this process's threads. On a machine others
// share, wall time counts the time the renderer waited for a core; this
// does not.
double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Times RenderScalar at the scene's reference edge for at least half a
// second and scales its time per iteration to the whole scene.
void MeasureReference(BenchScene& s) {
  ViewParameters small = s.view;
  small.SetEdge(s.referenceEdge);
  small.ComputeGradient();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(small.edge) * small.edge);
  std::vector<std::uint32_t> full(static_cast<std::size_t>(s.view.edge) * s.view.edge);
  s.total = Render(s.view, full.data());
  std::uint64_t iterations = 0;
  int runs = 0;
  double seconds = 0;
  const Clock::time_point start = Clock::now();
  const double cpuStart = CpuSeconds();
  do {
    iterations += RenderScalar(small, pixels.data());
    ++runs;
    seconds = Seconds(start);
  } while (seconds < 0.5);
  const double perIteration = seconds / static_cast<double>(iterations);
  s.referenceSeconds = perIteration * static_cast<double>(s.total);
  s.referenceCpuSeconds = (CpuSeconds() - cpuStart) / static_cast<double>(iterations) * static_cast<double>(s.total);
  std::printf(
      "%-9s RenderScalar at edge %4d%s, %d run(s): %.3f ns/iteration = %.3f Git/s; "
      "%.4g iterations in the scene -> %.4g s\n",
      s.name, small.edge, small.edge == s.view.edge ? " (the scene)" : " (same view)", runs, perIteration * 1e9,
      1e-9 / perIteration, static_cast<double>(s.total), s.referenceSeconds);
}

using BareFn = std::uint64_t (*)(std::int64_t blocks);

// The bare update's rate in G iterations per second of processor time: the
// best of several short runs, as other work on the machine only slows it.
double BareRate(BareFn bare, double seconds) {
  double best = 0;
  for (int run = 0; run < 10; ++run) {
    std::uint64_t updates = 0;
    double spent = 0;
    const double start = CpuSeconds();
    do {
      updates += bare(1 << 12);
      spent = CpuSeconds() - start;
    } while (spent < seconds / 10);
    best = std::max(best, static_cast<double>(updates) / spent * 1e-9);
  }
  return best;
}

std::map<Kernel, double> bareRate;  // measured before the benchmarks

void RunBare(benchmark::State& state, BareFn bare) {
  for (auto _ : state) state.counters["cpu Git/s/core"] = BareRate(bare, 0.05);
}

void Run(benchmark::State& state, const BenchScene& s, RenderOptions options) {
  // Left to itself Render may use fewer; the rate per core is then a floor.
  const int threads = options.threads > 0 ? options.threads : Cores();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(s.view.edge) * s.view.edge);
  double seconds = 0, cpuSeconds = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuSeconds();
    const std::uint64_t total = Render(s.view, pixels.data(), options);
    const double t = Seconds(start);
    cpuSeconds += CpuSeconds() - cpuStart;
    state.SetIterationTime(t);
    seconds += t;
    if (total != s.total) {
      state.SkipWithError("the total differs from the other paths'");
      return;
    }
  }
  const double perRender = seconds / static_cast<double>(state.iterations());
  const double cpuPerRender = cpuSeconds / static_cast<double>(state.iterations());
  state.counters["Git/s/core"] = static_cast<double>(s.total) / perRender / threads * 1e-9;
  state.counters["speedup"] = s.referenceSeconds / perRender;
  state.counters["cpu Git/s/core"] = static_cast<double>(s.total) / cpuPerRender * 1e-9;
  state.counters["cpu speedup"] = s.referenceCpuSeconds / cpuPerRender * threads;
  const auto bare = bareRate.find(options.kernel ? options.kernel : BestKernel());
  if (bare != bareRate.end()) state.counters["of bare"] = state.counters["cpu Git/s/core"] / bare->second;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::vector<BenchScene> scenes = {
      {"default", MakeView(400, 200, 0, 0, 2), 400},
      {"boundary", MakeView(1024, 5000, -0.75, 0.1, 0.05), 128},
      {"interior", MakeView(1024, 32767, -0.2, 0, 0.3), 128},
      {"deep", MakeView(1024, 20000, -0.743643887037151, 0.131825904205330, 1e-9), 128},
  };
  const int cores = Cores();
  std::printf(
      "Reference (1 thread); speedup = its time for the scene / the path's time; "
      "Git/s/core = 1e9 iterations per second per thread used, %d on all cores.\n"
      "cpu Git/s/core and cpu speedup: the same in processor time, as if every thread had a core "
      "to itself (on a busy machine, the figures to compare).\n",
      cores);
  for (BenchScene& s : scenes) MeasureReference(s);

  std::vector<const KernelRow*> kernels;
  for (const KernelRow& row : KernelTable()) {
    if (row.available())
      kernels.push_back(&row);
    else
      std::printf("%s: skipped, this processor lacks it\n", row.name);
  }
  for (const KernelRow* row : kernels) {
    if (!row->bareUpdates) continue;
    bareRate[row] = BareRate(row->bareUpdates, 0.5);
    std::printf("%s: the bare update runs at %.2f Git/s on one core\n", row->name, bareRate[row]);
  }
  std::printf("of bare = the row's cpu Git/s/core / its kernel's bare update rate above.\n");
  std::fflush(stdout);

  auto add = [](const std::string& name, const BenchScene& s, RenderOptions options) {
    benchmark::RegisterBenchmark(name.c_str(), Run, s, options)->UseManualTime()->Unit(benchmark::kMillisecond);
  };
  for (const KernelRow* row : kernels)
    if (row->bareUpdates)
      benchmark::RegisterBenchmark((std::string("bare update/") + row->name).c_str(), RunBare, row->bareUpdates)
          ->Iterations(1);
  for (const BenchScene& s : scenes) {
    for (int threads : {1, cores})
      for (const KernelRow* row : kernels)
        add(std::string(s.name) + "/" + row->name + "/" +
                (threads == 1 ? "1 thread" : std::to_string(threads) + " threads"),
            s, RenderOptions{row, threads});
    // The program's own call: the best kernel, other threads only for a long render.
    add(std::string(s.name) + "/as the program calls it", s, RenderOptions{});
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
