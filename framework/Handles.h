// Handles that free themselves: one owner each, movable, never copied.
#pragma once

#include <windows.h>

#include <utility>

template <class Handle, auto Free>
class CHandle {
 public:
  CHandle() = default;
  explicit CHandle(Handle h) : m_handle(h) {}
  ~CHandle() { Release(); }
  CHandle(CHandle&& other) noexcept : m_handle(other.Detach()) {}
  CHandle& operator=(CHandle&& other) noexcept {
    if (this != &other) Attach(other.Detach());
    return *this;
  }
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;

  Handle GetSafeHandle() const { return m_handle; }
  operator Handle() const { return m_handle; }
  void Attach(Handle h) {
    Release();
    m_handle = h;
  }
  // The caller, or whoever it hands the handle to, frees it.
  Handle Detach() { return std::exchange(m_handle, nullptr); }
  void Release() {
    if (m_handle) Free(std::exchange(m_handle, nullptr));
  }

 private:
  Handle m_handle = nullptr;
};

using CIcon = CHandle<HICON, &::DestroyIcon>;
using CCursor = CHandle<HCURSOR, &::DestroyCursor>;
using CMenuHandle = CHandle<HMENU, &::DestroyMenu>;
using CRegKey = CHandle<HKEY, &::RegCloseKey>;
using CGlobalBlock = CHandle<HGLOBAL, &::GlobalFree>;

// The clipboard, open for the life of the object when IsOpen.
class CClipboard {
 public:
  explicit CClipboard(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
  ~CClipboard() {
    if (m_open) ::CloseClipboard();
  }
  CClipboard(const CClipboard&) = delete;
  CClipboard& operator=(const CClipboard&) = delete;
  bool IsOpen() const { return m_open; }

 private:
  bool m_open;
};
