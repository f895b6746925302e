// Reads the clipboard from a process of its own, as another program would.
//   clipboard-probe picture.ppm   a bitmap: prints "bitmap W H" and writes it as a PPM
//   clipboard-probe               text: prints "text " and the text
// Exits 1 when the clipboard cannot be opened or holds neither.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

bool OpenWithPatience() {
  for (int i = 0; i < 50; ++i) {
    if (::OpenClipboard(nullptr)) return true;
    ::Sleep(100);
  }
  return false;
}

bool WritePicture(HBITMAP bitmap, const char* path) {
  BITMAP shape = {};
  if (!::GetObjectA(bitmap, sizeof shape, &shape)) return false;
  std::printf("bitmap %ld %ld\n", static_cast<long>(shape.bmWidth), static_cast<long>(shape.bmHeight));

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shape.bmWidth;
  info.bmiHeader.biHeight = -shape.bmHeight;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<size_t>(shape.bmWidth) * static_cast<size_t>(shape.bmHeight));
  HDC screen = ::GetDC(nullptr);
  int rows = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(shape.bmHeight), pixels.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  if (rows != shape.bmHeight) return false;

  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  std::fprintf(out, "P6\n%ld %ld\n255\n", static_cast<long>(shape.bmWidth), static_cast<long>(shape.bmHeight));
  for (std::uint32_t p : pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, out);
  }
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!OpenWithPatience()) {
    std::fprintf(stderr, "clipboard-probe: cannot open the clipboard\n");
    return 1;
  }
  bool found = false;
  if (argc > 1) {
    if (auto bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP))) found = WritePicture(bitmap, argv[1]);
  } else if (HANDLE block = ::GetClipboardData(CF_TEXT)) {
    if (auto* text = static_cast<const char*>(::GlobalLock(block))) {
      std::printf("text %s\n", text);
      ::GlobalUnlock(block);
      found = true;
    }
  }
  ::CloseClipboard();
  if (!found) std::fprintf(stderr, "clipboard-probe: nothing of that kind on the clipboard\n");
  return found ? 0 : 1;
}
