// Any info header through the layout arithmetic and the writer: a header
// that is accepted gives sizes that agree with each other and with exact
// arithmetic, and the file written to memory never reaches past the block.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/Bmp.h"

namespace {

std::uint32_t Load32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Expect(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "BMP layout: %s\n", what);
  std::abort();
}

// What the header calls for, without any wrap-around; 0 where no exact size exists.
std::uint64_t ExactBlockLength(const InfoHeader& h) {
  if (h.width <= 0 || h.height <= 0) return 0;
  const std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
  std::uint64_t table = 4 * static_cast<std::uint64_t>(h.clrUsed);
  if (h.clrUsed == 0) table = h.bitCount == 1 ? 8 : h.bitCount == 4 ? 64 : h.bitCount == 8 ? 1024 : 0;
  return kInfoHeaderSize + table + stride * static_cast<std::uint64_t>(h.height);
}

void ExpectFileHeader(const BmpFile& file, const InfoHeader& h, const std::uint8_t* prepared) {
  const std::uint64_t exact = ExactBlockLength(h);
  Expect(exact != 0 && file.blockLength == exact, "block length");
  Expect(kFileHeaderSize + exact <= 0xFFFFFFFF, "a file larger than its size field");
  const std::uint8_t* f = file.fileHeader.data();
  Expect(f[0] == 'B' && f[1] == 'M', "signature");
  Expect(Load32(f + 2) == kFileHeaderSize + exact, "file size");
  const std::uint32_t offBits = Load32(f + 10);
  Expect(offBits >= kFileHeaderSize + kInfoHeaderSize && offBits <= kFileHeaderSize + exact, "pixel offset");
  Expect(Load32(prepared + 20) == kFileHeaderSize + exact - offBits, "image size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, kInfoHeaderSize> header{};
  std::memcpy(header.data(), data, std::min(size, header.size()));
  const InfoHeader h = ReadInfoHeader(header.data());
  ColourTableSize(h);
  Stride(h.width, h.bitCount);
  ImageSize(h);
  if (const std::optional<BmpFile> file = PrepareBmpFile(header.data())) ExpectFileHeader(*file, h, header.data());

  // The input as a whole block, written to memory.
  if (size < kInfoHeaderSize) return 0;
  std::vector<std::uint8_t> block(data, data + size);
  const std::optional<std::vector<std::uint8_t>> bytes = BmpFileBytes(block);
  if (!bytes) return 0;
  Expect(bytes->size() >= kFileHeaderSize && bytes->size() - kFileHeaderSize <= size, "more bytes than the block");
  Expect(Load32(bytes->data() + 2) == bytes->size(), "file size against bytes written");
  std::vector<std::uint8_t> expected(data, data + (bytes->size() - kFileHeaderSize));
  std::memcpy(expected.data() + 20, bytes->data() + kFileHeaderSize + 20, 4);  // the size the writer stores
  Expect(std::equal(expected.begin(), expected.end(), bytes->begin() + kFileHeaderSize), "block copied");
  return 0;
}
