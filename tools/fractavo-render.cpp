// Renders a view, or a zoom sequence of views, to BMP or PNG files without a
// window, over the same core as the program, and reports how fast it went.
// Images are drawn and written a band of rows at a time, so memory stays
// bounded at any size.
#include <algorithm>
#include <chrono>
#include <cmath>
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

#include "files/Bmp.h"
#include "files/SpotRecord.h"
#include "tools/OutputFile.h"
#include "tools/PngWriter.h"
#include "tools/RenderArguments.h"
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
    "  --size N             image edge in pixels, 16..65536 (BMP: up to 37837)\n"
    "                       (default 400)\n"
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
    "  --threads N          threads to render with, 1..256 (default: one per\n"
    "                       processor, started once the render proves long)\n"
    "  --quiet, -q          no progress line\n"
    "  --help               show this text\n"
    "\n"
    "Options other than --spot override what the Spot file holds. A zoom sequence\n"
    "takes only the centre and half-width from the --zoom-to file.\n";

// Most pixels a band holds: with the renderer's own copy, 64 MB.
constexpr std::size_t kBandPixels = 8 << 20;

SpotRecord ReadSpot(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(kSpotRecordSize);
  if (!file) throw std::runtime_error("cannot open Spot file " + path);
  file.read(reinterpret_cast<char*>(bytes.data()), kSpotRecordSize);
  if (file.bad()) throw std::runtime_error("cannot read Spot file " + path);
  const std::optional<SpotRecord> spot = DecodeSpot(bytes.data(), static_cast<std::size_t>(file.gcount()));
  if (!spot) throw std::runtime_error(path + " does not appear to be a valid Spot file");
  return *spot;
}

ViewParameters MakeView(const RenderArguments& o) {
  ViewParameters view;
  if (o.spot) ApplySpot(ReadSpot(*o.spot), view);
  view.SetEdge(o.size);
  view.maxIterations = o.iterations.value_or(view.maxIterations);
  view.inColour = o.in.value_or(view.inColour);
  view.outColour = o.out.value_or(view.outColour);
  view.centreX = o.centreX.value_or(view.centreX);
  view.centreY = o.centreY.value_or(view.centreY);
  view.halfWidth = o.halfWidth.value_or(view.halfWidth);
  view.ComputeGradient();
  return view;
}

// Frame k of n on the way from the base view to the target region. The
// half-width changes by the same factor each frame, and the centre moves so
// that the point of the plane where the two views would meet stays in place
// on screen. The first and last frames are the two views exactly.
ViewParameters ZoomFrame(const ViewParameters& base, const SpotRecord& target, int k, int n) {
  ViewParameters view = base;
  if (k == n) {
    view.centreX = target.centreX, view.centreY = target.centreY, view.halfWidth = target.halfWidth;
  } else if (k > 1) {
    const double t = static_cast<double>(k - 1) / (n - 1);
    const double w0 = base.halfWidth, w1 = target.halfWidth;
    view.halfWidth = w0 * std::pow(w1 / w0, t);
    // With no change of size there is no fixed point, only a pan.
    const double moved = w0 == w1 ? t : (w0 - view.halfWidth) / (w0 - w1);
    view.centreX = base.centreX + (target.centreX - base.centreX) * moved;
    view.centreY = base.centreY + (target.centreY - base.centreY) * moved;
  }
  return view;
}

bool ErrorIsTerminal() {
#ifdef _WIN32
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;  // NUL is a character device too
#else
  return isatty(2) != 0;
#endif
}

