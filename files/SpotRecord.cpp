#include "files/SpotRecord.h"

#include <cmath>
#include <cstring>

#include "files/ByteOrder.h"

namespace {

void PutDouble(std::uint8_t* p, double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  StoreLe64(p, bits);
}

double GetDouble(const std::uint8_t* p) {
  const std::uint64_t bits = LoadLe64(p);
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
  StoreLe32(&bytes[24], r.inColour);
  StoreLe32(&bytes[28], r.outColour);
  StoreLe32(&bytes[32], static_cast<std::uint32_t>(r.maxIterations));
  return bytes;
}

std::optional<SpotRecord> DecodeSpot(const std::uint8_t* bytes, std::size_t size) {
  if (size < kSpotRecordSize) return std::nullopt;
  SpotRecord r;
  r.halfWidth = GetDouble(bytes);
  r.centreX = GetDouble(bytes + 8);
  r.centreY = GetDouble(bytes + 16);
  r.inColour = LoadLe32(bytes + 24);
  r.outColour = LoadLe32(bytes + 28);
  r.maxIterations = static_cast<std::int32_t>(LoadLe32(bytes + 32));
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

bool LoadSpot(const std::uint8_t* bytes, std::size_t size, ViewParameters& view) {
  const std::optional<SpotRecord> spot = DecodeSpot(bytes, size);
  if (spot) ApplySpot(*spot, view);
  return spot.has_value();
}
