// Small value types over the Win32 structures.
#pragma once

#include <windows.h>

struct CPoint : POINT {
  CPoint() : POINT{0, 0} {}
  CPoint(int px, int py) : POINT{px, py} {}
  CPoint(POINT p) : POINT(p) {}
};

struct CSize : SIZE {
  CSize() : SIZE{0, 0} {}
  CSize(int w, int h) : SIZE{w, h} {}
};

struct CRect : RECT {
  CRect() : RECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  CRect(const RECT& r) : RECT(r) {}
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CPoint TopLeft() const { return {left, top}; }
  bool PtInRect(POINT p) const { return ::PtInRect(this, p) != FALSE; }
  void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
  void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
  bool operator==(const CRect& o) const { return ::EqualRect(this, &o) != FALSE; }
};
