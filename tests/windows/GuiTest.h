// Helpers shared by the in-process GUI tests.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

class CMainFrame;

// Dispatches everything queued for this thread.
void PumpMessages();

// The program's stored settings: set one, or remove them all.
void StoreSetting(const char* name, int value);
std::optional<int> StoredSetting(const char* name);
void ClearSettings();

// A main frame as the program makes it, not yet shown; destroyed with its window.
CMainFrame* CreateMainFrame();

// Runs action on this thread's next pass through a message loop (a modal
// dialog's too), after the given delay.
void RunSoon(std::function<void()> action, UINT delayMs = 50);

// Waits (pumping) until a visible top-level window with this class and
// caption exists, or gives up after timeoutMs.
HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs = 5000);
