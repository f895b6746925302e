#include "tools/RenderArguments.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <stdexcept>

#include "files/Bmp.h"
#include "files/SpotRecord.h"
#include "view/KernelTable.h"

namespace {

struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::optional<int> WholeNumber(const std::string& text, int low, int high) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) return std::nullopt;
  return static_cast<int>(value);
}

int ParseInt(const std::string& option, const std::string& text, int low, int high) {
  if (const std::optional<int> value = WholeNumber(text, low, high)) return *value;
  throw Refusal(option + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                ", not '" + text + "'");
}

double ParseDouble(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value))
    throw Refusal(option + " needs a finite number, not '" + text + "'");
  return value;
}

// N for N x N, or WxH.
void ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  const auto side = [&](const std::string& part) {
    if (const std::optional<int> value = WholeNumber(part, kMinSize, kMaxSize)) return *value;
    throw Refusal("--size needs N or WxH, each side a whole number from " + std::to_string(kMinSize) + " to " +
                  std::to_string(kMaxSize) + ", not '" + text + "'");
  };
  width = side(text.substr(0, x));
  height = x == std::string::npos ? width : side(text.substr(x + 1));
}

Kernel ParseKernel(const std::string& text) {
  if (text == KernelName(nullptr)) return nullptr;
  if (const Kernel kernel = FindKernel(text)) return kernel;
  std::string names;
  for (const KernelRow& row : KernelTable()) names += names.empty() ? row.name : std::string(", ") + row.name;
  throw Refusal("--kernel needs " + names + " or auto, not '" + text + "'");
}