std::string HoursMinutes(double seconds) {
  const long s = std::lround(seconds);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// One line on a terminal, rewritten in place at most ten times a second once
// the work has run for a second.
class Progress {
 public:
  Progress(bool shown, int frames) : shown_(shown), frames_(frames) {}
  ~Progress() {
    if (width_ > 0) std::fprintf(stderr, "\r%*s\r", width_, "");
  }

  // done: the part of frame (from 1) finished, 0 to 1.
  void Update(int frame, double done) {
    if (!shown_) return;
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (elapsed < 1 || now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const double part = (frame - 1 + done) / frames_;
    std::string line = std::to_string(static_cast<int>(part * 100)) + "%  " + HoursMinutes(elapsed) + " elapsed";
    if (part > 0) line += ", " + HoursMinutes(elapsed * (1 - part) / part) + " left";
    if (frames_ > 1) line += "  frame " + std::to_string(frame) + " of " + std::to_string(frames_);
    const int width = static_cast<int>(line.size());
    std::fprintf(stderr, "\r%s%*s", line.c_str(), std::max(width_ - width, 0), "");
    std::fflush(stderr);
    width_ = std::max(width_, width);
  }

 private:
  const bool shown_;
  const int frames_;
  const Clock::time_point start_ = Clock::now();
  Clock::time_point last_ = start_;
  int width_ = 0;
};

// Draws the view into path band by band, in the order the format keeps its
// rows (a BMP's go bottom up). Returns the total of the counts.
std::uint64_t WriteImage(const ViewParameters& view, const std::string& path, ImageFormat format,
                         const RenderOptions& options, Progress& progress, int frame) {
  const int edge = view.edge;
  const int bandRows = static_cast<int>(std::min<std::size_t>(kBandPixels / edge, std::max(256, edge / 100)));
  const int bands = (edge + bandRows - 1) / bandRows;
  std::vector<std::uint32_t> band(static_cast<std::size_t>(edge) * std::min(bandRows, edge));
  OutputFile file(path);
  std::optional<PngWriter> png;
  if (format == ImageFormat::Png) {
    png.emplace(file, edge, edge);
  } else {
    InfoHeader header;
    header.width = header.height = edge;
    header.bitCount = 24;
    std::uint8_t block[kInfoHeaderSize];
    StoreInfoHeader(header, block);
    const BmpFile bmp = PrepareBmpFile(block).value();
    file.Write(bmp.fileHeader.data(), bmp.fileHeader.size());
    file.Write(block, sizeof block);
  }
  std::uint64_t total = 0;
  for (int b = 0; b < bands; ++b) {
    const int first = (format == ImageFormat::Png ? b : bands - 1 - b) * bandRows;
    const int rows = std::min(bandRows, edge - first);
    total += RenderRows(view, first, rows, band.data(), options);
    if (png) {
      for (int i = 0; i < rows; ++i) png->WriteRow(band.data() + static_cast<std::size_t>(i) * edge);
    } else {
      const std::vector<std::uint8_t> packed = PackedDib24(band.data(), edge, rows);
      file.Write(packed.data() + kInfoHeaderSize, packed.size() - kInfoHeaderSize);
    }
    progress.Update(frame, static_cast<double>(b + 1) / bands);
  }
  png.reset();
  file.Commit();
  return total;
}

int Run(const RenderArguments& o) {
  // Falling back would make a comparison of kernels quietly compare the wrong ones.
  if (!KernelAvailable(o.render.kernel))
    throw std::runtime_error(std::string("this processor cannot run the ") + KernelName(o.render.kernel) +
                             " kernel");
  const Kernel kernel = o.render.kernel == Kernel::Auto ? BestKernel() : o.render.kernel;
  // Left to itself, Render starts the other threads only for a long render.
  const std::string threads = o.render.threads == 1 ? "1 thread"
                              : o.render.threads > 1 ? std::to_string(o.render.threads) + " threads"
                                                     : "up to " + std::to_string(std::max(1u, std::thread::hardware_concurrency())) + " threads";
  const ViewParameters view = MakeView(o);
  std::optional<SpotRecord> target;
  if (o.zoomTo) target = ReadSpot(*o.zoomTo);
  const int frames = target ? o.frames : 1;
  std::uint64_t total = 0;
  const Clock::time_point start = Clock::now();
  {
    Progress progress(!o.quiet && ErrorIsTerminal(), frames);  // its line is gone before the summary
    for (int k = 1; k <= frames; ++k) {
      if (target)
        total += WriteImage(ZoomFrame(view, *target, k, frames), o.pattern.Name(k), o.format, o.render, progress, k);
      else
        total += WriteImage(view, o.output, o.format, o.render, progress, k);
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%s: ", o.output.c_str());
  if (target) std::printf("%d frames, %.3g frames/s, ", frames, frames / seconds);
  std::printf("%dx%d, %d iterations, %.3f s, %llu iterations in total, %.3g iterations/s, kernel %s, %s\n",
              view.edge, view.edge, view.maxIterations, seconds, static_cast<unsigned long long>(total),
              seconds > 0 ? total / seconds : 0.0, KernelName(kernel), threads.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // Past a file size limit a write should fail, not end the program before it
  // can clean up.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  try {
    const ParsedArguments parsed = ParseRenderArguments(argc, argv);
    if (!parsed.error.empty()) {
      std::fprintf(stderr, "fractavo-render: %s\nTry 'fractavo-render --help'.\n", parsed.error.c_str());
      return 2;
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
