#include "GuiTest.h"

#include <utility>
#include <vector>

#include "app/MainFrame.h"
#include "app/resource.h"

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
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != 0)
    return;
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

void ClearSettings() { ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

CMainFrame* CreateMainFrame() {
  auto* frame = new CMainFrame;
  if (!frame->LoadFrame(IDR_MAINFRAME, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) {
    delete frame;
    return nullptr;
  }
  return frame;
}

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
