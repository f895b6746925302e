// An 8-bit RGB PNG, compressed and written a row at a time, so memory does not
// grow with the image.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "tools/OutputFile.h"

class PngWriter {
 public:
  // Writes the signature and header at once.
  PngWriter(OutputFile& file, int width, int height);
  ~PngWriter();
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  // width 0x00RRGGBB pixels; the last of height rows also ends the file.
  void WriteRow(const std::uint32_t* pixels);

 private:
  void Chunk(const char* type, const std::uint8_t* data, std::size_t size);
  void Compress(int flush);

  OutputFile& file_;
  z_stream stream_{};
  int width_, rowsLeft_;
  std::vector<std::uint8_t> row_, compressed_;
};
