// Helpers shared by the in-process GUI tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CMainFrame;

// Dispatches everything queued for this thread.
void PumpMessages();

// The program's stored settings: set one, or remove them all.
void StoreSetting(const char* name, int value);
std::optional<int> StoredSetting(const char* name);
void ClearSettings();

// A main frame as the program makes it, not yet shown; destroyed with its
// window. Defined beside the program's tests' main: the framework's own test
// links no program.
CMainFrame* CreateMainFrame();

// Runs action on this thread's next pass through a message loop (a modal
// dialog's too), after the given delay.
void RunSoon(std::function<void()> action, UINT delayMs = 50);

// Waits (pumping) until a visible top-level window with this class and
// caption exists, or gives up after timeoutMs.
HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs = 5000);

// Points this program's import of module!function at replacement for the life
// of the object, so a test can make a system call fail. Calls from the
// system's own libraries are not affected.
class ScopedImportPatch {
 public:
  ScopedImportPatch(const char* module, const char* function, const void* replacement);
  ~ScopedImportPatch();
  ScopedImportPatch(const ScopedImportPatch&) = delete;
  ScopedImportPatch& operator=(const ScopedImportPatch&) = delete;
  // False when the program does not import the function.
  bool Active() const { return m_slot != nullptr; }

 private:
  void Write(const void* value);
  const void** m_slot = nullptr;
  const void* m_original = nullptr;
};

// Replaces the clipboard's contents with text, owned by owner.
void PutClipboardText(HWND owner, const char* text);
// The clipboard's CF_TEXT, or nothing when it holds none.
std::optional<std::string> ClipboardText();

class CWnd;
// Offers a key press with Ctrl held down, aimed at target, to frame's
// PreTranslateMessage as the message loop would; true when it was taken.
BOOL PressCtrlKey(CWnd& frame, HWND target, WPARAM key);

// Top-down 0x00RRGGBB pixels of a bitmap, which may be selected into a device context.
std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap);
