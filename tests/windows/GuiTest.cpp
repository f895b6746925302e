#include "GuiTest.h"

#include <utility>
#include <vector>

#include "framework/Wnd.h"

namespace {
constexpr char kSettingsKey[] = "Software\\Brisklane\\Fractavo";
std::vector<std::function<void()>> pendingActions;

void CALLBACK RunPending(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  if (pendingActions.empty()) return;
  auto action = std::move(pendingActions.front());
  pendingActions.erase(pendingActions.begin());
  action();
}
}  // namespace

void PumpMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void StoreSetting(const char* name, int value) {
  HKEY key;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != 0) return;
  DWORD data = static_cast<DWORD>(value);
  ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  ::RegCloseKey(key);
}

std::optional<int> StoredSetting(const char* name) {
  DWORD data = 0, size = sizeof data, type = 0;
  HKEY key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != 0) return std::nullopt;
  LONG status = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  ::RegCloseKey(key);
  if (status != 0 || type != REG_DWORD) return std::nullopt;
  return static_cast<int>(data);
}

void ClearSettings() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

void RunSoon(std::function<void()> action, UINT delayMs) {
  pendingActions.push_back(std::move(action));
  ::SetTimer(nullptr, 0, delayMs, &RunPending);
}

HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) {
  DWORD start = ::GetTickCount();
  for (;;) {
    HWND found = ::FindWindowA(className, caption);
    if (found && ::IsWindowVisible(found)) return found;
    if (::GetTickCount() - start > timeoutMs) return nullptr;
    PumpMessages();
    ::Sleep(10);
  }
}

ScopedImportPatch::ScopedImportPatch(const char* module, const char* function, const void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name; ++dll) {
    if (::lstrcmpiA(reinterpret_cast<char*>(base + dll->Name), module) != 0) continue;
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; name->u1.AddressOfData; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
      if (::lstrcmpA(reinterpret_cast<char*>(byName->Name), function) != 0) continue;
      m_slot = reinterpret_cast<const void**>(&slot->u1.Function);
      m_original = *m_slot;
      Write(replacement);
      return;
    }
  }
}

ScopedImportPatch::~ScopedImportPatch() {
  if (m_slot) Write(m_original);
}

void ScopedImportPatch::Write(const void* value) {
  DWORD protection;
  ::VirtualProtect(m_slot, sizeof *m_slot, PAGE_READWRITE, &protection);
  *m_slot = value;
  ::VirtualProtect(m_slot, sizeof *m_slot, protection, &protection);
}

void PutClipboardText(HWND owner, const char* text) {
  if (!::OpenClipboard(owner)) return;
  ::EmptyClipboard();
  const size_t size = ::lstrlenA(text) + 1;
  if (HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size)) {
    ::CopyMemory(::GlobalLock(block), text, size);
    ::GlobalUnlock(block);
    if (!::SetClipboardData(CF_TEXT, block)) ::GlobalFree(block);
  }
  ::CloseClipboard();
}

std::optional<std::string> ClipboardText() {
  if (!::OpenClipboard(nullptr)) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE block = ::GetClipboardData(CF_TEXT)) {
    if (auto* chars = static_cast<const char*>(::GlobalLock(block))) {
      text = chars;
      ::GlobalUnlock(block);
    }
  }
  ::CloseClipboard();
  return text;
}

BOOL PressCtrlKey(CWnd& frame, HWND target, WPARAM key) {
  BYTE saved[256], down[256];
  ::GetKeyboardState(saved);
  ::GetKeyboardState(down);
  down[VK_CONTROL] = 0x80;
  ::SetKeyboardState(down);
  MSG msg = {target, WM_KEYDOWN, key, 0x00000001, ::GetTickCount(), {0, 0}};
  const BOOL taken = frame.PreTranslateMessage(&msg);
  ::SetKeyboardState(saved);
  return taken;
}

std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap) {
  BITMAP shape = {};
  ::GetObjectA(bitmap, sizeof shape, &shape);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, shape.bmWidth, -shape.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> pixels(static_cast<size_t>(shape.bmWidth) * static_cast<size_t>(shape.bmHeight));
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(shape.bmHeight), pixels.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}
