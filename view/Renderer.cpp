#include "view/Renderer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

#include "view/KernelTable.h"
#include "view/PixelFeed.h"

int IterateScalar(double x, double y, int limit) {
  int k = 0;
  if (limit <= 0) return k;
  double zr = 0.0, zi = 0.0;
  for (;;) {
    if (zr * zr + zi * zi >= 4.0) break;
    ++k;
    const double t = x + (zr * zr - zi * zi);
    zi = y - (zr * zi * -2.0);
    zr = t;
    if (k >= limit) break;
  }
  return k;
}

std::int64_t ClockTicks() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

Colour PixelColour(const ViewParameters& view, int k) {
  const double kd = k;
  // The product is truncated before the add; MakeColour keeps the low 8 bits.
  return MakeColour(Red(view.outColour) + static_cast<int>(kd * view.stepRed),
                    Green(view.outColour) + static_cast<int>(kd * view.stepGreen),
                    Blue(view.outColour) + static_cast<int>(kd * view.stepBlue));
}

std::uint32_t DibColour(const ViewParameters& view, int k) { return DibPixel(PixelColour(view, k)); }

std::uint64_t RenderScalar(const ViewParameters& view, std::uint32_t* pixels) {
  const PixelMapping m = view.Mapping();
  std::uint64_t total = 0;
  for (int i = 0; i < view.edge; ++i) {
    const double y = m.top - i / m.scale;
    for (int j = 0; j < view.edge; ++j) {
      const double x = j / m.scale + m.left;
      const int k = IterateScalar(x, y, view.maxIterations);
      total += k;
      *pixels++ = DibColour(view, k);
    }
  }
  return total;
}

namespace {

// A kernel this processor lacks falls back to the best one it has.
const KernelRow& KernelFor(Kernel kernel) { return kernel && kernel->available() ? *kernel : *BestKernel(); }

// Renders every pixel of the job, on as many threads as the options allow.
std::uint64_t RenderJob(PixelJob& job, const RenderOptions& options) {
  const auto kernel = KernelFor(options.kernel).render;
  std::uint64_t firstPart = 0;
  if (options.threads == 0) {
    // Starting threads costs milliseconds under Wine, more than a small render
    // takes, so this thread works alone until the render proves long.
    job.deadline = (std::chrono::steady_clock::now() + std::chrono::milliseconds(2)).time_since_epoch().count();
    firstPart = kernel(job);
    job.deadline = 0;
    if (*job.nextPixel >= job.width * job.rows) return firstPart;
  }
  std::atomic<std::uint64_t> total{firstPart};
  auto work = [&] { total += kernel(job); };

  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  const int threads = std::max(options.threads > 0 ? options.threads : cores, 1);
  std::vector<std::thread> helpers;
  helpers.reserve(threads - 1);  // so that only starting a thread can fail below
  try {
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads only make it slower.
  }
  work();
  for (std::thread& t : helpers) t.join();
  return total;
}

}  // namespace

const char* KernelName(Kernel kernel) { return kernel ? kernel->name : "auto"; }

bool KernelAvailable(Kernel kernel) { return !kernel || kernel->available(); }

Kernel BestKernel() {
  Kernel best = &KernelTable().front();  // the plain loop
  for (const KernelRow& row : KernelTable())
    if (row.available()) best = &row;
  return best;
}

std::uint64_t Render(const ViewParameters& view, std::uint32_t* pixels, const RenderOptions& options) {
  return RenderRows(view, 0, view.edge, pixels, options);
}

std::uint64_t RenderRows(const ViewParameters& view, int firstRow, int rows, std::uint32_t* pixels,
                         const RenderOptions& options) {
  return RenderRows(view, {view.edge, view.edge, 0, 0}, firstRow, rows, pixels, options);
}

ImageShape CentredShape(int width, int height) {
  const int square = std::min(width, height);
  return {width, height, (width - square) / 2, (height - square) / 2};
}

std::uint64_t RenderRows(const ViewParameters& view, const ImageShape& shape, int firstRow, int rows,
                         std::uint32_t* pixels, const RenderOptions& options) {
  const PixelMapping m = view.Mapping();
  const int width = std::max(shape.width, 0);
  rows = std::max(rows, 0);
  const int limit = std::max(view.maxIterations, 0);
  if (limit == 0 || width == 0) {
    std::fill_n(pixels, static_cast<std::size_t>(width) * rows, DibColour(view, 0));
    return 0;
  }
  // Any limit the Options dialog allows fits; a larger one stored in the
  // registry by hand must not cost gigabytes.
  std::vector<std::uint32_t> palette(std::min(limit, 65535) + 1);
  for (int k = 0; k < static_cast<int>(palette.size()); ++k) palette[k] = DibColour(view, k);
  // The same x and y per pixel as a whole image's, whichever rows are drawn.
  std::vector<double> xs(width), ys(rows);
  for (int j = 0; j < width; ++j) xs[j] = (j - shape.dx) / m.scale + m.left;
  for (int i = 0; i < rows; ++i) ys[i] = m.top - (firstRow + i - shape.dy) / m.scale;

  // A job counts its pixels in an int.
  const int rowsPerJob = std::max(1, (1 << 30) / width);
  std::uint64_t total = 0;
  for (int done = 0; done < rows; done += rowsPerJob) {
    int nextPixel = 0;
    PixelJob job{xs.data(),
                 ys.data() + done,
                 width,
                 std::min(rowsPerJob, rows - done),
                 limit,
                 &view,
                 palette.data(),
                 static_cast<int>(palette.size()) - 1,
                 pixels + static_cast<std::size_t>(done) * width,
                 &nextPixel,
                 0};
    total += RenderJob(job, options);
  }
  return total;
}
