// The BMP file as the program writes it: a 14-byte file header in front of a
// packed bitmap block (40-byte info header, colour table, bottom-up rows).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// BITMAPINFOHEADER's fields; serialised little-endian, 40 bytes.
struct InfoHeader {
  std::uint32_t size = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};

constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;

InfoHeader ReadInfoHeader(const std::uint8_t* bytes);
void StoreInfoHeader(const InfoHeader& header, std::uint8_t* bytes);

// Bytes of colour table the header calls for.
std::uint16_t ColourTableSize(const InfoHeader& header);
std::uint32_t Stride(std::int32_t width, std::uint16_t bitCount);
std::uint32_t ImageSize(const InfoHeader& header);

// What to write for a packed block: the file header, and how many bytes of
// the block follow it.
struct BmpFile {
  std::array<std::uint8_t, kFileHeaderSize> fileHeader;
  std::size_t blockLength;
};

// Refuses a block whose header size is not 40, or whose sizes a BMP file
// cannot carry (no rows, a top-down or oversized image, an odd depth or a
// table of more than 256 colours); otherwise stores the computed
// image size into the block's header, so the file always carries it.
std::optional<BmpFile> PrepareBmpFile(std::uint8_t* block);

// Top-down 0x00RRGGBB pixels as a 24-bit BMP stores their rows: bottom row
// first, blue first, each row padded with zeros to Stride(width, 24) bytes.
void PackRows24(const std::uint32_t* pixels, int width, int rows, std::uint8_t* out);

// A 24-bit packed block of top-down 0x00RRGGBB pixels, laid out as the
// platform's conversion of a 32-bit bitmap lays it out.
std::vector<std::uint8_t> PackedDib24(const std::uint32_t* pixels, int width, int height);

// The whole file for a packed block, or nothing when the block is refused.
std::optional<std::vector<std::uint8_t>> BmpFileBytes(std::vector<std::uint8_t> block);
