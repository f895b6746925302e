// Renders a view, or a zoom sequence of views, to BMP or PNG files without a
// window, over the same core as the program, and reports how fast it went.
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "files/SafeFile.h"
#include "files/SpotRecord.h"
#include "tools/ImageWriter.h"
#include "tools/PartFile.h"
#include "tools/Progress.h"
#include "tools/RenderArguments.h"
#include "tools/ZoomPath.h"
#include "view/Renderer.h"
#include "view/ViewParameters.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "Usage: fractavo-render [options]\n"
    "Renders a view of the escape-time set to a 24-bit BMP or PNG file, or a zoom\n"
    "sequence of views to numbered files.\n"
    "\n"
    "  --spot FILE          start from the view saved in a Spot file (.spt)\n"
    "  --size N, --size WxH image edge, or width and height, in pixels, each\n"
    "                       16..65536; a BMP holds at most 4 GiB (default 400)\n"
    "  -o FILE              output file, .bmp or .png (default fractavo.bmp)\n"
    "  --iterations N       iteration limit, 1..32767 (default 200)\n"
    "  --in #RRGGBB         colour at the iteration limit (default #400040)\n"
    "  --out #RRGGBB        colour of the background (default #C0C0C0)\n"
    "  --centre X,Y         centre of the view (default 0,0)\n"
    "  --half-width W       half the side of the view, > 0 (default 2)\n"
    "  --zoom-to FILE       zoom from the view to the region of this Spot file\n"
    "  --frames N           in N frames, 2..100000; -o is then a pattern with one\n"
    "                       %d for the frame number, from 1, e.g. frame%04d.png\n"
    "  --kernel NAME        scalar, sse2, avx2, avx512, or auto for the widest this\n"
    "                       processor has (default auto)\n"
    "  --supersample N      each pixel the average of N x N samples, 1..8\n"
    "                       (default 1)\n"
    "  --threads N          threads to render and compress with, 1..256 (default:\n"
    "                       one per processor)\n"
    "  --shard K/N          render only frames K, K+N, K+2N, ... of the sequence, so\n"
    "                       that N processes share it; --shard slurm takes K and N\n"
    "                       from a Slurm array job. Of a single image, render band\n"
    "                       K of N of its rows into FILE.partKofN\n"
    "  --join FILE          write FILE from all its parts FILE.part*ofN, after\n"
    "                       checking that they are whole and of one render; the\n"
    "                       parts are kept\n"
    "  --overwrite          render frames whose file exists too; a sequence\n"
    "                       otherwise skips them, to resume a stopped run\n"
    "  --quiet, -q          no progress line\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "Options other than --spot override what the Spot file holds. A zoom sequence\n"
    "takes only the centre and half-width from the --zoom-to file.\n";

// Takes the view saved in the Spot file at path into view, as the program's
// Load Spot does.
void ReadSpot(const std::string& path, ViewParameters& view) {
  std::ifstream file(path, std::ios::binary);
  std::array<std::uint8_t, kSpotRecordSize> bytes{};
  if (!file) throw std::runtime_error("cannot open Spot file " + path);
  file.read(reinterpret_cast<char*>(bytes.data()), kSpotRecordSize);
  if (file.bad()) throw std::runtime_error("cannot read Spot file " + path);
  if (!LoadSpot(bytes.data(), static_cast<std::size_t>(file.gcount()), view))
    throw std::runtime_error(path + " does not appear to be a valid Spot file");
}

ViewParameters MakeView(const RenderArguments& o) {
  ViewParameters view;
  if (o.spot) ReadSpot(*o.spot, view);
  view.maxIterations = o.iterations.value_or(view.maxIterations);
  view.inColour = o.in.value_or(view.inColour);
  view.outColour = o.out.value_or(view.outColour);
  view.centreX = o.centreX.value_or(view.centreX);
  view.centreY = o.centreY.value_or(view.centreY);
  view.halfWidth = o.halfWidth.value_or(view.halfWidth);
  view.ComputeGradient();
  return view;
}

// What makes the pixels of a single image, for its parts to be checked
// against each other: floats in hexadecimal, exact.
std::string RenderText(const RenderArguments& o, const ViewParameters& view) {
  char text[512];
  std::snprintf(text, sizeof text,
                "version %s\nview centre %a,%a half-width %a iterations %d in #%06X out #%06X\nsize %dx%d\n"
                "format %s\nsupersample %d\n",
                FRACTAVO_VERSION, view.centreX, view.centreY, view.halfWidth, view.maxIterations,
                static_cast<unsigned>(view.inColour), static_cast<unsigned>(view.outColour), o.width, o.height,
                o.format == ImageFormat::Png ? "png" : "bmp", o.supersample);
  return text;
}

