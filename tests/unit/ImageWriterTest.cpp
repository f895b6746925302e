#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/ImageWriter.h"

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

}  // namespace
