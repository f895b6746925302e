// The progress line: one line on a terminal, rewritten in place at most ten
// times a second once the work has run for a second, and gone once done.
#pragma once

#include <chrono>
#include <string>

class Progress {
 public:
  // Shown only when wanted and the error output is a terminal; the line
  // starts with what (the image's size).
  Progress(bool wanted, int frames, std::string what);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // done: the part of frame (from 1) finished, 0 to 1.
  void Update(int frame, double done);

 private:
  using Clock = std::chrono::steady_clock;
  const bool m_shown;
  const int m_frames;
  const std::string m_what;
  const Clock::time_point m_start = Clock::now();
  Clock::time_point m_last = m_start;
  int m_width = 0;
};
