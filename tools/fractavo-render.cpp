// Renders one view to a 24-bit BMP without a window, over the same core as
// the program, and reports how fast it went.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "files/Bmp.h"
#include "files/SpotRecord.h"
#include "view/Renderer.h"
#include "view/ViewParameters.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Usage: fractavo-render [options]\n"
    "Renders a view of the escape-time set to a 24-bit BMP file.\n"
    "\n"
    "  --spot FILE          start from the view saved in a Spot file (.spt)\n"
    "  --size N             image edge in pixels, 16..16384 (default 400)\n"
    "  -o FILE              output file (default fractavo.bmp)\n"
    "  --iterations N       iteration limit, 1..32767 (default 200)\n"
    "  --in #RRGGBB         colour at the iteration limit (default #400040)\n"
    "  --out #RRGGBB        colour of the background (default #C0C0C0)\n"
    "  --centre X,Y         centre of the view (default 0,0)\n"
    "  --half-width W       half the side of the view, > 0 (default 2)\n"
    "  --kernel NAME        scalar, sse2, avx2, avx512, or auto for the widest this\n"
    "                       processor has (default auto)\n"
    "  --threads N          threads to render with, 1..256 (default: one per\n"
    "                       processor, started once the render proves long)\n"
    "  --help               show this text\n"
    "\n"
    "Options other than --spot override what the Spot file holds.\n";

// A bad command line or input file: the message goes to stderr.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::optional<std::string> spot;
  int size = setting::kDefaultWindowSize;
  std::string output = "fractavo.bmp";
  std::optional<int> iterations;
  std::optional<Colour> in, out;
  std::optional<double> centreX, centreY, halfWidth;
  RenderOptions render;
};

int ParseInt(const std::string& option, const std::string& text, int low, int high) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
    throw UsageError(option + " needs a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not '" + text + "'");
  return static_cast<int>(value);
}

double ParseDouble(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value))
    throw UsageError(option + " needs a finite number, not '" + text + "'");
  return value;
}

Kernel ParseKernel(const std::string& text) {
  for (Kernel k : {Kernel::Auto, Kernel::Scalar, Kernel::Sse2, Kernel::Avx2, Kernel::Avx512})
    if (text == KernelName(k)) return k;
  throw UsageError("--kernel needs scalar, sse2, avx2, avx512 or auto, not '" + text + "'");
}

Colour ParseColour(const std::string& option, const std::string& text) {
  if (text.size() != 7 || text[0] != '#' ||
      text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
    throw UsageError(option + " needs a colour written #RRGGBB, not '" + text + "'");
  const unsigned long rgb = std::strtoul(text.c_str() + 1, nullptr, 16);
  return MakeColour(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8), static_cast<int>(rgb));
}

// Returns nothing when --help was asked for.
std::optional<Options> ParseArguments(int argc, char** argv) {
  Options o;
  for (int a = 1; a < argc; ++a) {
    const std::string option = argv[a];
    if (option == "--help" || option == "-h") return std::nullopt;
    static const char* const kWithValue[] = {"--spot", "--size", "-o", "--iterations",
                                             "--in", "--out", "--centre", "--half-width",
                                             "--kernel", "--threads"};
    if (std::find(std::begin(kWithValue), std::end(kWithValue), option) == std::end(kWithValue))
      throw UsageError("unknown option: " + option);
    if (a + 1 >= argc) throw UsageError(option + " needs a value");
    const std::string value = argv[++a];
    if (option == "--spot") {
      o.spot = value;
    } else if (option == "--size") {
      o.size = ParseInt(option, value, 16, 16384);
    } else if (option == "-o") {
      if (value.empty()) throw UsageError("-o needs a file name");
      o.output = value;
    } else if (option == "--iterations") {
      o.iterations = ParseInt(option, value, 1, kMaxSpotIterations);
    } else if (option == "--in") {
      o.in = ParseColour(option, value);
    } else if (option == "--out") {
      o.out = ParseColour(option, value);
    } else if (option == "--kernel") {
      o.render.kernel = ParseKernel(value);
    } else if (option == "--threads") {
      o.render.threads = ParseInt(option, value, 1, 256);
    } else if (option == "--centre") {
      const std::size_t comma = value.find(',');
      if (comma == std::string::npos) throw UsageError("--centre needs X,Y, not '" + value + "'");
      o.centreX = ParseDouble(option, value.substr(0, comma));
      o.centreY = ParseDouble(option, value.substr(comma + 1));
    } else {
      o.halfWidth = ParseDouble(option, value);
      if (*o.halfWidth <= 0) throw UsageError("--half-width must be greater than 0");
    }
  }
  return o;
}

