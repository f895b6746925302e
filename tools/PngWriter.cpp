#include "tools/PngWriter.h"

#include <new>
#include <stdexcept>

namespace {

void Store32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

// Each IDAT chunk carries this much compressed data.
constexpr std::size_t kChunkData = 256 * 1024;

}  // namespace

PngWriter::PngWriter(OutputFile& file, int width, int height)
    : file_(file), width_(width), rowsLeft_(height), row_(1 + 3 * static_cast<std::size_t>(width)), compressed_(kChunkData) {
  // The fastest level: at 8192 pixels the default takes longer than the
  // render and saves only a third of a file that is already small.
  if (deflateInit(&stream_, Z_BEST_SPEED) != Z_OK) throw std::bad_alloc();
  static const std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  file_.Write(kSignature, sizeof kSignature);
  std::uint8_t header[13] = {};
  Store32(header, static_cast<std::uint32_t>(width));
  Store32(header + 4, static_cast<std::uint32_t>(height));
  header[8] = 8;  // bits per sample
  header[9] = 2;  // RGB
  Chunk("IHDR", header, sizeof header);
  stream_.next_out = compressed_.data();
  stream_.avail_out = static_cast<uInt>(compressed_.size());
}

PngWriter::~PngWriter() { deflateEnd(&stream_); }

void PngWriter::Chunk(const char* type, const std::uint8_t* data, std::size_t size) {
  std::uint8_t head[8];
  Store32(head, static_cast<std::uint32_t>(size));
  for (int b = 0; b < 4; ++b) head[4 + b] = static_cast<std::uint8_t>(type[b]);
  uLong crc = crc32(crc32(0, nullptr, 0), head + 4, 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));  // a null buffer would restart it
  std::uint8_t tail[4];
  Store32(tail, static_cast<std::uint32_t>(crc));
  file_.Write(head, sizeof head);
  file_.Write(data, size);
  file_.Write(tail, sizeof tail);
}

// Emits a chunk whenever the buffer fills, and the rest at Z_FINISH.
void PngWriter::Compress(int flush) {
  for (;;) {
    const int status = deflate(&stream_, flush);
    if (status == Z_STREAM_ERROR) throw std::runtime_error("the PNG compressor failed");
    const bool full = stream_.avail_out == 0;
    if (full || (flush == Z_FINISH && status == Z_STREAM_END)) {
      Chunk("IDAT", compressed_.data(), compressed_.size() - stream_.avail_out);
      stream_.next_out = compressed_.data();
      stream_.avail_out = static_cast<uInt>(compressed_.size());
    }
    if (flush == Z_FINISH ? status == Z_STREAM_END : !full && stream_.avail_in == 0) return;
  }
}

void PngWriter::WriteRow(const std::uint32_t* pixels) {
  // Filter "Sub": each byte less the one a pixel to its left, so the runs of
  // one colour this image is made of become runs of zeros.
  std::uint8_t* out = row_.data();
  *out++ = 1;
  std::uint32_t left = 0;
  for (int j = 0; j < width_; ++j) {
    const std::uint32_t p = pixels[j];
    *out++ = static_cast<std::uint8_t>((p >> 16) - (left >> 16));
    *out++ = static_cast<std::uint8_t>((p >> 8) - (left >> 8));
    *out++ = static_cast<std::uint8_t>(p - left);
    left = p;
  }
  stream_.next_in = row_.data();
  stream_.avail_in = static_cast<uInt>(row_.size());
  Compress(Z_NO_FLUSH);
  if (--rowsLeft_ == 0) {
    Compress(Z_FINISH);
    Chunk("IEND", nullptr, 0);
  }
}
