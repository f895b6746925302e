// fractavo-render's command line, checked whole before anything is read or
// written: either a complete, valid set of options or the reason why not.
#pragma once

#include <optional>
#include <string>

#include "app/Settings.h"
#include "view/Renderer.h"

enum class ImageFormat { Bmp, Png };

constexpr int kMinSize = 16;
constexpr int kMaxSize = 65536;
constexpr int kMaxFrames = 100000;
constexpr int kMaxSupersample = 8;
// The samples are rendered as an image that many times larger, whose rows,
// offsets and pixels in a row the renderer counts in ints.
static_assert(static_cast<long long>(kMaxSize) * kMaxSupersample <= 1 << 30, "samples beyond the renderer's reach");

// An output name with one number in it, as printf's %d, %5d or %05d writes it.
struct FramePattern {
  std::string before, after;
  int width = 0;
  bool zeros = false;
  std::string Name(int frame) const;
};

struct RenderArguments {
  std::optional<std::string> spot;
  // --size N is N x N.
  int width = setting::kDefaultWindowSize;
  int height = setting::kDefaultWindowSize;
  std::string output = "fractavo.bmp";
  ImageFormat format = ImageFormat::Bmp;
  std::optional<int> iterations;
  std::optional<Colour> in, out;
  std::optional<double> centreX, centreY, halfWidth;
  RenderOptions render;
  int supersample = 1;  // each pixel the average of N x N samples
  bool quiet = false;
  // A zoom sequence from the view to the region of the Spot file zoomTo, in
  // frames named by pattern.
  std::optional<std::string> zoomTo;
  int frames = 0;
  FramePattern pattern;
  // This process renders frames shard, shard + shards, shard + 2 * shards, ...
  // or, of a single image, band shard of shards into a part file.
  int shard = 1, shards = 1;
  // --join: write output from its part files instead of rendering.
  bool join = false;
  // Render frames whose file exists too; a sequence otherwise resumes.
  bool overwrite = false;
};

struct ParsedArguments {
  std::optional<RenderArguments> arguments;  // nothing for --help, --version or an error
  std::string error;                         // empty unless the line is refused
  bool version = false;                      // --version: print it and stop
};

ParsedArguments ParseRenderArguments(int argc, const char* const* argv);

// Whether a 24-bit BMP file can hold the image: its size field has 32 bits.
bool FitsInBmp(int width, int height);
