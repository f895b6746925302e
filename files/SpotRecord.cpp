#include "files/SpotRecord.h"

#include <cmath>
#include <cstring>

namespace {

void Put(std::uint8_t* p, std::uint64_t v, int bytes) {
  for (int b = 0; b < bytes; ++b) p[b] = static_cast<std::uint8_t>(v >> 8 * b);
}

std::uint64_t Get(const std::uint8_t* p, int bytes) {
  std::uint64_t v = 0;
  for (int b = bytes - 1; b >= 0; --b) v = v << 8 | p[b];
  return v;
}

void PutDouble(std::uint8_t* p, double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  Put(p, bits, 8);
}

double GetDouble(const std::uint8_t* p) {
  const std::uint64_t bits = Get(p, 8);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace

std::array<std::uint8_t, kSpotRecordSize> EncodeSpot(const SpotRecord& r) {
  std::array<std::uint8_t, kSpotRecordSize> bytes{};  // the reserved bytes stay zero
  PutDouble(&bytes[0], r.halfWidth);
  PutDouble(&bytes[8], r.centreX);
  PutDouble(&bytes[16], r.centreY);
  Put(&bytes[24], r.inColour, 4);
  Put(&bytes[28], r.outColour, 4);
  Put(&bytes[32], static_cast<std::uint32_t>(r.maxIterations), 4);
  return bytes;
}

std::optional<SpotRecord> DecodeSpot(const std::uint8_t* bytes, std::size_t size) {
  if (size < kSpotRecordSize) return std::nullopt;
  SpotRecord r;
  r.halfWidth = GetDouble(bytes);
  r.centreX = GetDouble(bytes + 8);
  r.centreY = GetDouble(bytes + 16);
  r.inColour = static_cast<Colour>(Get(bytes + 24, 4));
  r.outColour = static_cast<Colour>(Get(bytes + 28, 4));
  r.maxIterations = static_cast<std::int32_t>(Get(bytes + 32, 4));
  // Such values would draw garbage or keep the render busy for hours.
  const bool valid = std::isfinite(r.halfWidth) && r.halfWidth > 0 && std::isfinite(r.centreX) &&
                     std::isfinite(r.centreY) && r.maxIterations >= 1 && r.maxIterations <= kMaxSpotIterations;
  if (!valid) return std::nullopt;
  return r;
}

SpotRecord MakeSpot(const ViewParameters& view) {
  return {view.halfWidth, view.centreX, view.centreY, view.inColour, view.outColour, view.maxIterations};
}

void ApplySpot(const SpotRecord& record, ViewParameters& view) {
  view.halfWidth = record.halfWidth;
  view.centreX = record.centreX;
  view.centreY = record.centreY;
  Settings settings = view.AsSettings();
  settings.inColour = record.inColour;
  settings.outColour = record.outColour;
  settings.maxIterations = record.maxIterations;
  view.ApplySettings(settings);
}
