// Handles that free themselves, and things held for the life of a scope.
#pragma once

#include <windows.h>

#include <utility>

// One owner for a handle: movable, never copied, freed by Traits::Close.
// Traits also names the Handle type and its empty value, Invalid().
template <class Traits>
class CHandle {
 public:
  using Handle = typename Traits::Handle;

  CHandle() = default;
  explicit CHandle(Handle h) : m_handle(h) {}
  ~CHandle() { reset(); }
  CHandle(CHandle&& other) noexcept : m_handle(other.release()) {}
  CHandle& operator=(CHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;

  Handle get() const { return m_handle; }
  explicit operator bool() const { return m_handle != Traits::Invalid(); }
  // Frees the handle held and takes h.
  void reset(Handle h = Traits::Invalid()) {
    Handle old = std::exchange(m_handle, h);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // The caller, or whoever it hands the handle to, frees it.
  Handle release() { return std::exchange(m_handle, Traits::Invalid()); }

 private:
  Handle m_handle = Traits::Invalid();
};

// The usual kind: null is empty.
template <class H, auto Free>
struct HandleTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { Free(h); }
};

// Files are empty at INVALID_HANDLE_VALUE; null is a handle like any other.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

using CIcon = CHandle<HandleTraits<HICON, &::DestroyIcon>>;
using CCursor = CHandle<HandleTraits<HCURSOR, &::DestroyCursor>>;
using CMenuHandle = CHandle<HandleTraits<HMENU, &::DestroyMenu>>;
using CRegKey = CHandle<HandleTraits<HKEY, &::RegCloseKey>>;
using CGlobalBlock = CHandle<HandleTraits<HGLOBAL, &::GlobalFree>>;
using CFileHandle = CHandle<FileHandleTraits>;

// Something held for the life of a scope, never copied: Traits::Enter takes
// it in the constructor and Traits::Leave gives it back in the destructor.
// get() is what Traits::Get makes of it, for scopes that offer a handle.
template <class Traits>
class CScope {
 public:
  template <class... Args>
  explicit CScope(Args... args) : m_held(Traits::Enter(args...)) {}
  ~CScope() { Traits::Leave(m_held); }
  CScope(const CScope&) = delete;
  CScope& operator=(const CScope&) = delete;

  auto get() const { return Traits::Get(m_held); }
  explicit operator bool() const { return static_cast<bool>(get()); }

 protected:
  typename Traits::Held m_held;
};

// The clipboard, open for the life of the object when it converts to true.
struct ClipboardTraits {
  using Held = bool;
  static bool Enter(HWND owner) { return ::OpenClipboard(owner) != FALSE; }
  static void Leave(bool open) {
    if (open) ::CloseClipboard();
  }
  static bool Get(bool open) { return open; }
};
using CClipboard = CScope<ClipboardTraits>;
