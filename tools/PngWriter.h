// An 8-bit RGB PNG, compressed and written a row at a time, so memory does not
// grow with the image.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "files/SafeFile.h"

class PngWriter {
 public:
  // Writes the signature and header at once.
  PngWriter(SafeFile& file, int width, int height);
  ~PngWriter();
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  // width 0x00RRGGBB pixels; the last of height rows also ends the file.
  void WriteRow(const std::uint32_t* pixels);

 private:
  void Chunk(const char* type, const std::uint8_t* data, std::size_t size);
  void Compress(int flush);

  SafeFile& m_file;
  z_stream m_stream{};
  int m_width, m_rowsLeft;
  std::vector<std::uint8_t> m_row, m_compressed;
};
