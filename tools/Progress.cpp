#include "tools/Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

bool ErrorIsTerminal() {
#ifdef _WIN32
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;  // NUL is a character device too
#else
  return isatty(2) != 0;
#endif
}

std::string HoursMinutes(double seconds) {
  const long s = std::lround(seconds);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

}  // namespace

Progress::Progress(bool wanted, int frames, std::string what)
    : m_shown(wanted && ErrorIsTerminal()), m_frames(frames), m_what(std::move(what)) {}

Progress::~Progress() {
  if (m_width > 0) std::fprintf(stderr, "\r%*s\r", m_width, "");
}

void Progress::Update(int frame, double done) {
  if (!m_shown) return;
  const Clock::time_point now = Clock::now();
  const double elapsed = std::chrono::duration<double>(now - m_start).count();
  if (elapsed < 1 || now - m_last < std::chrono::milliseconds(100)) return;
  m_last = now;
  const double part = (frame - 1 + done) / m_frames;
  std::string line =
      m_what + "  " + std::to_string(static_cast<int>(part * 100)) + "%  " + HoursMinutes(elapsed) + " elapsed";
  if (part > 0) line += ", " + HoursMinutes(elapsed * (1 - part) / part) + " left";
  if (m_frames > 1) line += "  frame " + std::to_string(frame) + " of " + std::to_string(m_frames);
  const int width = static_cast<int>(line.size());
  std::fprintf(stderr, "\r%s%*s", line.c_str(), std::max(m_width - width, 0), "");
  std::fflush(stderr);
  m_width = std::max(m_width, width);
}
