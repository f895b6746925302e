#include "tools/PngWriter.h"

#include <new>
#include <stdexcept>

#include "files/ByteOrder.h"

namespace {

// Each IDAT chunk carries this much compressed data.
constexpr std::size_t kChunkData = 256 * 1024;

}  // namespace

PngWriter::PngWriter(SafeFile& file, int width, int height)
    : m_file(file),
      m_width(width),
      m_rowsLeft(height),
      m_row(1 + 3 * static_cast<std::size_t>(width)),
      m_compressed(kChunkData) {
  // The fastest level: at 8192 pixels the default takes longer than the
  // render and saves only a third of a file that is already small.
  if (deflateInit(&m_stream, Z_BEST_SPEED) != Z_OK) throw std::bad_alloc();
  static const std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  m_file.Write(kSignature, sizeof kSignature);
  std::uint8_t header[13] = {};
  StoreBe32(header, static_cast<std::uint32_t>(width));
  StoreBe32(header + 4, static_cast<std::uint32_t>(height));
  header[8] = 8;  // bits per sample
  header[9] = 2;  // RGB
  Chunk("IHDR", header, sizeof header);
  m_stream.next_out = m_compressed.data();
  m_stream.avail_out = static_cast<uInt>(m_compressed.size());
}

PngWriter::~PngWriter() { deflateEnd(&m_stream); }

void PngWriter::Chunk(const char* type, const std::uint8_t* data, std::size_t size) {
  std::uint8_t head[8];
  StoreBe32(head, static_cast<std::uint32_t>(size));
  for (int b = 0; b < 4; ++b) head[4 + b] = static_cast<std::uint8_t>(type[b]);
  uLong crc = crc32(crc32(0, nullptr, 0), head + 4, 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));  // a null buffer would restart it
  std::uint8_t tail[4];
  StoreBe32(tail, static_cast<std::uint32_t>(crc));
  m_file.Write(head, sizeof head);
  m_file.Write(data, size);
  m_file.Write(tail, sizeof tail);
}

// Emits a chunk whenever the buffer fills, and the rest at Z_FINISH.
void PngWriter::Compress(int flush) {
  for (;;) {
    const int status = deflate(&m_stream, flush);
    if (status == Z_STREAM_ERROR) throw std::runtime_error("the PNG compressor failed");
    const bool full = m_stream.avail_out == 0;
    if (full || (flush == Z_FINISH && status == Z_STREAM_END)) {
      Chunk("IDAT", m_compressed.data(), m_compressed.size() - m_stream.avail_out);
      m_stream.next_out = m_compressed.data();
      m_stream.avail_out = static_cast<uInt>(m_compressed.size());
    }
    if (flush == Z_FINISH ? status == Z_STREAM_END : !full && m_stream.avail_in == 0) return;
  }
}

void PngWriter::WriteRow(const std::uint32_t* pixels) {
  // Filter "Sub": each byte less the one a pixel to its left, so the runs of
  // one colour this image is made of become runs of zeros.
  std::uint8_t* out = m_row.data();
  *out++ = 1;
  std::uint32_t left = 0;
  for (int j = 0; j < m_width; ++j) {
    const std::uint32_t p = pixels[j];
    *out++ = static_cast<std::uint8_t>((p >> 16) - (left >> 16));
    *out++ = static_cast<std::uint8_t>((p >> 8) - (left >> 8));
    *out++ = static_cast<std::uint8_t>(p - left);
    left = p;
  }
  m_stream.next_in = m_row.data();
  m_stream.avail_in = static_cast<uInt>(m_row.size());
  Compress(Z_NO_FLUSH);
  if (--m_rowsLeft == 0) {
    Compress(Z_FINISH);
    Chunk("IEND", nullptr, 0);
  }
}
