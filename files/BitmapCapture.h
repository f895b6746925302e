// Writing part of any device context to a BMP file, converted by the
// platform to the display's depth (or 24 bits).
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Types.h"

struct VirtualFreeBlock {
  void operator()(BYTE* block) const { ::VirtualFree(block, 0, MEM_RELEASE); }
};
// A packed bitmap: 40-byte info header, colour table, bottom-up rows.
using PackedDib = std::unique_ptr<BYTE, VirtualFreeBlock>;

// Copies the size rectangle at origin and writes it to path; 16- and 32-bit
// images become 24-bit when force24Bit. False when no file was written, and
// then an existing file at path is unchanged.
bool SaveBmp(HDC sourceDC, CPoint origin, CSize size, const char* path, bool force24Bit);

// The bitmap, selected into no device context, as the platform converts it
// through the palette (or the default one). Empty on failure.
PackedDib CreatePackedDib(HBITMAP bitmap, HPALETTE palette, bool force24Bit);

// Writes the file header and the block in two writes. False, with the target
// unchanged, when the header's size is not 40 or the file cannot be written.
bool WritePackedDib(const char* path, BYTE* block);
