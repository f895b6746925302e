// fractavo-render's command line from raw bytes (arguments split at NUL):
// the parser gives a clear error, or --help or --version, or a complete and valid set of
// options, and never more than one of these.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/SpotRecord.h"
#include "tools/RenderArguments.h"
#include "view/KernelTable.h"

namespace {

void Expect(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fractavo-render arguments: %s\n", what);
  std::abort();
}

void ExpectValid(const RenderArguments& a) {
  for (const int side : {a.width, a.height}) Expect(side >= kMinSize && side <= kMaxSize, "size out of range");
  Expect(a.format != ImageFormat::Bmp || FitsInBmp(a.width, a.height), "a BMP larger than its size field");
  Expect(static_cast<long long>(std::max(a.width, a.height)) * a.supersample <= kMaxSize, "too many samples");
  Expect(!a.iterations || (*a.iterations >= 1 && *a.iterations <= kMaxSpotIterations), "iteration limit");
  Expect(a.centreX.has_value() == a.centreY.has_value(), "half a centre");
  Expect(!a.centreX || (std::isfinite(*a.centreX) && std::isfinite(*a.centreY)), "centre not finite");
  Expect(!a.halfWidth || (std::isfinite(*a.halfWidth) && *a.halfWidth > 0), "half-width");
  Expect(a.render.threads >= 0 && a.render.threads <= 256, "thread count");
  Expect(!a.render.kernel || FindKernel(a.render.kernel->name) == a.render.kernel, "kernel");
  Expect(!a.output.empty(), "no output name");
  Expect(a.zoomTo.has_value() == (a.frames != 0), "zoom target without frames");
  Expect(a.shard >= 1 && a.shard <= a.shards, "shard out of range");
  Expect(!a.join || (!a.zoomTo && a.shards == 1), "a join that renders");
  if (a.zoomTo) {
    Expect(a.frames >= 2 && a.frames <= kMaxFrames, "frame count");
    Expect(a.pattern.Name(1) != a.pattern.Name(2), "frames share one name");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words{"fractavo-render"};
  std::string word;
  for (std::size_t i = 0; i < size && words.size() < 40; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  if (size > 0 && words.size() < 40) words.push_back(word);
  std::vector<const char*> argv;
  bool help = false;
  for (const std::string& w : words) {
    argv.push_back(w.c_str());
    help = help || w == "--help" || w == "-h";
  }
  argv.push_back(nullptr);

  const ParsedArguments parsed = ParseRenderArguments(static_cast<int>(words.size()), argv.data());
  if (parsed.arguments) {
    Expect(parsed.error.empty(), "options and an error at once");
    ExpectValid(*parsed.arguments);
  } else {
    Expect(!parsed.error.empty() || help || parsed.version, "neither options nor an error");
  }
  return 0;
}
