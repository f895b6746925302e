// One render's pixels, shared out between the threads that run a kernel on
// it. Internal to the core.
//
// The kernels include this header in files compiled with different
// instruction sets. Everything in it has internal linkage and it calls no
// inline code from elsewhere: the linker must never pick an AVX copy of a
// function that baseline code calls.
#pragma once

#include <cstdint>

struct ViewParameters;

// The DIB pixel for count k (out of line, so any kernel may call it).
std::uint32_t DibColour(const ViewParameters& view, int k);

// The steady clock in its own ticks (out of line, for the same reason).
std::int64_t ClockTicks();

// One render, shared by all its threads.
struct PixelJob {
  const double* xs;  // x of each column
  const double* ys;  // y of each row
  int width, rows;   // width * rows fits in an int
  int limit;         // at least 1
  const ViewParameters* view;
  const std::uint32_t* palette;  // DibColour for counts 0..paletteTop
  int paletteTop;
  std::uint32_t* pixels;  // width x rows, top row first
  int* nextPixel;         // the first pixel no thread has taken yet
  // Once ClockTicks() reaches it the thread takes no more pixels: it finishes
  // those it has and returns, leaving the rest to the next call. 0: no deadline.
  std::int64_t deadline;
};

namespace {

inline std::uint32_t PixelFor(const PixelJob& job, int k) {
  return k <= job.paletteTop ? job.palette[k] : DibColour(*job.view, k);
}

// Takes pixels from the job a chunk at a time, so threads rarely meet on the
// shared counter.
class PixelFeed {
 public:
  explicit PixelFeed(const PixelJob& job) : m_job(job), m_total(job.width * job.rows) {}

  // The next pixel and its c = (x, y).
  bool Next(int& pixel, double& x, double& y) {
    if (m_next == m_end) {
      // The clock can be slow to read (Wine), so it is asked every few chunks.
      if (m_next >= m_total || (m_job.deadline && ++m_grabs % 16 == 0 && ClockTicks() >= m_job.deadline)) {
        m_next = m_end = m_total;
        return false;
      }
      m_next = __atomic_fetch_add(m_job.nextPixel, kChunk, __ATOMIC_RELAXED);
      m_end = m_next + kChunk < m_total ? m_next + kChunk : m_total;
      if (m_next >= m_total) {
        m_next = m_end = m_total;
        return false;
      }
      m_column = m_next % m_job.width;
      m_row = m_next / m_job.width;
    } else if (++m_column == m_job.width) {
      m_column = 0;
      ++m_row;
    }
    pixel = m_next++;
    x = m_job.xs[m_column];
    y = m_job.ys[m_row];
    return true;
  }

 private:
  static constexpr int kChunk = 64;
  const PixelJob& m_job;
  const int m_total;
  int m_next = 0, m_end = 0, m_column = 0, m_row = 0;
  unsigned m_grabs = 0;
};

}  // namespace
