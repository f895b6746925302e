#include <gtest/gtest.h>

#include <vector>

#include "files/Bmp.h"

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A block as the platform hands it over: header, table, rows.
std::vector<std::uint8_t> Block(int width, int height, std::uint16_t bitCount, std::uint32_t clrUsed = 0) {
  InfoHeader h;
  h.width = width;
  h.height = height;
  h.bitCount = bitCount;
  h.clrUsed = clrUsed;
  std::vector<std::uint8_t> block(kInfoHeaderSize + ColourTableSize(h) + ImageSize(h));
  StoreInfoHeader(h, block.data());
  return block;
}

TEST(Bmp, ColourTableSize) {
  InfoHeader h;
  for (auto [bits, bytes] : {std::pair{1, 8}, {2, 0}, {4, 64}, {8, 1024}, {16, 0}, {24, 0}, {32, 0}}) {
    h.bitCount = static_cast<std::uint16_t>(bits);
    EXPECT_EQ(ColourTableSize(h), bytes) << bits;
  }
  h.clrUsed = 16;
  EXPECT_EQ(ColourTableSize(h), 64);
}

TEST(Bmp, FileSizesAndOffsets) {
  struct Case {
    int edge, bits;
    std::uint32_t fileSize, offBits, stride;
  };
  // The platform may leave biSizeImage 0: the writer stores the computed size.
  for (const Case c :
       {Case{400, 24, 480054, 54, 1200}, Case{400, 32, 640054, 54, 1600}, Case{401, 24, 482858, 54, 1204},
        Case{400, 16, 320054, 54, 800}, Case{400, 8, 161078, 1078, 400}}) {
    std::vector<std::uint8_t> block = Block(c.edge, c.edge, static_cast<std::uint16_t>(c.bits));
    EXPECT_EQ(Stride(c.edge, static_cast<std::uint16_t>(c.bits)), c.stride);
    const std::optional<std::vector<std::uint8_t>> file = BmpFileBytes(block);
    ASSERT_TRUE(file) << c.bits;
    EXPECT_EQ(file->size(), c.fileSize) << c.bits;
    EXPECT_EQ((*file)[0], 'B');
    EXPECT_EQ((*file)[1], 'M');
    EXPECT_EQ(U32(*file, 2), c.fileSize);
    EXPECT_EQ(U32(*file, 6), 0u);
    EXPECT_EQ(U32(*file, 10), c.offBits);
    EXPECT_EQ(U32(*file, 14 + 20), c.stride * c.edge);  // biSizeImage
  }
}

TEST(Bmp, RefusesOtherHeadersAndShortBlocks) {
  std::vector<std::uint8_t> block = Block(4, 4, 24);
  block[0] = 108;  // a larger header version
  EXPECT_FALSE(PrepareBmpFile(block.data()));
  EXPECT_FALSE(BmpFileBytes(block));
  EXPECT_FALSE(BmpFileBytes(std::vector<std::uint8_t>(39)));
  std::vector<std::uint8_t> truncated = Block(4, 4, 24);
  truncated.pop_back();
  EXPECT_FALSE(BmpFileBytes(truncated));
}

TEST(Bmp, PackedDib24IsBottomUpBgrWithPaddedRows) {
  // 3 x 2 pixels, 0x00RRGGBB, top row first.
  const std::uint32_t pixels[] = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112};
  const std::vector<std::uint8_t> block = PackedDib24(pixels, 3, 2);
  ASSERT_EQ(block.size(), 40u + 2 * 12);
  const InfoHeader h = ReadInfoHeader(block.data());
  EXPECT_EQ(h.size, 40u);
  EXPECT_EQ(h.width, 3);
  EXPECT_EQ(h.height, 2);
  EXPECT_EQ(h.planes, 1);
  EXPECT_EQ(h.bitCount, 24);
  EXPECT_EQ(h.compression, 0u);
  EXPECT_EQ(h.sizeImage, 24u);
  EXPECT_EQ(h.clrUsed, 0u);
  const std::vector<std::uint8_t> rows(block.begin() + 40, block.end());
  EXPECT_EQ(rows, (std::vector<std::uint8_t>{0x0C, 0x0B, 0x0A, 0x0F, 0x0E, 0x0D, 0x12, 0x11, 0x10, 0, 0, 0,
                                             0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0, 0, 0}));
  const std::optional<std::vector<std::uint8_t>> file = BmpFileBytes(block);
  ASSERT_TRUE(file);
  EXPECT_EQ(std::vector<std::uint8_t>(file->begin() + 14, file->end()), block);
}

}  // namespace
