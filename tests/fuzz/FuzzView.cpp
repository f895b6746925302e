// View parameters from raw bytes: any doubles (NaN, infinities, subnormals,
// huge values), any limit a Spot may hold, edges up to 64 and odd thread
// counts. Every kernel gives the plain loop's pixels bit for bit.
#include <algorithm>
#include <cstring>

#include "SameAsScalar.h"
#include "files/SpotRecord.h"

namespace {

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  template <typename T>
  T Take() {
    T value{};
    const std::size_t n = std::min(sizeof value, m_size);
    std::memcpy(&value, m_data, n);
    m_data += n;
    m_size -= n;
    return value;
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  ViewParameters view;
  view.halfWidth = in.Take<double>();
  view.centreX = in.Take<double>();
  view.centreY = in.Take<double>();
  view.inColour = in.Take<std::uint32_t>();
  view.outColour = in.Take<std::uint32_t>();
  view.maxIterations = static_cast<int>(in.Take<std::uint16_t>() % kMaxSpotIterations) + 1;
  view.SetEdge(EdgeWithinBound(view.maxIterations, in.Take<std::uint8_t>() % 64 + 1));
  view.ComputeGradient();
  static constexpr int kThreads[] = {0, 1, 2, 3, 5, 7};
  ExpectSameAsScalar(view, kThreads[in.Take<std::uint8_t>() % 6]);
  return 0;
}
