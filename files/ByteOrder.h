// Integers to and from bytes in a fixed order, whatever the processor's own.
#pragma once

#include <cstdint>

inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) p[b] = static_cast<std::uint8_t>(v >> 8 * b);
}

inline void StoreLe64(std::uint8_t* p, std::uint64_t v) {
  for (int b = 0; b < 8; ++b) p[b] = static_cast<std::uint8_t>(v >> 8 * b);
}

inline void StoreBe32(std::uint8_t* p, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) p[b] = static_cast<std::uint8_t>(v >> (24 - 8 * b));
}

inline std::uint16_t LoadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t LoadLe64(const std::uint8_t* p) {
  return LoadLe32(p) | static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32;
}
