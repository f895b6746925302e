// Draws a view into a BMP or PNG file a band of rows at a time, so memory
// stays bounded at any size, through a temporary file that replaces the
// target only once complete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tools/RenderArguments.h"
#include "view/Renderer.h"
#include "view/ViewParameters.h"

// Returns the total of the counts. progress hears the part done, 0 to 1,
// after each band.
std::uint64_t WriteImage(const ViewParameters& view, const std::string& path, ImageFormat format,
                         const RenderOptions& options, const std::function<void(double)>& progress);
