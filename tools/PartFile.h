// One band of rows of an image, rendered apart (--shard K/N) into a part file
// beside the target, NAME.partKofN, and the join that copies the parts' data
// into the target without decompressing or rendering anything again.
//
// A part is a text head: "fractavo-render part", the lines naming its render
// (version, view, size, format, supersampling) and "part K of N", then an
// empty line. Then the data: deflated row groups (PNG) or packed rows (BMP).
// Then a fixed tail, known only once the data is written: the data's length,
// its crc32, the Adler-32 and length of the rows it compresses, and "PEND".
#pragma once

#include <cstdint>
#include <string>

#include "files/SafeFile.h"
#include "tools/RenderArguments.h"

std::string PartName(const std::string& target, int part, int parts);

// render: the lines naming the render, each ending in '\n', the first
// "version X".
std::string PartHead(const std::string& render, int part, int parts);

struct PartTail {
  std::uint64_t length = 0;
  std::uint32_t crc = 0;
  std::uint32_t adler = 1;  // of no bytes
  std::uint64_t rawLength = 0;
};

void WritePartTail(SafeFile& file, const PartTail& tail);

// Writes target from all its parts, after checking that they are there, whole
// and of one render by this version. Throws, leaving no target, if not.
// Returns the number of parts.
int JoinParts(const std::string& target, ImageFormat format, const std::string& version);
