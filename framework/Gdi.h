// GDI objects that delete their handle, and selections restored by scope.
#pragma once

#include <windows.h>

#include <utility>

#include "framework/Handles.h"

template <class Handle>
using CGdiObject = CHandle<HandleTraits<Handle, &::DeleteObject>>;

struct CPen : CGdiObject<HPEN> {
  CPen() = default;
  CPen(int style, int width, COLORREF colour) : CGdiObject<HPEN>(::CreatePen(style, width, colour)) {}
};

struct CBrush : CGdiObject<HBRUSH> {
  CBrush() = default;
  explicit CBrush(COLORREF colour) : CGdiObject<HBRUSH>(::CreateSolidBrush(colour)) {}
};

struct CFont : CGdiObject<HFONT> {
  BOOL CreateFontIndirect(const LOGFONTA* font) {
    reset(::CreateFontIndirectA(font));
    return get() != nullptr;
  }
};

struct CBitmap : CGdiObject<HBITMAP> {
  BOOL CreateCompatibleBitmap(HDC dc, int width, int height) {
    reset(::CreateCompatibleBitmap(dc, width, height));
    return get() != nullptr;
  }
};

struct CPalette : CGdiObject<HPALETTE> {
  BOOL CreatePalette(const LOGPALETTE* palette) {
    reset(::CreatePalette(palette));
    return get() != nullptr;
  }
};

// A device context we made ourselves (memory DCs).
struct CDC : CHandle<HandleTraits<HDC, &::DeleteDC>> {
  BOOL CreateCompatibleDC(HDC reference) {
    reset(::CreateCompatibleDC(reference));
    return get() != nullptr;
  }
};

// A bitmap selected into a memory device context of its own for the life of
// the object. The context's own first bitmap goes back in before the context
// and then the bitmap are freed.
class CMemoryImage {
 public:
  CMemoryImage() = default;
  ~CMemoryImage() {
    if (m_original) ::SelectObject(m_dc.get(), m_original);
    m_dc.reset();
    m_bitmap.reset();
  }
  CMemoryImage(const CMemoryImage&) = delete;
  CMemoryImage& operator=(const CMemoryImage&) = delete;

  // A new bitmap compatible with reference in place of the one held, which
  // is freed. False when it cannot be made: the old one stays, selected.
  bool Create(HDC reference, int width, int height) {
    if (!m_dc && !m_dc.CreateCompatibleDC(reference)) return false;
    CBitmap fresh;
    if (!fresh.CreateCompatibleBitmap(reference, width, height)) return false;
    HGDIOBJ previous = ::SelectObject(m_dc.get(), fresh.get());
    if (!previous) return false;
    if (!m_original) m_original = previous;
    m_bitmap = std::move(fresh);  // the old bitmap is no longer selected
    return true;
  }
  HDC get() const { return m_dc.get(); }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
  HGDIOBJ m_original = nullptr;
};

// A window's client-area device context for the life of the object.
struct ClientDCTraits {
  struct Held {
    HWND hwnd;
    HDC dc;
  };
  static Held Enter(HWND hwnd) { return {hwnd, ::GetDC(hwnd)}; }
  static void Leave(const Held& held) {
    if (held.dc) ::ReleaseDC(held.hwnd, held.dc);
  }
  static HDC Get(const Held& held) { return held.dc; }
};
using CClientDC = CScope<ClientDCTraits>;

// Painting a window between BeginPaint and EndPaint.
struct PaintDCTraits {
  struct Held {
    HWND hwnd;
    HDC dc;
    PAINTSTRUCT ps;
  };
  static Held Enter(HWND hwnd) {
    Held held = {hwnd, nullptr, {}};
    held.dc = ::BeginPaint(hwnd, &held.ps);
    return held;
  }
  static void Leave(const Held& held) { ::EndPaint(held.hwnd, &held.ps); }
  static HDC Get(const Held& held) { return held.dc; }
};
class CPaintDC : public CScope<PaintDCTraits> {
 public:
  using CScope::CScope;
  // The part to be painted.
  const RECT& PaintRect() const { return m_held.ps.rcPaint; }
};

// Selects an object for the life of the scope and then the previous one back.
struct SelectObjectTraits {
  struct Held {
    HDC dc;
    HGDIOBJ previous;
  };
  static Held Enter(HDC dc, HGDIOBJ object) { return {dc, object ? ::SelectObject(dc, object) : nullptr}; }
  static void Leave(const Held& held) {
    if (held.previous) ::SelectObject(held.dc, held.previous);
  }
};
using CSelectObject = CScope<SelectObjectTraits>;

struct SelectPaletteTraits {
  struct Held {
    HDC dc;
    HPALETTE previous;
  };
  static Held Enter(HDC dc, HPALETTE palette, BOOL background) {
    return {dc, palette ? ::SelectPalette(dc, palette, background) : nullptr};
  }
  static void Leave(const Held& held) {
    if (held.previous) ::SelectPalette(held.dc, held.previous, FALSE);
  }
};
using CSelectPalette = CScope<SelectPaletteTraits>;

// Fills with a solid colour without making a brush.
inline void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  COLORREF previous = ::SetBkColor(dc, colour);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  ::SetBkColor(dc, previous);
}
