// Spot file bytes of any length: a record that is accepted renders, with
// every kernel, the plain loop's image, within the work its limit allows.
#include <algorithm>
#include <cstdlib>

#include "SameAsScalar.h"
#include "files/SpotRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<SpotRecord> spot = DecodeSpot(data, size);
  if (!spot) return 0;
  // What a file may hold is what the program's own view may hold.
  if (!(spot->halfWidth > 0) || spot->maxIterations < 1 || spot->maxIterations > kMaxSpotIterations) std::abort();
  const auto bytes = EncodeSpot(*spot);
  if (!std::equal(bytes.begin(), bytes.begin() + 36, data)) std::abort();

  ViewParameters view;
  ApplySpot(*spot, view);
  view.SetEdge(EdgeWithinBound(view.maxIterations, 16));
  ExpectSameAsScalar(view, size % 4 == 0 ? 3 : 1);
  return 0;
}
