#include "view/ViewParameters.h"

#include <algorithm>
#include <cmath>

ViewParameters::ViewParameters(const Profile& profile) { ApplySettings(ReadSettings(profile)); }

void ViewParameters::ApplySettings(const Settings& s) {
  inColour = s.inColour;
  outColour = s.outColour;
  force24Bit = s.force24Bit;
  // Only something outside the program can store these below 1.
  zoomRate = std::max(s.zoomRate, 1);
  maxIterations = std::clamp(s.maxIterations, 1, setting::kMaxMaxIterations);
  SetEdge(s.edge);
  ComputeGradient();
}

Settings ViewParameters::AsSettings() const { return {inColour, outColour, force24Bit, zoomRate, maxIterations, edge}; }

void ViewParameters::ComputeGradient() {
  const double n = maxIterations;
  stepRed = static_cast<double>(Red(inColour) - Red(outColour)) / n;
  stepGreen = static_cast<double>(Green(inColour) - Green(outColour)) / n;
  stepBlue = static_cast<double>(Blue(inColour) - Blue(outColour)) / n;
}

void ViewParameters::Reset() {
  halfWidth = 2.0;
  centreX = 0.0;
  centreY = 0.0;
}

void ViewParameters::ZoomAt(int x, int y, int direction) {
  const double hw = halfWidth;
  const double h = halfEdge;
  const double newX = (x * hw / h - hw) + centreX;
  const double newY = (hw - y * hw / h) + centreY;
  double width = hw;
  if (direction > 0)
    width = hw / zoomRate;
  else if (direction < 0)
    width = zoomRate * hw;
  if (!std::isfinite(newX) || !std::isfinite(newY) || !std::isfinite(width) || width <= 0) return;
  centreX = newX;
  centreY = newY;
  halfWidth = width;
}

void ViewParameters::SetEdge(int newEdge) {
  edge = newEdge;
  halfEdge = newEdge / 2;
}

PixelMapping ViewParameters::Mapping() const {
  return {halfEdge / halfWidth, centreX - halfWidth, centreY + halfWidth};
}
