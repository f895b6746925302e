#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "MemoryProfile.h"
#include "files/SpotRecord.h"

namespace {

std::uint64_t Bits(double d) {
  std::uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}

TEST(Spot, LayoutIsLittleEndianWithZeroReserved) {
  SpotRecord r;
  r.halfWidth = 2.0;  // 0x4000000000000000
  r.centreX = -0.0;
  r.centreY = 1.0;  // 0x3FF0000000000000
  r.inColour = 0x400040;
  r.outColour = 0xC0C0C0;
  r.maxIterations = 0x1234;
  const auto b = EncodeSpot(r);
  const std::uint8_t expected[40] = {0,    0,    0,    0, 0,    0,    0, 0x40, 0,    0,    0,    0, 0,    0,
                                     0,    0x80, 0,    0, 0,    0,    0, 0,    0xF0, 0x3F, 0x40, 0, 0x40, 0,
                                     0xC0, 0xC0, 0xC0, 0, 0x34, 0x12, 0, 0,    0,    0,    0,    0};
  EXPECT_EQ(std::memcmp(b.data(), expected, 40), 0);
}

TEST(Spot, RoundTripsBitForBit) {
  const double values[] = {-0.0,
                           5e-324,
                           2.2250738585072009e-308,
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::max(),
                           0.1,
                           -0.743643887037151};
  for (double v : values) {
    SpotRecord r;
    r.halfWidth = std::fabs(v) > 0 ? std::fabs(v) : 1e-300;
    r.centreX = v;
    r.centreY = -v;
    r.inColour = 0xFFFFFFFF;
    r.outColour = 0;
    r.maxIterations = 32767;
    const auto bytes = EncodeSpot(r);
    const std::optional<SpotRecord> back = DecodeSpot(bytes.data(), bytes.size());
    ASSERT_TRUE(back) << v;
    EXPECT_EQ(Bits(back->halfWidth), Bits(r.halfWidth));
    EXPECT_EQ(Bits(back->centreX), Bits(r.centreX));
    EXPECT_EQ(Bits(back->centreY), Bits(r.centreY));
    EXPECT_EQ(back->inColour, r.inColour);
    EXPECT_EQ(back->outColour, r.outColour);
    EXPECT_EQ(back->maxIterations, r.maxIterations);
  }
}

TEST(Spot, LengthDecides) {
  const auto bytes = EncodeSpot(SpotRecord{2.0, 0, 0, 1, 2, 200});
  std::uint8_t longer[41] = {};
  std::memcpy(longer, bytes.data(), 40);
  longer[40] = 0x55;
  EXPECT_TRUE(DecodeSpot(longer, 41));
  EXPECT_FALSE(DecodeSpot(bytes.data(), 39));
  EXPECT_FALSE(DecodeSpot(bytes.data(), 0));
}

TEST(Spot, RefusesValuesThatWouldHangOrDrawGarbage) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const SpotRecord good{2.0, 0, 0, 1, 2, 200};
  auto decodes = [](const SpotRecord& r) { return DecodeSpot(EncodeSpot(r).data(), kSpotRecordSize).has_value(); };
  ASSERT_TRUE(decodes(good));
  for (double hw : {0.0, -0.0, -1.0, inf, nan}) {
    SpotRecord r = good;
    r.halfWidth = hw;
    EXPECT_FALSE(decodes(r)) << hw;
  }
  for (double c : {inf, -inf, nan}) {
    SpotRecord r = good;
    r.centreX = c;
    EXPECT_FALSE(decodes(r)) << c;
    r = good;
    r.centreY = c;
    EXPECT_FALSE(decodes(r)) << c;
  }
  for (int n : {0, -1, 32768, std::numeric_limits<int>::min()}) {
    SpotRecord r = good;
    r.maxIterations = n;
    EXPECT_FALSE(decodes(r)) << n;
  }
  SpotRecord edge = good;
  edge.maxIterations = 1;
  EXPECT_TRUE(decodes(edge));
}

// Clicks at the corners at the highest zoom rate, in and out, and a limit
// stored by hand: whatever the view reaches, Save Spot writes a record that
// Load Spot takes back as it was.
TEST(Spot, EveryViewTheProgramReachesSavesASpotThatLoads) {
  MemoryProfile profile;
  profile.values = {{"Zoom Rate", 50}, {"Max Iterations", 100000}};
  ViewParameters view(profile);
  auto expectLoads = [&view](int click) {
    const auto bytes = EncodeSpot(MakeSpot(view));
    const std::optional<SpotRecord> loaded = DecodeSpot(bytes.data(), bytes.size());
    ASSERT_TRUE(loaded) << "click " << click << ": half-width " << view.halfWidth << ", centre " << view.centreX << ", "
                        << view.centreY << ", limit " << view.maxIterations;
    EXPECT_EQ(EncodeSpot(*loaded), bytes);
  };
  expectLoads(0);
  for (int direction : {+1, -1}) {
    for (int click = 1; click <= 400; ++click) {
      view.ZoomAt(click % 2 ? 0 : view.edge - 1, click % 3 ? 0 : view.edge - 1, direction);
      expectLoads(click * direction);
    }
    // Both ends were reached: the smallest half-width there is, and one near the largest.
    EXPECT_TRUE(direction > 0 ? view.halfWidth < 1e-300 : view.halfWidth > 1e300) << view.halfWidth;
  }
}

}  // namespace
