#include "files/BitmapCapture.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "files/Bmp.h"
#include "files/SafeFile.h"
#include "framework/Gdi.h"

namespace {

// The first 255 entries of the system palette, as they are now.
CPalette CaptureSystemPalette(HDC dc) {
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(::GetSystemPaletteEntries(dc, 0, 255, log->palPalEntry));
  CPalette palette;
  if (log->palNumEntries != 0) palette.CreatePalette(log);
  return palette;
}

}  // namespace

bool SaveBmp(HDC sourceDC, CPoint origin, CSize size, const char* path, bool force24Bit) {
  CDC copyDC;
  CBitmap copy;
  if (!copyDC.CreateCompatibleDC(sourceDC) || !copy.CreateCompatibleBitmap(sourceDC, size.cx, size.cy)) return false;
  {
    CSelectObject selected(copyDC.get(), copy.get());
    ::BitBlt(copyDC.get(), 0, 0, size.cx, size.cy, sourceDC, origin.x, origin.y, SRCCOPY);
  }
  CPalette palette;
  if (::GetDeviceCaps(sourceDC, RASTERCAPS) & RC_PALETTE) palette = CaptureSystemPalette(sourceDC);
  const PackedDib block = CreatePackedDib(copy.get(), palette.get(), force24Bit);
  return block && WritePackedDib(path, block.get());
}

PackedDib CreatePackedDib(HBITMAP bitmap, HPALETTE palette, bool force24Bit) {
  if (!palette) palette = static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
  BITMAP description;
  if (!::GetObjectA(bitmap, sizeof description, &description)) return nullptr;
  InfoHeader header;
  header.width = description.bmWidth;
  header.height = description.bmHeight;
  header.bitCount = static_cast<std::uint16_t>(description.bmPlanes * description.bmBitsPixel);
  if (force24Bit && (header.bitCount == 16 || header.bitCount == 32)) header.bitCount = 24;
  const std::size_t preparedTable = ColourTableSize(header);

  CClientDC screen(nullptr);
  CSelectPalette selected(screen.get(), palette, FALSE);
  ::RealizePalette(screen.get());

  {
    // The platform completes the header: image size, perhaps a colour count.
    std::vector<BYTE> info(kInfoHeaderSize + preparedTable);
    StoreInfoHeader(header, info.data());
    ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(header.height), nullptr,
                reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    header = ReadInfoHeader(info.data());
  }
  // The writer writes the computed size, so the block must hold at least that.
  header.sizeImage = std::max(header.sizeImage, ImageSize(header));
  const std::size_t table = ColourTableSize(header);
  const std::size_t length = kInfoHeaderSize + std::max(preparedTable, table) + header.sizeImage;
  PackedDib block(static_cast<BYTE*>(::VirtualAlloc(nullptr, length, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)));
  if (!block) return nullptr;
  StoreInfoHeader(header, block.get());
  if (!::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(header.height), block.get() + kInfoHeaderSize + table,
                   reinterpret_cast<BITMAPINFO*>(block.get()), DIB_RGB_COLORS))
    return nullptr;
  return block;
}

bool WritePackedDib(const char* path, BYTE* block) {
  const std::optional<BmpFile> file = PrepareBmpFile(block);
  if (!file) return false;
  try {
    SafeFile out(path);
    out.Write(file->fileHeader.data(), kFileHeaderSize);
    out.Write(block, file->blockLength);
    out.Commit();
    return true;
  } catch (const FileError&) {
    return false;
  }
}