SpotRecord ReadSpot(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(kSpotRecordSize);
  if (!file) throw std::runtime_error("cannot open Spot file " + path);
  file.read(reinterpret_cast<char*>(bytes.data()), kSpotRecordSize);
  if (file.bad()) throw std::runtime_error("cannot read Spot file " + path);
  const std::optional<SpotRecord> spot = DecodeSpot(bytes.data(), static_cast<std::size_t>(file.gcount()));
  if (!spot) throw std::runtime_error(path + " does not appear to be a valid Spot file");
  return *spot;
}

ViewParameters MakeView(const Options& o) {
  ViewParameters view;
  if (o.spot) ApplySpot(ReadSpot(*o.spot), view);
  view.SetEdge(o.size);
  view.maxIterations = o.iterations.value_or(view.maxIterations);
  view.inColour = o.in.value_or(view.inColour);
  view.outColour = o.out.value_or(view.outColour);
  view.centreX = o.centreX.value_or(view.centreX);
  view.centreY = o.centreY.value_or(view.centreY);
  view.halfWidth = o.halfWidth.value_or(view.halfWidth);
  view.ComputeGradient();
  return view;
}

// Writes beside the target and renames over it, so a failure never leaves a
// partial file under the target's name.
void WriteWhole(const fs::path& target, const std::vector<std::uint8_t>& bytes) {
  fs::path temporary = target;
  temporary += ".partial";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      throw std::runtime_error("cannot write " + target.string());
    }
  }
  std::error_code error;
  fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw std::runtime_error("cannot replace " + target.string() + ": " + error.message());
  }
}

int Run(const Options& o) {
  // Falling back would make a comparison of kernels quietly compare the wrong ones.
  if (!KernelAvailable(o.render.kernel))
    throw std::runtime_error(std::string("this processor cannot run the ") + KernelName(o.render.kernel) +
                             " kernel");
  const Kernel kernel = o.render.kernel == Kernel::Auto ? BestKernel() : o.render.kernel;
  // Left to itself, Render starts the other threads only for a long render.
  const std::string threads = o.render.threads == 1 ? "1 thread"
                              : o.render.threads > 1 ? std::to_string(o.render.threads) + " threads"
                                                     : "up to " + std::to_string(std::max(1u, std::thread::hardware_concurrency())) + " threads";
  const ViewParameters view = MakeView(o);
  const std::size_t edge = static_cast<std::size_t>(view.edge);
  std::vector<std::uint8_t> block;
  std::uint64_t total = 0;
  double seconds = 0;
  {
    std::vector<std::uint32_t> pixels(edge * edge);
    const auto start = std::chrono::steady_clock::now();
    total = Render(view, pixels.data(), o.render);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    block = PackedDib24(pixels.data(), view.edge, view.edge);
  }
  WriteWhole(o.output, BmpFileBytes(std::move(block)).value());
  std::printf("%s: %dx%d, %d iterations, %.3f s, %llu iterations in total, %.3g iterations/s, "
              "kernel %s, %s\n",
              o.output.c_str(), view.edge, view.edge, view.maxIterations, seconds,
              static_cast<unsigned long long>(total), seconds > 0 ? total / seconds : 0.0, KernelName(kernel),
              threads.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::optional<Options> options = ParseArguments(argc, argv);
    if (!options) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    return Run(*options);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "fractavo-render: %s\nTry 'fractavo-render --help'.\n", e.what());
    return 2;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "fractavo-render: not enough memory for an image of that size\n");
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fractavo-render: %s\n", e.what());
    return 1;
  }
}
