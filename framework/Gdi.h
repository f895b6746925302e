// GDI objects that delete their handle, and selections restored by scope.
#pragma once

#include <windows.h>

#include <utility>

#include "framework/Handles.h"

template <class Handle>
using CGdiObject = CHandle<Handle, &::DeleteObject>;

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
    Attach(::CreateFontIndirectA(font));
    return GetSafeHandle() != nullptr;
  }
};

struct CBitmap : CGdiObject<HBITMAP> {
  BOOL CreateCompatibleBitmap(HDC dc, int width, int height) {
    Attach(::CreateCompatibleBitmap(dc, width, height));
    return GetSafeHandle() != nullptr;
  }
};

struct CPalette : CGdiObject<HPALETTE> {
  BOOL CreatePalette(const LOGPALETTE* palette) {
    Attach(::CreatePalette(palette));
    return GetSafeHandle() != nullptr;
  }
};

// A device context we made ourselves (memory DCs); deleted with the object.
class CDC {
 public:
  CDC() = default;
  ~CDC() { DeleteDC(); }
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  BOOL CreateCompatibleDC(HDC reference) {
    DeleteDC();
    m_hDC = ::CreateCompatibleDC(reference);
    return m_hDC != nullptr;
  }
  BOOL DeleteDC() { return m_hDC ? ::DeleteDC(std::exchange(m_hDC, nullptr)) : FALSE; }
  operator HDC() const { return m_hDC; }

 protected:
  HDC m_hDC = nullptr;
};

// A bitmap selected into a memory device context of its own for the life of
// the object. The context's own first bitmap goes back in before the context
// and then the bitmap are freed.
class CMemoryImage {
 public:
  CMemoryImage() = default;
  ~CMemoryImage() {
    if (m_original) ::SelectObject(m_dc, m_original);
    m_dc.DeleteDC();
    m_bitmap.Release();
  }
  CMemoryImage(const CMemoryImage&) = delete;
  CMemoryImage& operator=(const CMemoryImage&) = delete;

  // A new bitmap compatible with reference in place of the one held, which
  // is freed. False when it cannot be made: the old one stays, selected.
  bool Create(HDC reference, int width, int height) {
    if (!m_dc && !m_dc.CreateCompatibleDC(reference)) return false;
    CBitmap fresh;
    if (!fresh.CreateCompatibleBitmap(reference, width, height)) return false;
    HGDIOBJ previous = ::SelectObject(m_dc, fresh);
    if (!previous) return false;
    if (!m_original) m_original = previous;
    m_bitmap = std::move(fresh);  // the old bitmap is no longer selected
    return true;
  }
  operator HDC() const { return m_dc; }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
  HGDIOBJ m_original = nullptr;
};

// A window's client-area device context for the life of the object.
class CClientDC {
 public:
  explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_hDC(::GetDC(hwnd)) {}
  ~CClientDC() {
    if (m_hDC) ::ReleaseDC(m_hwnd, m_hDC);
  }
  CClientDC(const CClientDC&) = delete;
  CClientDC& operator=(const CClientDC&) = delete;
  operator HDC() const { return m_hDC; }

 private:
  HWND m_hwnd;
  HDC m_hDC;
};

class CPaintDC {
 public:
  explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd), m_hDC(::BeginPaint(hwnd, &m_ps)) {}
  ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  operator HDC() const { return m_hDC; }

  PAINTSTRUCT m_ps = {};

 private:
  HWND m_hwnd;
  HDC m_hDC;
};

// Selects an object for the life of the scope and then the previous one back.
class CSelectObject {
 public:
  CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(object ? ::SelectObject(dc, object) : nullptr) {}
  ~CSelectObject() {
    if (m_previous) ::SelectObject(m_dc, m_previous);
  }
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_previous;
};

class CSelectPalette {
 public:
  CSelectPalette(HDC dc, HPALETTE palette, BOOL background)
      : m_dc(dc), m_previous(palette ? ::SelectPalette(dc, palette, background) : nullptr) {}
  ~CSelectPalette() {
    if (m_previous) ::SelectPalette(m_dc, m_previous, FALSE);
  }
  CSelectPalette(const CSelectPalette&) = delete;
  CSelectPalette& operator=(const CSelectPalette&) = delete;

 private:
  HDC m_dc;
  HPALETTE m_previous;
};

// Fills with a solid colour without making a brush.
inline void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  COLORREF previous = ::SetBkColor(dc, colour);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  ::SetBkColor(dc, previous);
}
