#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "tools/ImageWriter.h"
#include "view/Renderer.h"

namespace {

// Each pixel of a supersampled image is the rounded average of its samples,
// which are the pixels of the render with three times the half edge: for an
// odd edge not the render of three times the edge.
TEST(ImageWriter, SupersampledPixelsAverageTheRenderWithThreeTimesTheHalfEdge) {
  ViewParameters view;
  view.SetEdge(33);
  view.centreX = -0.75, view.centreY = 0.1, view.halfWidth = 0.05;
  view.maxIterations = 500;
  view.inColour = MakeColour(0, 0, 0);
  view.outColour = MakeColour(255, 255, 255);
  view.ComputeGradient();
  ViewParameters samples = view;
  samples.edge = 99;
  samples.halfEdge = 48;
  std::vector<std::uint32_t> fine(99 * 99);
  const std::uint64_t count = Render(samples, fine.data());

  ImageSeries series;
  series.view = [&](int) { return view; };
  series.path = [](int) { return std::string("supersampled.bmp"); };
  series.width = series.height = 33;
  series.supersample = 3;
  EXPECT_EQ(WriteImages(series, {nullptr, 3}, [](int, double) {}), count);
  std::ifstream file("supersampled.bmp", std::ios::binary);
  const std::vector<std::uint8_t> bmp{std::istreambuf_iterator<char>(file), {}};
  file.close();
  std::remove("supersampled.bmp");
  const int stride = 100;
  ASSERT_EQ(bmp.size(), 54u + stride * 33);

  int mixed = 0;
  for (int i = 0; i < 33; ++i) {
    for (int j = 0; j < 33; ++j) {
      const std::uint8_t* written = &bmp[54 + (32 - i) * stride + 3 * j];
      for (int c = 0; c < 3; ++c) {  // blue, green, red
        int sum = 0;
        for (int t = 0; t < 3; ++t)
          for (int s = 0; s < 3; ++s) sum += fine[(3 * i + t) * 99 + 3 * j + s] >> (8 * c) & 0xFF;
        ASSERT_EQ(written[c], (sum + 4) / 9) << "pixel " << j << ", " << i;
        mixed += sum % 9 != 0;
      }
    }
  }
  EXPECT_GT(mixed, 100);  // the view has edges for the average to blur
}

// The image's pixels, top row first, read back from the BMP the writer makes.
std::vector<std::uint32_t> Write(const ViewParameters& view, int width, int height, int supersample) {
  ImageSeries series;
  series.view = [&](int) { return view; };
  series.path = [](int) { return std::string("shaped.bmp"); };
  series.width = width, series.height = height;
  series.supersample = supersample;
  WriteImages(series, {nullptr, 2}, [](int, double) {});
  std::ifstream file("shaped.bmp", std::ios::binary);
  const std::vector<std::uint8_t> bmp{std::istreambuf_iterator<char>(file), {}};
  file.close();
  std::remove("shaped.bmp");
  const std::size_t stride = (3 * width + 3) / 4 * 4;
  EXPECT_EQ(bmp.size(), 54 + stride * height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (int i = 0; i < height && bmp.size() == 54 + stride * height; ++i)
    for (int j = 0; j < width; ++j) {
      const std::uint8_t* p = &bmp[54 + (height - 1 - i) * stride + 3 * j];
      pixels[static_cast<std::size_t>(i) * width + j] = p[2] << 16 | p[1] << 8 | p[0];
    }
  return pixels;
}

// A wide or tall image holds the square of its shorter side at its centre,
// supersampled or not, and extends the square's lattice past it.
TEST(ImageWriter, OtherShapesCentreTheSquareAndExtendItsLattice) {
  ViewParameters view;
  view.centreX = -0.75, view.centreY = 0.1, view.halfWidth = 0.3;
  view.maxIterations = 300;
  view.ComputeGradient();
  view.SetEdge(200);
  const PixelMapping m = view.Mapping();
  for (const int n : {1, 2}) {
    const std::vector<std::uint32_t> square = Write(view, 200, 200, n);
    for (const auto& [width, height] : {std::pair{301, 200}, std::pair{200, 333}}) {
      const std::vector<std::uint32_t> image = Write(view, width, height, n);
      const int dx = (width - 200) / 2, dy = (height - 200) / 2;
      for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(std::equal(&square[i * 200], &square[i * 200 + 200], &image[(i + dy) * width + dx]))
            << width << "x" << height << ", supersample " << n << ", row " << i;
      if (n > 1) continue;
      // Column 0 of the wide image and row 0 of the tall one lie outside the square.
      for (int k = 0; k < 200; ++k) {
        const int j = width > height ? 0 : k, i = width > height ? k : 0;
        const double x = (j - dx) / m.scale + m.left, y = m.top - (i - dy) / m.scale;
        ASSERT_EQ(image[i * width + j], DibPixel(PixelColour(view, IterateScalar(x, y, 300))))
            << width << "x" << height << ", pixel " << j << ", " << i;
      }
    }
  }
}

}  // namespace
