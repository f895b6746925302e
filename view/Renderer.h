// The escape-time renderer. IterateScalar and RenderScalar are the reference:
// every faster path must give the same counts and pixels, bit for bit.
#pragma once

#include <cstdint>

#include "view/ViewParameters.h"

// Iterations until |z|^2 reaches 4 (tested before each update) or the limit
// (tested after it); 0 when the limit is below 1.
int IterateScalar(double x, double y, int limit);

// The pixel's COLORREF for count k.
Colour PixelColour(const ViewParameters& view, int k);

// A pixel as a 32-bit top-down DIB stores it: 0x00RRGGBB.
constexpr std::uint32_t DibPixel(Colour c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

// Fills edge x edge DIB pixels, top row first. Returns the total of all counts.
std::uint64_t RenderScalar(const ViewParameters& view, std::uint32_t* pixels);

// An instruction set the fast renderer can use: a row of view/KernelTable.h,
// or null for the widest this processor has.
struct KernelRow;
using Kernel = const KernelRow*;

// "auto" or the kernel's name in the table.
const char* KernelName(Kernel kernel);
// True when this build and this processor can run the kernel.
bool KernelAvailable(Kernel kernel);
// The kernel null stands for here.
Kernel BestKernel();

struct RenderOptions {
  Kernel kernel = nullptr;
  int threads = 0;  // 0: one per processor, once the render proves long enough to need them
};

// The same image and total as RenderScalar, as fast as the options allow.
// Returns only when every pixel is done; no thread outlives the call.
std::uint64_t Render(const ViewParameters& view, std::uint32_t* pixels, const RenderOptions& options = {});

// Rows firstRow .. firstRow + rows - 1 of the same image, pixel for pixel,
// into edge x rows pixels. Returns the total of their counts.
std::uint64_t RenderRows(const ViewParameters& view, int firstRow, int rows, std::uint32_t* pixels,
                         const RenderOptions& options = {});

// An image of width x height on the square view's lattice: its pixel (j, i)
// is where the square's pixel (j - dx, i - dy) would be, inside the square or not.
struct ImageShape {
  int width, height, dx, dy;
};

// The view's square of min(width, height) centred in a width x height image.
ImageShape CentredShape(int width, int height);

// The same as RenderRows, for rows of an image of that shape: width x rows pixels.
std::uint64_t RenderRows(const ViewParameters& view, const ImageShape& shape, int firstRow, int rows,
                         std::uint32_t* pixels, const RenderOptions& options = {});
