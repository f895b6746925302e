// What image is drawn: the region of the plane, its pixel size, the
// iteration limit and the colour gradient, and the navigation over them.
#pragma once

#include <cstdint>

#include "app/Settings.h"

// Where pixel (j, i) lies in the plane: x = j / scale + left, y = top - i / scale.
struct PixelMapping {
  double scale;
  double left;
  double top;
};

struct ViewParameters {
  ViewParameters() = default;
  // Reads the six settings in order.
  explicit ViewParameters(const Profile& profile);

  // Takes the six values and recomputes what derives from them. Zoom rate
  // and iteration limit below 1 would divide by zero or give an infinite
  // gradient, so they become 1; a limit above 32767, which only a
  // hand-edited registry holds, becomes 32767, so that a Spot saved from the
  // view loads again.
  void ApplySettings(const Settings& settings);
  Settings AsSettings() const;

  void ComputeGradient();
  void Reset();
  // direction: +1 zoom in, -1 zoom out, 0 recentre only. A click that would
  // take the half-width to 0 or the view to infinity changes nothing, so
  // every view reached can be saved as a Spot and loaded again.
  void ZoomAt(int x, int y, int direction);
  void SetEdge(int newEdge);
  PixelMapping Mapping() const;

  bool notRendered = true;
  double halfWidth = 2.0;
  double centreX = 0.0;
  double centreY = 0.0;
  double stepRed = 0.0;
  double stepGreen = 0.0;
  double stepBlue = 0.0;
  std::int32_t maxIterations = setting::kDefaultMaxIterations;
  std::int32_t edge = setting::kDefaultWindowSize;
  std::int32_t halfEdge = setting::kDefaultWindowSize / 2;
  std::int32_t zoomRate = setting::kDefaultZoomRate;
  std::int32_t force24Bit = setting::kDefaultForce24Bit;
  Colour inColour = setting::kDefaultInColour;
  Colour outColour = setting::kDefaultOutColour;
};