// An interrupted run removes its temporary files and ends as an interrupted
// program does; finished files stay.
#ifdef _WIN32
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  SafeFile::RemoveTemporaryFiles();
  // The status the system's own handler gives, so that callers see the usual
  // interrupt; terminating runs nothing more in a process stopped mid-write.
  ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

void HandleInterrupts() { ::SetConsoleCtrlHandler(OnControl, TRUE); }
#else
extern "C" void OnSignal(int signal) {
  SafeFile::RemoveTemporaryFiles();
  _exit(128 + signal);
}

void HandleInterrupts() {
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    struct sigaction before {};
    sigaction(signal, &action, &before);
    // A signal ignored from the start (nohup, a background job) stays ignored.
    if (before.sa_handler == SIG_IGN) sigaction(signal, &before, nullptr);
  }
}
#endif

int Run(const RenderArguments& o) {
  if (o.join) {
    const int parts = JoinParts(o.output, o.format, FRACTAVO_VERSION);
    std::printf("%s: joined from %d parts\n", o.output.c_str(), parts);
    return 0;
  }
  // Falling back would make a comparison of kernels quietly compare the wrong ones.
  if (!KernelAvailable(o.render.kernel))
    throw std::runtime_error(std::string("this processor cannot run the ") + KernelName(o.render.kernel) + " kernel");
  const Kernel kernel = o.render.kernel ? o.render.kernel : BestKernel();
  const int workers = o.render.threads > 0 ? o.render.threads : std::max(1u, std::thread::hardware_concurrency());
  const std::string threads = workers == 1 ? "1 thread" : std::to_string(workers) + " threads";
  const ViewParameters view = MakeView(o);
  std::optional<ViewParameters> target;
  if (o.zoomTo) ReadSpot(*o.zoomTo, target.emplace());
  // This shard's frames, less those a stopped run finished: a file with a
  // frame's name is always whole, as every file is written whole or not at all.
  std::vector<int> todo;
  int skipped = 0;
  if (target) {
    for (int k = o.shard; k <= o.frames; k += o.shards) {
      if (!o.overwrite && std::ifstream(o.pattern.Name(k)))
        ++skipped;
      else
        todo.push_back(k);
    }
  }
  const int frames = target ? static_cast<int>(todo.size()) : 1;
  ImageSeries series;
  series.frames = frames;
  series.view = [&](int k) { return target ? ZoomFrame(view, *target, todo[k - 1], o.frames) : view; };
  const bool part = !target && o.shards > 1;
  const std::string output = part ? PartName(o.output, o.shard, o.shards) : o.output;
  series.path = [&](int k) { return target ? o.pattern.Name(todo[k - 1]) : output; };
  if (part) {
    series.partHead = PartHead(RenderText(o, view), o.shard, o.shards);
    series.part = o.shard;
    series.parts = o.shards;
  }
  series.width = o.width;
  series.height = o.height;
  series.format = o.format;
  series.supersample = o.supersample;
  std::uint64_t total = 0;
  const Clock::time_point start = Clock::now();
  {
    // Its line is gone before the summary.
    Progress progress(!o.quiet, frames, std::to_string(o.width) + "x" + std::to_string(o.height));
    total = WriteImages(series, {kernel, workers}, [&progress](int k, double done) { progress.Update(k, done); });
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%s: ", output.c_str());
  if (target) {
    std::printf("%d frame%s, ", frames, frames == 1 ? "" : "s");
    if (skipped) std::printf("%d frame%s skipped, ", skipped, skipped == 1 ? "" : "s");
    std::printf("%.3g frames/s, ", seconds > 0 ? frames / seconds : 0.0);
  }
  std::printf(
      "%dx%d, %d iterations, %.3f s, %llu iterations in total, %.3g iterations/s, supersample %d, "
      "kernel %s, %s\n",
      o.width, o.height, view.maxIterations, seconds, static_cast<unsigned long long>(total),
      seconds > 0 ? total / seconds : 0.0, o.supersample, KernelName(kernel), threads.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // Past a file size limit a write should fail, not end the program before it
  // can clean up.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  HandleInterrupts();
  try {
    const ParsedArguments parsed = ParseRenderArguments(argc, argv);
    if (!parsed.error.empty()) {
      std::fprintf(stderr, "fractavo-render: %s\nTry 'fractavo-render --help'.\n", parsed.error.c_str());
      return 2;
    }
    if (parsed.version) {
      std::puts("fractavo-render " FRACTAVO_VERSION);
      return 0;
    }
    if (!parsed.arguments) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    return Run(*parsed.arguments);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "fractavo-render: not enough memory for an image of that size\n");
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fractavo-render: %s\n", e.what());
    return 1;
  }
}
