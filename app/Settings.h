// The six persisted settings: names, defaults and the size clamp, over a
// small profile interface so the same code runs on the registry and in tests.
#pragma once

#include <cstdint>

// 0x00BBGGRR, the same bits as a Windows COLORREF.
using Colour = std::uint32_t;

constexpr int Red(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int Green(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr Colour MakeColour(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}

namespace setting {
constexpr const char* kInColour = "In Color";
constexpr const char* kOutColour = "Out Color";
constexpr const char* kForce24Bit = "Force 24-bit";
constexpr const char* kZoomRate = "Zoom Rate";
constexpr const char* kMaxIterations = "Max Iterations";
constexpr const char* kWindowSize = "Window Size";

constexpr Colour kDefaultInColour = 0x400040;
constexpr Colour kDefaultOutColour = 0xC0C0C0;
constexpr int kDefaultForce24Bit = 1;
constexpr int kDefaultZoomRate = 3;
constexpr int kDefaultMaxIterations = 200;
constexpr int kDefaultWindowSize = 400;

constexpr int kMinWindowSize = 128;
constexpr int kMaxWindowSize = 1024;
// The largest limit the Options dialog takes and a Spot file may hold.
constexpr int kMaxMaxIterations = 32767;
}  // namespace setting

class Profile {
 public:
  virtual ~Profile() = default;
  virtual int ReadInt(const char* name, int defaultValue) const = 0;
  virtual void WriteInt(const char* name, int value) = 0;
};

// The six values as one value type, in the store's order. The view, the
// Options dialog and a Spot record each convert to and from it in one place.
struct Settings {
  Colour inColour = setting::kDefaultInColour;
  Colour outColour = setting::kDefaultOutColour;
  int force24Bit = setting::kDefaultForce24Bit;
  int zoomRate = setting::kDefaultZoomRate;
  int maxIterations = setting::kDefaultMaxIterations;
  int edge = setting::kDefaultWindowSize;  // "Window Size"
};

int ClampWindowSize(int size);

// "Window Size", clamped to 128..1024.
int ReadWindowSize(const Profile& profile);

// Reads all six in the order In Color, Out Color, Force 24-bit, Zoom Rate,
// Max Iterations, Window Size; the size comes back clamped.
Settings ReadSettings(const Profile& profile);

// Writes all six in that same order.
void WriteSettings(Profile& profile, const Settings& settings);
