#include "tools/ImageWriter.h"

#include <zlib.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "files/Bmp.h"
#include "files/SafeFile.h"
#include "tools/PartFile.h"
#include "tools/PngWriter.h"
#include "tools/WorkerPool.h"

namespace {

// About the most samples a group holds, and the most memory the groups on
// their way hold together.
constexpr int kGroupSamples = 32768;
constexpr std::size_t kWindowBytes = 128 << 20;

// One image on its way to its file.
struct Frame {
  ViewParameters samples;  // the view at supersample times the pixels per unit
  ImageShape sampleShape;  // the image of those samples
  std::string path;
  int number, width, height, groupRows, groups;
};

// One group of rows, with buffers kept from group to group.
struct Slot {
  const Frame* frame = nullptr;
  int group = 0;
  std::vector<std::uint32_t> pixels;
  std::vector<std::uint8_t> packed, deflated;  // deflated: PNG only
  std::uint32_t adler = 0;
  std::uint64_t count = 0;
  std::future<void> done;
};

// The same view with n times the pixels per unit: left and top stay, and the
// scale is n * halfEdge / halfWidth, as the renderer divides.
ViewParameters Supersampled(const ViewParameters& view, int n) {
  ViewParameters samples = view;
  samples.edge = n * view.edge;
  samples.halfEdge = n * view.halfEdge;
  return samples;
}

// The samples of pixel (j, i) start at sample (n * j, n * i), so the square's
// offsets grow n times as well.
ImageShape Supersampled(const ImageShape& shape, int n) {
  return {n * shape.width, n * shape.height, n * shape.dx, n * shape.dy};
}

// Rows of a group: fixed by the image alone, never by the threads, so that a
// PNG is the same byte for byte however many compress it. Enough rows that
// the renderer's work per group stays small beside the render.
int GroupRows(int sampleWidth, int n) { return std::max(1, std::clamp(kGroupSamples / sampleWidth, 16, 64) / n); }

// The image rows of a group. A BMP's rows go bottom up, so its groups do.
void GroupSpan(const Frame& f, ImageFormat format, int group, int& first, int& rows) {
  const int start = group * f.groupRows, end = std::min(start + f.groupRows, f.height);
  first = format == ImageFormat::Png ? start : f.height - end;
  rows = end - start;
}

// Averages each n x n block of samples, channel by channel, rounded half up,
// into the first width x rows pixels: each is written only after its samples
// and those before it are read.
void Average(std::uint32_t* pixels, int width, int rows, int n) {
  const std::size_t sampleWidth = static_cast<std::size_t>(n) * width;
  const std::uint32_t area = n * n, half = area / 2;
  std::uint32_t* out = pixels;
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < width; ++j) {
      std::uint32_t r = 0, g = 0, b = 0;
      for (int t = 0; t < n; ++t) {
        const std::uint32_t* in = pixels + (static_cast<std::size_t>(i) * n + t) * sampleWidth + j * n;
        for (int s = 0; s < n; ++s) {
          r += in[s] >> 16 & 0xFF;
          g += in[s] >> 8 & 0xFF;
          b += in[s] & 0xFF;
        }
      }
      *out++ = (r + half) / area << 16 | (g + half) / area << 8 | (b + half) / area;
    }
  }
}

// Renders, averages and packs one group, on a worker.
void Draw(Slot& slot, ImageFormat format, int n, Kernel kernel) {
  const Frame& f = *slot.frame;
  int first, rows;
  GroupSpan(f, format, slot.group, first, rows);
  slot.pixels.resize(static_cast<std::size_t>(f.sampleShape.width) * rows * n);
  // The pool's threads are the render's: each group renders on one.
  slot.count = RenderRows(f.samples, f.sampleShape, first * n, rows * n, slot.pixels.data(), {kernel, 1});
  if (n > 1) Average(slot.pixels.data(), f.width, rows, n);
  if (format == ImageFormat::Bmp) {
    slot.packed.resize(static_cast<std::size_t>(Stride(f.width, 24)) * rows);
    PackRows24(slot.pixels.data(), f.width, rows, slot.packed.data());
  } else {
    FilterPngRows(slot.pixels.data(), f.width, rows, slot.packed);
    slot.adler = static_cast<std::uint32_t>(
        adler32(adler32(0, nullptr, 0), slot.packed.data(), static_cast<uInt>(slot.packed.size())));
    DeflatePngGroup(slot.packed, slot.group == f.groups - 1, slot.deflated);
  }
}

}  // namespace

