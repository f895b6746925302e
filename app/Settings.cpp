#include "app/Settings.h"

#include <algorithm>

int ClampWindowSize(int size) { return std::clamp(size, setting::kMinWindowSize, setting::kMaxWindowSize); }

int ReadWindowSize(const Profile& profile) {
  return ClampWindowSize(profile.ReadInt(setting::kWindowSize, setting::kDefaultWindowSize));
}

Settings ReadSettings(const Profile& profile) {
  using namespace setting;
  Settings s;
  // Colours are stored as the DWORD's bits.
  s.inColour = static_cast<Colour>(profile.ReadInt(kInColour, static_cast<int>(kDefaultInColour)));
  s.outColour = static_cast<Colour>(profile.ReadInt(kOutColour, static_cast<int>(kDefaultOutColour)));
  s.force24Bit = profile.ReadInt(kForce24Bit, kDefaultForce24Bit);
  s.zoomRate = profile.ReadInt(kZoomRate, kDefaultZoomRate);
  s.maxIterations = profile.ReadInt(kMaxIterations, kDefaultMaxIterations);
  s.edge = ReadWindowSize(profile);
  return s;
}

void WriteSettings(Profile& profile, const Settings& s) {
  using namespace setting;
  profile.WriteInt(kInColour, static_cast<int>(s.inColour));
  profile.WriteInt(kOutColour, static_cast<int>(s.outColour));
  profile.WriteInt(kForce24Bit, s.force24Bit);
  profile.WriteInt(kZoomRate, s.zoomRate);
  profile.WriteInt(kMaxIterations, s.maxIterations);
  profile.WriteInt(kWindowSize, s.edge);
}
