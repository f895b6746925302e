#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryProfile.h"
#include "app/Settings.h"
#include "view/ViewParameters.h"

namespace {

// Remembers which names were read, in order.
class ReadLog : public MemoryProfile {
 public:
  int ReadInt(const char* name, int defaultValue) const override {
    reads.push_back(name);
    return MemoryProfile::ReadInt(name, defaultValue);
  }
  mutable std::vector<std::string> reads;
};

TEST(Settings, DefaultsWhenNothingIsStoredAndNothingIsWritten) {
  ReadLog profile;
  const Settings s = ReadSettings(profile);
  EXPECT_EQ(s.inColour, 0x400040u);
  EXPECT_EQ(s.outColour, 0xC0C0C0u);
  EXPECT_EQ(s.force24Bit, 1);
  EXPECT_EQ(s.zoomRate, 3);
  EXPECT_EQ(s.maxIterations, 200);
  EXPECT_EQ(s.edge, 400);
  EXPECT_EQ(profile.reads, (std::vector<std::string>{"In Color", "Out Color", "Force 24-bit", "Zoom Rate",
                                                     "Max Iterations", "Window Size"}));
  EXPECT_TRUE(profile.writes.empty());
}

TEST(Settings, WindowSizeIsClampedOnEveryRead) {
  MemoryProfile profile;
  for (auto [stored, used] : {std::pair{50, 128}, {127, 128}, {128, 128}, {1024, 1024}, {2000, 1024}}) {
    profile.values["Window Size"] = stored;
    EXPECT_EQ(ReadWindowSize(profile), used) << stored;
    EXPECT_EQ(ReadSettings(profile).edge, used) << stored;
  }
}

TEST(Settings, WritesAllSixInOrder) {
  MemoryProfile profile;
  WriteSettings(profile, Settings{0x123456, 0xFFFFFF, 0, 50, 32767, 1024});
  using W = std::pair<std::string, int>;
  EXPECT_EQ(profile.writes, (std::vector<W>{{"In Color", 0x123456},
                                            {"Out Color", 0xFFFFFF},
                                            {"Force 24-bit", 0},
                                            {"Zoom Rate", 50},
                                            {"Max Iterations", 32767},
                                            {"Window Size", 1024}}));
}

TEST(Settings, ViewTakesZoomRateAndIterationsBelowOneAsOne) {
  MemoryProfile profile;
  profile.values = {{"Zoom Rate", 0}, {"Max Iterations", -5}, {"Window Size", 2000}};
  const ViewParameters view(profile);
  EXPECT_EQ(view.zoomRate, 1);
  EXPECT_EQ(view.maxIterations, 1);
  EXPECT_EQ(view.edge, 1024);
  EXPECT_EQ(view.halfEdge, 512);
  EXPECT_EQ(view.stepRed, -128.0);  // finite: one step covers the whole gradient
}

TEST(Settings, ViewKeepsZoomRateAboveTheDialogRangeButNotAnIterationLimit) {
  MemoryProfile profile;
  profile.values = {{"Zoom Rate", 99}, {"Max Iterations", 100000}, {"In Color", 0x01ABCDEF}};
  const ViewParameters view(profile);
  EXPECT_EQ(view.zoomRate, 99);
  EXPECT_EQ(view.maxIterations, 32767);  // a Spot file holds no more
  EXPECT_EQ(view.inColour, 0x01ABCDEFu);
  EXPECT_EQ(view.AsSettings().maxIterations, 32767);
}

}  // namespace
