// Draws views into BMP or PNG files a group of rows at a time, so memory
// stays bounded at any size, each through a temporary file that replaces the
// target only once complete. One set of threads renders, packs and compresses
// the groups while the calling thread writes them in order, so a frame's
// next rows, and the next frame, render while the last are written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "files/SafeFile.h"
#include "tools/RenderArguments.h"
#include "view/Renderer.h"
#include "view/ViewParameters.h"

// frames images of width x height, frame k (from 1) of view(k) into path(k):
// the view's square of min(width, height) centred in each, and its lattice
// extended over the rest.
struct ImageSeries {
  int frames = 1;
  int width = 0, height = 0;
  std::function<ViewParameters(int)> view;
  std::function<std::string(int)> path;
  ImageFormat format = ImageFormat::Bmp;
  // Each pixel the average of supersample x supersample samples.
  int supersample = 1;
  // With a part head (PartFile.h), the one frame's band part of parts, whole
  // row groups in the order the file stores them, goes into a part file.
  std::string partHead;
  int part = 1, parts = 1;
};

void WriteBmpHeaders(SafeFile& file, int width, int height);

// Returns the total of the counts. progress hears the frame and the part of
// it written, 0 to 1, after each group.
std::uint64_t WriteImages(const ImageSeries& series, const RenderOptions& options,
                          const std::function<void(int, double)>& progress);
