// An 8-bit RGB PNG whose rows are filtered and compressed a group at a time,
// each group on any thread, and written in order, so memory does not grow
// with the image and every core can compress.
#pragma once

#include <cstdint>
#include <vector>

#include "files/SafeFile.h"

// Rows of width 0x00RRGGBB pixels as the bytes the PNG compresses, each with its filter.
void FilterPngRows(const std::uint32_t* pixels, int width, int rows, std::vector<std::uint8_t>& filtered);

// Compresses a group of filtered rows into a piece of the image's one deflate
// stream: the pieces joined in order make the stream, the last one ending it.
void DeflatePngGroup(const std::vector<std::uint8_t>& filtered, bool last, std::vector<std::uint8_t>& deflated);

class PngWriter {
 public:
  // Writes the signature and header at once.
  PngWriter(SafeFile& file, int width, int height);
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  void Append(const std::vector<std::uint8_t>& deflated);
  // Ends the stream with the Adler-32 of every filtered byte, and the file.
  void Finish(std::uint32_t adler);

 private:
  void Chunk(const char* type, const std::uint8_t* data, std::size_t size);

  SafeFile& m_file;
  std::vector<std::uint8_t> m_pending;  // the next IDAT chunk's data
};
