// A saved view: 40 bytes, little-endian, no header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "view/ViewParameters.h"

struct SpotRecord {
  double halfWidth = 2.0;
  double centreX = 0.0;
  double centreY = 0.0;
  Colour inColour = 0;
  Colour outColour = 0;
  std::int32_t maxIterations = 0;
};

constexpr std::size_t kSpotRecordSize = 40;
constexpr std::int32_t kMaxSpotIterations = setting::kMaxMaxIterations;

std::array<std::uint8_t, kSpotRecordSize> EncodeSpot(const SpotRecord& record);

// Takes the first 40 bytes. Nothing for a shorter file, or for values the
// program never writes: a half-width that is not finite and positive, a
// centre that is not finite, an iteration limit outside 1..32767.
std::optional<SpotRecord> DecodeSpot(const std::uint8_t* bytes, std::size_t size);

// The view's region, colours and iteration limit as a record, as Save Spot
// writes it.
SpotRecord MakeSpot(const ViewParameters& view);
// Takes over the record's region, colours and iteration limit, and the
// gradient they give.
void ApplySpot(const SpotRecord& record, ViewParameters& view);

// Takes the view saved in a Spot file's bytes, as Load Spot does: false, with
// the view unchanged, for bytes DecodeSpot refuses.
bool LoadSpot(const std::uint8_t* bytes, std::size_t size, ViewParameters& view);
