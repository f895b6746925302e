// The same pixels on every build: the constants were taken from the host
// build, and the Windows builds run this test under Wine. Render is held to
// them too, so each build proves its fastest kernel on its own platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "Scenes.h"
#include "view/Renderer.h"

namespace {

std::uint64_t Fnv1a(const std::vector<std::uint32_t>& pixels) {
  std::uint64_t hash = 0xCBF29CE484222325;
  for (std::uint32_t p : pixels)
    for (int b = 0; b < 4; ++b) hash = (hash ^ (p >> 8 * b & 0xFF)) * 0x100000001B3;
  return hash;
}

struct Expected {
  std::uint64_t total;
  std::uint64_t checksum;
};

TEST(Checksum, ScenesRenderTheSameEverywhere) {
  const Expected expected[] = {
      {3541531u, 0xD6CF285ABF1147E8},   // default
      {8601895u, 0xDA83625A901D21D5},   // deep zoom
      {12773761u, 0x09F82610A7EE14B6},  // long orbits
      {289u, 0x3E923B9D22ADBC75},       // one iteration
      {2673508u, 0xB7E915AA8BBCF7D3},   // odd edge
      {30u, 0x4CA9F8952BF60275},        // edge 1: NaN points
      {189u, 0x471FCDA0ECE463BE},       // edge 3
      {8448u, 0xEA8342FA0A7C7B25},      // subnormal half-width
      {256u, 0xADB79A6E1A66C325},       // huge half-width
  };
  const std::vector<Scene> scenes = Scenes();
  ASSERT_EQ(scenes.size(), std::size(expected));
  for (std::size_t s = 0; s < scenes.size(); ++s) {
    const ViewParameters& view = scenes[s].view;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(view.edge) * view.edge);
    const std::uint64_t total = RenderScalar(view, pixels.data());
    const std::uint64_t checksum = Fnv1a(pixels);
    EXPECT_TRUE(total == expected[s].total && checksum == expected[s].checksum)
        << scenes[s].name << ": {" << total << "u, 0x" << std::hex << std::uppercase << checksum << "}";
    std::fill(pixels.begin(), pixels.end(), 0);
    const std::uint64_t fastTotal = Render(view, pixels.data());
    EXPECT_TRUE(fastTotal == expected[s].total && Fnv1a(pixels) == expected[s].checksum)
        << scenes[s].name << " with " << KernelName(BestKernel()) << ": " << fastTotal;
  }
}

}  // namespace
