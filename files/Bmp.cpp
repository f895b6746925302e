#include "files/Bmp.h"

#include <algorithm>

#include "files/ByteOrder.h"

namespace {

constexpr std::size_t kSizeImageOffset = 20;

// A bottom-up bitmap of a depth the program writes, with a table of at most
// 256 entries, whose whole file fits the 32-bit sizes a BMP file carries: the
// arithmetic below is then exact.
bool Writable(const InfoHeader& h) {
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    default: return false;
  }
  if (h.width <= 0 || h.height <= 0 || h.clrUsed > 256) return false;
  const std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
  return kFileHeaderSize + kInfoHeaderSize + 4 * 256 + stride * static_cast<std::uint64_t>(h.height) <= 0xFFFFFFFF;
}

}  // namespace

InfoHeader ReadInfoHeader(const std::uint8_t* b) {
  InfoHeader h;
  h.size = LoadLe32(b);
  h.width = static_cast<std::int32_t>(LoadLe32(b + 4));
  h.height = static_cast<std::int32_t>(LoadLe32(b + 8));
  h.planes = LoadLe16(b + 12);
  h.bitCount = LoadLe16(b + 14);
  h.compression = LoadLe32(b + 16);
  h.sizeImage = LoadLe32(b + kSizeImageOffset);
  h.xPelsPerMeter = static_cast<std::int32_t>(LoadLe32(b + 24));
  h.yPelsPerMeter = static_cast<std::int32_t>(LoadLe32(b + 28));
  h.clrUsed = LoadLe32(b + 32);
  h.clrImportant = LoadLe32(b + 36);
  return h;
}

void StoreInfoHeader(const InfoHeader& h, std::uint8_t* b) {
  StoreLe32(b, h.size);
  StoreLe32(b + 4, static_cast<std::uint32_t>(h.width));
  StoreLe32(b + 8, static_cast<std::uint32_t>(h.height));
  StoreLe16(b + 12, h.planes);
  StoreLe16(b + 14, h.bitCount);
  StoreLe32(b + 16, h.compression);
  StoreLe32(b + kSizeImageOffset, h.sizeImage);
  StoreLe32(b + 24, static_cast<std::uint32_t>(h.xPelsPerMeter));
  StoreLe32(b + 28, static_cast<std::uint32_t>(h.yPelsPerMeter));
  StoreLe32(b + 32, h.clrUsed);
  StoreLe32(b + 36, h.clrImportant);
}

std::uint16_t ColourTableSize(const InfoHeader& h) {
  if (h.clrUsed != 0) return static_cast<std::uint16_t>(4 * h.clrUsed);
  switch (h.bitCount) {
    case 1: return 8;
    case 4: return 64;
    case 8: return 1024;
    default: return 0;
  }
}

std::uint32_t Stride(std::int32_t width, std::uint16_t bitCount) {
  // Width times depth may pass 32 bits even where the stride does not.
  return static_cast<std::uint32_t>((std::uint64_t{static_cast<std::uint32_t>(width)} * bitCount + 31) / 32 * 4);
}

std::uint32_t ImageSize(const InfoHeader& h) {
  return Stride(h.width, h.bitCount) * static_cast<std::uint32_t>(h.height);
}

std::optional<BmpFile> PrepareBmpFile(std::uint8_t* block) {
  const InfoHeader h = ReadInfoHeader(block);
  if (h.size != kInfoHeaderSize || !Writable(h)) return std::nullopt;
  const std::uint32_t tableSize = ColourTableSize(h);
  const std::uint32_t imageSize = ImageSize(h);
  StoreLe32(block + kSizeImageOffset, imageSize);

  BmpFile file{};
  file.blockLength = kInfoHeaderSize + tableSize + imageSize;
  std::uint8_t* f = file.fileHeader.data();
  StoreLe16(f, 0x4D42);  // "BM"
  StoreLe32(f + 2, static_cast<std::uint32_t>(kFileHeaderSize + file.blockLength));
  StoreLe32(f + 10, static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + tableSize));
  return file;
}

void PackRows24(const std::uint32_t* pixels, int width, int rows, std::uint8_t* out) {
  const std::uint32_t stride = Stride(width, 24);
  for (int row = rows - 1; row >= 0; --row, out += stride) {
    const std::uint32_t* in = pixels + static_cast<std::size_t>(row) * width;
    for (int j = 0; j < width; ++j) {
      out[3 * j] = static_cast<std::uint8_t>(in[j]);
      out[3 * j + 1] = static_cast<std::uint8_t>(in[j] >> 8);
      out[3 * j + 2] = static_cast<std::uint8_t>(in[j] >> 16);
    }
    std::fill(out + 3 * static_cast<std::size_t>(width), out + stride, 0);
  }
}

std::vector<std::uint8_t> PackedDib24(const std::uint32_t* pixels, int width, int height) {
  InfoHeader h;
  h.width = width;
  h.height = height;
  h.bitCount = 24;
  const std::uint32_t stride = Stride(width, 24);
  h.sizeImage = stride * static_cast<std::uint32_t>(height);

  std::vector<std::uint8_t> block(kInfoHeaderSize + h.sizeImage);
  StoreInfoHeader(h, block.data());
  PackRows24(pixels, width, height, block.data() + kInfoHeaderSize);
  return block;
}

std::optional<std::vector<std::uint8_t>> BmpFileBytes(std::vector<std::uint8_t> block) {
  if (block.size() < kInfoHeaderSize) return std::nullopt;
  const std::optional<BmpFile> file = PrepareBmpFile(block.data());
  // A header that claims more than the block holds would read past its end.
  if (!file || file->blockLength > block.size()) return std::nullopt;
  std::vector<std::uint8_t> bytes(file->fileHeader.begin(), file->fileHeader.end());
  bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(file->blockLength));
  return bytes;
}
