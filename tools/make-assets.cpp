// Writes the binary resources: the program's icon, drawn by the renderer, and
// the link's hand cursor, drawn from the table below. The outputs are
// committed; run this again only to change them:
//   build/host/make-assets res
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "files/Bmp.h"
#include "files/ByteOrder.h"
#include "view/Renderer.h"
#include "view/ViewParameters.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, unsigned value) {
  std::uint8_t bytes[2];
  StoreLe16(bytes, static_cast<std::uint16_t>(value));
  out.insert(out.end(), bytes, bytes + 2);
}

void Put32(Bytes& out, std::uint32_t value) {
  std::uint8_t bytes[4];
  StoreLe32(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

// One square image of an icon or a cursor. Pixels are top-down: 0x00RRGGBB
// at 32 bits, palette indices below that. Transparent pixels must hold black
// (index 0 when paletted) so that the AND mask alone lets the screen through.
struct Image {
  int size;
  int bitCount;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint32_t> pixels;
  std::vector<bool> transparent;
};

// The image as the resource stores it: an info header of twice the height,
// the colour table, the colour rows and then the 1-bit AND mask, both
// bottom-up.
Bytes Dib(const Image& image) {
  const int n = image.size;
  const int colourRow = static_cast<int>(Stride(n, static_cast<std::uint16_t>(image.bitCount)));
  const int maskRow = static_cast<int>(Stride(n, 1));
  Bytes out;
  Put32(out, 40);
  Put32(out, n);
  Put32(out, 2 * n);
  Put16(out, 1);
  Put16(out, image.bitCount);
  Put32(out, 0);  // BI_RGB
  Put32(out, (colourRow + maskRow) * n);
  for (int i = 0; i < 4; ++i) Put32(out, 0);

  if (image.bitCount <= 8) {
    for (std::size_t i = 0; i < (1u << image.bitCount); ++i) {
      Put32(out, i < image.palette.size() ? image.palette[i] : 0);
    }
  }
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(colourRow, 0);
    for (int x = 0; x < n; ++x) {
      const std::uint32_t p = image.pixels[y * n + x];
      if (image.bitCount == 32) {
        const std::uint32_t alpha = image.transparent[y * n + x] ? 0 : 0xFF;
        for (int c = 0; c < 4; ++c) row[4 * x + c] = (p | alpha << 24) >> (8 * c) & 0xFF;
      } else {
        const int bit = x * image.bitCount;
        row[bit / 8] |= p << (8 - image.bitCount - bit % 8);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(maskRow, 0);
    for (int x = 0; x < n; ++x) {
      if (image.transparent[y * n + x]) row[x / 8] |= 0x80 >> (x % 8);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// An .ico (hotSpot null) or .cur file: the directory, then the images.
Bytes IconFile(const std::vector<Image>& images, const int* hotSpot) {
  Bytes out;
  Put16(out, 0);
  Put16(out, hotSpot ? 2 : 1);
  Put16(out, images.size());
  std::vector<Bytes> dibs;
  for (const Image& image : images) dibs.push_back(Dib(image));
  std::uint32_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const Image& image = images[i];
    out.push_back(image.size);
    out.push_back(image.size);
    out.push_back(image.bitCount < 8 ? 1 << image.bitCount : 0);
    out.push_back(0);
    Put16(out, hotSpot ? hotSpot[0] : 1);
    Put16(out, hotSpot ? hotSpot[1] : image.bitCount);
    Put32(out, dibs[i].size());
    Put32(out, offset);
    offset += dibs[i].size();
  }
  for (const Bytes& dib : dibs) out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

// The whole set in the program's own in colour on light blue, with few enough
// iterations that the gradient shows at icon size, on a tile with rounded
// corners.
Image FractalIcon(int size, int bitCount) {
  ViewParameters view;
  view.SetEdge(size);
  view.centreX = -0.65;
  view.halfWidth = 1.45;
  view.maxIterations = 16;
  view.outColour = 0xF0D0A0;
  view.ComputeGradient();

  Image image{size, bitCount, {}, std::vector<std::uint32_t>(size * size), std::vector<bool>(size * size)};
  RenderScalar(view, image.pixels.data());

  const int corner = size / 8;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const int dx = std::max(0, std::max(corner - x, x - (size - 1 - corner)));
      const int dy = std::max(0, std::max(corner - y, y - (size - 1 - corner)));
      if (dx * dx + dy * dy > corner * corner) {
        image.transparent[y * size + x] = true;
        image.pixels[y * size + x] = 0;
      }
    }
  }
  if (bitCount == 8) {
    // Exact colours: the gradient has fewer steps than the table has room.
    image.palette = {0};
    for (std::uint32_t& p : image.pixels) {
      std::size_t index = 0;
      while (index < image.palette.size() && image.palette[index] != p) ++index;
      if (index == image.palette.size()) image.palette.push_back(p);
      p = index;
    }
  }
  return image;
}

// A white hand with a black outline, the index finger up; the hot spot is the
// finger's tip, (6, 0). Anything not drawn is transparent.
const char* const kHand[] = {
    "     ##",           "    #..#",          "    #..#",          "    #..#",          "    #..#",
    "    #..###",        "    #..#..###",     "    #..#..#..###",  "    #..#..#..#..#", " ## #..#..#..#..#",
    "#..##..#..#..#..#", "#...#...........#", "#...............#", " #..............#", " #..............#",
    "  #.............#", "  #............#",  "   #...........#",  "   #..........#",   "    #.........#",
    "    #.........#",   "    ###########",
};

Image HandCursor() {
  const int n = 32;
  Image image{n, 1, {0x000000, 0xFFFFFF}, std::vector<std::uint32_t>(n * n, 0), std::vector<bool>(n * n, true)};
  for (std::size_t y = 0; y < sizeof kHand / sizeof kHand[0]; ++y) {
    for (std::size_t x = 0; kHand[y][x]; ++x) {
      const char c = kHand[y][x];
      if (c == ' ') continue;
      image.transparent[y * n + x] = false;
      image.pixels[y * n + x] = c == '.' ? 1 : 0;
    }
  }
  return image;
}

bool Write(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  file.close();
  if (!file) {
    std::fprintf(stderr, "make-assets: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s (%zu bytes)\n", path.c_str(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: make-assets [DIR]   (default: res)\n");
    return 2;
  }
  const std::string dir = argc == 2 ? argv[1] : "res";
  const std::vector<Image> icon = {FractalIcon(32, 32), FractalIcon(16, 32), FractalIcon(32, 8), FractalIcon(16, 8)};
  const int hotSpot[2] = {6, 0};
  const bool ok = Write(dir + "/fractavo.ico", IconFile(icon, nullptr)) &&
                  Write(dir + "/hand.cur", IconFile({HandCursor()}, hotSpot));
  return ok ? 0 : 1;
}
