// Views that stress the renderer: deep zooms, long orbits, odd and tiny
// edges, and mappings that turn into infinities or NaN.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "MemoryProfile.h"
#include "view/ViewParameters.h"

struct Scene {
  std::string name;
  ViewParameters view;
};

inline ViewParameters MakeView(int edge, int iterations, double cx, double cy, double halfWidth) {
  ViewParameters view(MemoryProfile{});
  view.SetEdge(edge);
  view.maxIterations = iterations;
  view.centreX = cx;
  view.centreY = cy;
  view.halfWidth = halfWidth;
  view.ComputeGradient();
  return view;
}

inline Scene MakeScene(std::string name, int edge, int iterations, double cx, double cy, double halfWidth) {
  return {std::move(name), MakeView(edge, iterations, cx, cy, halfWidth)};
}

inline std::vector<Scene> Scenes() {
  return {
      MakeScene("default", 400, 200, 0, 0, 2),
      MakeScene("deep zoom", 64, 5000, -0.743643887037151, 0.131825904205330, 1e-12),
      MakeScene("long orbits", 101, 5000, -0.7453, 0.1127, 6.5e-3),
      MakeScene("one iteration", 17, 1, 0, 0, 2),
      MakeScene("odd edge", 401, 50, -0.5, 0.25, 1.25),
      MakeScene("edge 1: NaN points", 1, 30, 0, 0, 2),
      MakeScene("edge 3", 3, 30, 0.25, 0, 0.5),
      MakeScene("subnormal half-width", 16, 40, -0.75, 0.1, 1e-320),
      MakeScene("huge half-width", 16, 40, 0, 0, 1e300),
  };
}