Colour ParseColour(const std::string& option, const std::string& text) {
  if (text.size() != 7 || text[0] != '#' || text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
    throw Refusal(option + " needs a colour written #RRGGBB, not '" + text + "'");
  const unsigned long rgb = std::strtoul(text.c_str() + 1, nullptr, 16);
  return MakeColour(static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                    static_cast<int>(rgb & 0xFF));
}

bool EndsWith(const std::string& text, const char* ending) {
  const std::string e = ending;
  if (text.size() < e.size()) return false;
  return std::equal(e.begin(), e.end(), text.end() - static_cast<std::ptrdiff_t>(e.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// The format a name's extension asks for.
ImageFormat FormatOf(const std::string& name) {
  if (EndsWith(name, ".bmp")) return ImageFormat::Bmp;
  if (EndsWith(name, ".png")) return ImageFormat::Png;
  throw Refusal("the output must be a .bmp or a .png file, not '" + name + "'");
}

// Splits at the one %d field; %% stands for a percent sign on either side.
FramePattern ParsePattern(const std::string& text) {
  FramePattern p;
  bool found = false;
  const auto refuse = [&] {
    return Refusal("-o needs a pattern with exactly one %d (or %4d, %04d) for the frame number, not '" + text +
                   "'; write %% for a percent sign");
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string& part = found ? p.after : p.before;
    if (text[i] != '%') {
      part += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '%') {
      part += '%';
      ++i;
    } else {
      if (found) throw refuse();
      found = true;
      std::size_t j = i + 1;
      if (j < text.size() && text[j] == '0') p.zeros = true, ++j;
      const std::size_t digits = j;
      while (j < text.size() && j - digits < 2 && text[j] >= '0' && text[j] <= '9')
        p.width = p.width * 10 + (text[j++] - '0');
      if (j >= text.size() || text[j] != 'd') throw refuse();
      i = j;
    }
  }
  if (!found) throw refuse();
  return p;
}

// K/N, or slurm for a Slurm job array's task: its index counted from 1 over
// the array's range, stepping as the array steps.
void ParseShard(const std::string& text, int& shard, int& shards) {
  if (text == "slurm") {
    const auto variable = [](const char* name, int low) -> std::optional<int> {
      const char* value = std::getenv(name);
      return value ? WholeNumber(value, low, INT32_MAX) : std::nullopt;
    };
    const std::optional<int> id = variable("SLURM_ARRAY_TASK_ID", 0), first = variable("SLURM_ARRAY_TASK_MIN", 0),
                             count = variable("SLURM_ARRAY_TASK_COUNT", 1);
    const int step = variable("SLURM_ARRAY_TASK_STEP", 1).value_or(1);
    if (!id || !first || !count)
      throw Refusal(
          "--shard slurm needs a Slurm array job (sbatch --array) to run in: SLURM_ARRAY_TASK_ID, "
          "SLURM_ARRAY_TASK_MIN and SLURM_ARRAY_TASK_COUNT are not all set");
    if (*id < *first || (*id - *first) % step != 0 || (*id - *first) / step >= *count)
      throw Refusal("--shard slurm needs an array that is one range, such as --array=1-16; task " +
                    std::to_string(*id) + " is not one of " + std::to_string(*count) + " from " +
                    std::to_string(*first) + " in steps of " + std::to_string(step));
    shard = (*id - *first) / step + 1;
    shards = *count;
    return;
  }
  const std::size_t slash = text.find('/');
  const std::optional<int> n =
      slash == std::string::npos ? std::nullopt : WholeNumber(text.substr(slash + 1), 1, kMaxFrames);
  const std::optional<int> k = n ? WholeNumber(text.substr(0, slash), 1, *n) : std::nullopt;
  if (!k)
    throw Refusal("--shard needs K/N, this process's part K of N from 1 to N, with N from 1 to " +
                  std::to_string(kMaxFrames) + ", or slurm; not '" + text + "'");
  shard = *k;
  shards = *n;
}

RenderArguments Parse(int argc, const char* const* argv, bool& help, bool& version) {
  RenderArguments o;
  bool outputGiven = false, otherGiven = false;
  for (int a = 1; a < argc; ++a) {
    if (!argv[a]) throw Refusal("missing argument");
    const std::string option = argv[a];
    if (option == "--help" || option == "-h") {
      help = true;
      return o;
    }
    if (option == "--version") {
      version = true;
      return o;
    }
    if (option == "--quiet" || option == "-q") {
      o.quiet = true;
      continue;
    }
    if (option == "--overwrite") {
      o.overwrite = true;
      continue;
    }
    static const char* const kWithValue[] = {
        "--spot",   "--size",    "-o",        "--iterations", "--in",          "--out",   "--centre", "--half-width",
        "--kernel", "--threads", "--zoom-to", "--frames",     "--supersample", "--shard", "--join"};
    if (std::find(std::begin(kWithValue), std::end(kWithValue), option) == std::end(kWithValue))
      throw Refusal("unknown option: " + option);
    if (a + 1 >= argc || !argv[a + 1]) throw Refusal(option + " needs a value");
    const std::string value = argv[++a];
    otherGiven = otherGiven || option != "--join";
    if (option == "--join") {
      if (value.empty()) throw Refusal("--join needs a file name");
      o.join = true;
      o.output = value;
    } else if (option == "--spot") {
      o.spot = value;
    } else if (option == "--size") {
      ParseSize(value, o.width, o.height);
    } else if (option == "-o") {
      if (value.empty()) throw Refusal("-o needs a file name");
      o.output = value;
      outputGiven = true;
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
    } else if (option == "--zoom-to") {
      o.zoomTo = value;
    } else if (option == "--supersample") {
      o.supersample = ParseInt(option, value, 1, kMaxSupersample);
    } else if (option == "--shard") {
      ParseShard(value, o.shard, o.shards);
    } else if (option == "--frames") {
      o.frames = ParseInt(option, value, 2, kMaxFrames);
    } else if (option == "--centre") {
      const std::size_t comma = value.find(',');
      if (comma == std::string::npos) throw Refusal("--centre needs X,Y, not '" + value + "'");
      o.centreX = ParseDouble(option, value.substr(0, comma));
      o.centreY = ParseDouble(option, value.substr(comma + 1));
    } else {
      o.halfWidth = ParseDouble(option, value);
      if (*o.halfWidth <= 0) throw Refusal("--half-width must be greater than 0");
    }
  }
  if (o.zoomTo.has_value() != (o.frames != 0)) throw Refusal("--zoom-to and --frames go together");
  // The parts hold everything about the render.
  if (o.join && (otherGiven || o.overwrite))
    throw Refusal("--join takes only the file to write, and --quiet: the parts say how it was rendered");
  if (o.zoomTo) {
    if (!outputGiven) throw Refusal("a zoom sequence needs -o with a pattern such as frame%04d.png");
    o.pattern = ParsePattern(o.output);
    o.format = FormatOf(o.pattern.after);
  } else {
    o.format = FormatOf(o.output);
  }
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
  if (o.format == ImageFormat::Bmp && !FitsInBmp(o.width, o.height))
    throw Refusal("a BMP file holds at most 4 GiB, too little for " + size + " pixels; write a .png");
  return o;
}

}  // namespace

std::string FramePattern::Name(int frame) const {
  std::string number = std::to_string(frame);
  if (static_cast<int>(number.size()) < width)
    number.insert(0, static_cast<std::size_t>(width) - number.size(), zeros ? '0' : ' ');
  return before + number + after;
}

bool FitsInBmp(int width, int height) {
  return static_cast<std::uint64_t>(Stride(width, 24)) * static_cast<std::uint64_t>(height) <=
         0xFFFFFFFF - kFileHeaderSize - kInfoHeaderSize;
}

ParsedArguments ParseRenderArguments(int argc, const char* const* argv) {
  ParsedArguments result;
  try {
    bool help = false;
    RenderArguments arguments = Parse(argc, argv, help, result.version);
    if (!help && !result.version) result.arguments = std::move(arguments);
  } catch (const Refusal& e) {
    result.error = e.what();
  }
  return result;
}
