#include "tools/ImageWriter.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "files/Bmp.h"
#include "files/SafeFile.h"
#include "tools/PngWriter.h"

namespace {

// Most pixels a band holds: with the renderer's own copy, 64 MB.
constexpr std::size_t kBandPixels = 8 << 20;

void WriteBmpHeaders(SafeFile& file, int edge) {
  InfoHeader header;
  header.width = header.height = edge;
  header.bitCount = 24;
  std::uint8_t block[kInfoHeaderSize];
  StoreInfoHeader(header, block);
  const BmpFile bmp = PrepareBmpFile(block).value();
  file.Write(bmp.fileHeader.data(), bmp.fileHeader.size());
  file.Write(block, sizeof block);
}

}  // namespace

// Bands go in the order the format keeps its rows: a BMP's go bottom up.
std::uint64_t WriteImage(const ViewParameters& view, const std::string& path, ImageFormat format,
                         const RenderOptions& options, const std::function<void(double)>& progress) {
  const int edge = view.edge;
  const int bandRows = static_cast<int>(std::min<std::size_t>(kBandPixels / edge, std::max(256, edge / 100)));
  const int bands = (edge + bandRows - 1) / bandRows;
  std::vector<std::uint32_t> band(static_cast<std::size_t>(edge) * std::min(bandRows, edge));
  SafeFile file(path);
  std::optional<PngWriter> png;
  if (format == ImageFormat::Png)
    png.emplace(file, edge, edge);
  else
    WriteBmpHeaders(file, edge);
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
    progress(static_cast<double>(b + 1) / bands);
  }
  png.reset();
  file.Commit();
  return total;
}