void WriteBmpHeaders(SafeFile& file, int width, int height) {
  InfoHeader header;
  header.width = width;
  header.height = height;
  header.bitCount = 24;
  std::uint8_t block[kInfoHeaderSize];
  StoreInfoHeader(header, block);
  const BmpFile bmp = PrepareBmpFile(block).value();
  file.Write(bmp.fileHeader.data(), bmp.fileHeader.size());
  file.Write(block, sizeof block);
}

std::uint64_t WriteImages(const ImageSeries& series, const RenderOptions& options,
                          const std::function<void(int, double)>& progress) {
  const int n = series.supersample;
  const int workers = options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  const ImageShape shape = CentredShape(series.width, series.height);
  const int rows = GroupRows(n * shape.width, n), groups = (shape.height + rows - 1) / rows;
  // A band's groups, all of them unless a part is asked for; none is empty.
  if (series.parts > groups)
    throw std::runtime_error("an image of this size splits into at most " + std::to_string(groups) + " parts, not " +
                             std::to_string(series.parts));
  const int firstGroup = groups * (series.part - 1) / series.parts, endGroup = groups * series.part / series.parts;
  const std::size_t slotBytes = static_cast<std::size_t>(rows) * n * n * shape.width * 10;
  const std::size_t window = std::clamp<std::size_t>(kWindowBytes / slotBytes, 2, 2 * workers + 2);
  // Frames are made as their first group is handed out and dropped once written.
  std::deque<Frame> frames;
  std::vector<Slot> slots(window);
  int nextFrame = 1, nextGroup = firstGroup;
  WorkerPool pool(workers);  // gone before what its tasks use
  const auto handOut = [&](Slot& slot) {
    if (nextFrame > series.frames) return;
    if (nextGroup == firstGroup) {
      ViewParameters view = series.view(nextFrame);
      view.SetEdge(std::min(shape.width, shape.height));
      frames.push_back({Supersampled(view, n), Supersampled(shape, n), series.path(nextFrame), nextFrame, shape.width,
                        shape.height, rows, groups});
    }
    slot.frame = &frames.back();
    slot.group = nextGroup;
    slot.done = pool.Submit([&slot, &series, n, &options] { Draw(slot, series.format, n, options.kernel); });
    if (++nextGroup == endGroup) nextGroup = firstGroup, ++nextFrame;
  };
  for (Slot& slot : slots) handOut(slot);

  std::uint64_t total = 0;
  std::optional<SafeFile> file;
  std::optional<PngWriter> png;
  std::uint32_t adler = 0;
  const bool part = !series.partHead.empty();
  PartTail tail;
  for (std::size_t s = 0;; s = (s + 1) % window) {
    Slot& slot = slots[s];
    if (!slot.done.valid()) break;
    slot.done.get();
    const Frame& f = *slot.frame;
    if (slot.group == firstGroup) {
      file.emplace(f.path);
      adler = static_cast<std::uint32_t>(adler32(0, nullptr, 0));
      if (part) {
        file->Write(series.partHead.data(), series.partHead.size());
        tail = {};
      } else if (series.format == ImageFormat::Png) {
        png.emplace(*file, f.width, f.height);
      } else {
        WriteBmpHeaders(*file, f.width, f.height);
      }
    }
    total += slot.count;
    if (series.format == ImageFormat::Png)
      adler = static_cast<std::uint32_t>(adler32_combine(adler, slot.adler, static_cast<z_off_t>(slot.packed.size())));
    if (part) {
      const std::vector<std::uint8_t>& data = series.format == ImageFormat::Png ? slot.deflated : slot.packed;
      file->Write(data.data(), data.size());
      tail.crc = static_cast<std::uint32_t>(crc32(tail.crc, data.data(), static_cast<uInt>(data.size())));
      tail.length += data.size();
      tail.rawLength += slot.packed.size();
    } else if (png) {
      png->Append(slot.deflated);
    } else {
      file->Write(slot.packed.data(), slot.packed.size());
    }
    const int group = slot.group;
    const bool last = group == endGroup - 1;
    if (last) {
      if (part) tail.adler = adler, WritePartTail(*file, tail);
      if (png) png->Finish(adler);
      png.reset();
      file->Commit();
      file.reset();
    }
    progress(f.number, static_cast<double>(group + 1 - firstGroup) / (endGroup - firstGroup));
    if (last) frames.pop_front();
    handOut(slot);
  }
  return total;
}
