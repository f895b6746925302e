#include "tools/PartFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "files/ByteOrder.h"
#include "tools/ImageWriter.h"
#include "tools/PngWriter.h"

namespace {

constexpr char kMagic[] = "fractavo-render part\n";
constexpr char kTailMagic[] = "PEND";
constexpr std::size_t kTailSize = 8 + 4 + 4 + 8 + 4;
constexpr std::size_t kMaxHead = 4096;
constexpr std::size_t kCopyChunk = 1 << 20;

struct Part {
  std::string path;
  std::string render;  // the head's lines but the first and the part's own
  std::uint64_t dataStart = 0;
  PartTail tail;
};

std::string PartLine(int part, int parts) {
  return "part " + std::to_string(part) + " of " + std::to_string(parts) + "\n";
}

// The value of the line that starts with key in the render's lines.
std::string Field(const std::string& render, const std::string& key) {
  const std::size_t at = render.find(key);
  if (at != 0 && (at == std::string::npos || render[at - 1] != '\n')) return {};
  const std::size_t end = render.find('\n', at);
  return render.substr(at + key.size(), end - at - key.size());
}

Part ReadPart(const std::string& path, int k, int n, const std::string& version) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::string head(kMaxHead, '\0');
  in.read(head.data(), kMaxHead);
  head.resize(static_cast<std::size_t>(in.gcount()));
  const std::size_t end = head.find("\n\n");
  if (head.compare(0, sizeof kMagic - 1, kMagic) != 0 || end == std::string::npos)
    throw std::runtime_error(path + " is not a part file of fractavo-render, or is damaged");
  head.resize(end + 1);
  Part part;
  part.path = path;
  part.dataStart = end + 2;
  const std::string partLine = PartLine(k, n);
  if (head.size() < partLine.size() || head.compare(head.size() - partLine.size(), partLine.size(), partLine) != 0)
    throw std::runtime_error(path + " does not hold part " + std::to_string(k) + " of " + std::to_string(n) +
                             " as its name says");
  part.render = head.substr(sizeof kMagic - 1, head.size() - partLine.size() - (sizeof kMagic - 1));
  const std::string made = Field(part.render, "version ");
  if (made != version)
    throw std::runtime_error(path + " was made by fractavo-render " + made + ", not by this version, " + version +
                             "; render it again");
  in.clear();
  in.seekg(0, std::ios::end);
  const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
  std::uint8_t tail[kTailSize] = {};
  if (size >= part.dataStart + kTailSize) {
    in.seekg(static_cast<std::streamoff>(size - kTailSize));
    in.read(reinterpret_cast<char*>(tail), kTailSize);
  }
  part.tail = {LoadLe64(tail), LoadLe32(tail + 8), LoadLe32(tail + 12), LoadLe64(tail + 16)};
  if (!in || std::string(reinterpret_cast<char*>(tail + 24), 4) != kTailMagic ||
      part.tail.length != size - part.dataStart - kTailSize)
    throw std::runtime_error(path + " is truncated or damaged; render that part again");
  return part;
}

// Every part of target in the folder, by number, after checking that they are
// all there.
std::vector<std::string> FindParts(const std::string& target) {
  namespace fs = std::filesystem;
  const fs::path path(target);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string stem = path.filename().string() + ".part";
  std::map<int, std::string> found;
  std::set<int> counts;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    int k = 0, n = 0;
    // Temporary files (NAME.partKofN.partial) and numbers written otherwise do not count.
    if (name.compare(0, stem.size(), stem) != 0 || std::sscanf(name.c_str() + stem.size(), "%9dof%9d", &k, &n) != 2 ||
        k < 1 || k > n || name != stem + std::to_string(k) + "of" + std::to_string(n))
      continue;
    found[k] = PartName(target, k, n);
    counts.insert(n);
  }
  if (error) throw std::runtime_error("cannot list the folder of " + target + ": " + error.message());
  if (found.empty()) throw std::runtime_error("no parts of " + target + " found (" + stem + "KofN)");
  if (counts.size() > 1)
    throw std::runtime_error("the parts of " + target + " split it in different numbers of parts: " +
                             std::to_string(*counts.begin()) + " and " + std::to_string(*counts.rbegin()));
  const int n = *counts.begin();
  std::vector<std::string> parts;
  for (int k = 1; k <= n; ++k) {
    if (!found.count(k))
      throw std::runtime_error("part " + std::to_string(k) + " of " + std::to_string(n) + " (" +
                               PartName(target, k, n) + ") is missing");
    parts.push_back(found[k]);
  }
  return parts;
}

}  // namespace

std::string PartName(const std::string& target, int part, int parts) {
  return target + ".part" + std::to_string(part) + "of" + std::to_string(parts);
}

std::string PartHead(const std::string& render, int part, int parts) {
  return kMagic + render + PartLine(part, parts) + "\n";
}

void WritePartTail(SafeFile& file, const PartTail& tail) {
  std::uint8_t bytes[kTailSize];
  StoreLe64(bytes, tail.length);
  StoreLe32(bytes + 8, tail.crc);
  StoreLe32(bytes + 12, tail.adler);
  StoreLe64(bytes + 16, tail.rawLength);
  for (int b = 0; b < 4; ++b) bytes[24 + b] = static_cast<std::uint8_t>(kTailMagic[b]);
  file.Write(bytes, sizeof bytes);
}

int JoinParts(const std::string& target, ImageFormat format, const std::string& version) {
  const std::vector<std::string> paths = FindParts(target);
  const int n = static_cast<int>(paths.size());
  std::vector<Part> parts;
  for (int k = 1; k <= n; ++k) {
    parts.push_back(ReadPart(paths[k - 1], k, n, version));
    if (parts.back().render != parts.front().render)
      throw std::runtime_error(paths[k - 1] + " and " + paths[0] + " are parts of different renders");
  }
  const std::string& render = parts.front().render;
  int width = 0, height = 0;
  if (std::sscanf(Field(render, "size ").c_str(), "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
    throw std::runtime_error(paths[0] + " is damaged: it names no size");
  if (Field(render, "format ") != (format == ImageFormat::Png ? "png" : "bmp"))
    throw std::runtime_error("the parts of " + target + " hold a " + Field(render, "format ") + " image");

  SafeFile file(target);
  std::optional<PngWriter> png;
  if (format == ImageFormat::Png)
    png.emplace(file, width, height);
  else
    WriteBmpHeaders(file, width, height);
  std::uint32_t adler = static_cast<std::uint32_t>(adler32(0, nullptr, 0));
  std::vector<std::uint8_t> chunk;
  for (const Part& part : parts) {
    std::ifstream in(part.path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(part.dataStart));
    uLong crc = crc32(0, nullptr, 0);
    for (std::uint64_t left = part.tail.length; left > 0;) {
      chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyChunk)));
      in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
      if (!in) throw std::runtime_error("cannot read " + part.path);
      crc = crc32(crc, chunk.data(), static_cast<uInt>(chunk.size()));
      if (png)
        png->Append(chunk);
      else
        file.Write(chunk.data(), chunk.size());
      left -= chunk.size();
    }
    if (crc != part.tail.crc) throw std::runtime_error(part.path + " is damaged; render that part again");
    // Only the length modulo 65521, Adler-32's modulus, counts, and a part's
    // length can pass z_off_t, 32 bits on Windows.
    adler = static_cast<std::uint32_t>(
        adler32_combine(adler, part.tail.adler, static_cast<z_off_t>(part.tail.rawLength % 65521)));
  }
  if (png) png->Finish(adler);
  file.Commit();
  return n;
}
