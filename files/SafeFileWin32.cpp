// The Win32 file functions, called directly rather than through the C
// runtime: tests put failing ones in the executable's import table.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "files/SafeFile.h"

namespace {
HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
}  // namespace

const int SafeFile::s_nameTaken = ERROR_FILE_EXISTS;

// Links are rare on Windows and replaced like any file.
std::string SafeFile::FileNamedBy(const std::string& path) { return path; }

int SafeFile::CreateNew(const std::string& name, std::intptr_t& handle) {
  // FILE_SHARE_DELETE lets RemoveTemporaryFiles remove it while it is open:
  // it goes once the handle closes, as the program ends.
  const HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
  handle = reinterpret_cast<std::intptr_t>(file);
  return 0;
}

int SafeFile::WriteAll(std::intptr_t handle, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD count = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD done = 0;
    if (!::WriteFile(AsHandle(handle), p, count, &done, nullptr)) return static_cast<int>(::GetLastError());
    if (done != count) return ERROR_DISK_FULL;
    p += done;
    size -= done;
  }
  return 0;
}

int SafeFile::Close(std::intptr_t handle) {
  return ::CloseHandle(AsHandle(handle)) ? 0 : static_cast<int>(::GetLastError());
}

int SafeFile::Replace(const std::string& from, const std::string& to) {
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  return ::MoveFileExA(from.c_str(), to.c_str(), flags) ? 0 : static_cast<int>(::GetLastError());
}

void SafeFile::Remove(const char* name) { ::DeleteFileA(name); }

// A console control handler runs on a thread of its own.
void SafeFile::HoldInterrupts(bool) {}

void SafeFile::Pause() { ::Sleep(1); }

// The C runtime's words for the errors it knows, as fractavo-render has
// always printed them; the system's own for the rest.
std::string SafeFile::ErrorText(int osError) {
  switch (osError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return std::strerror(EACCES);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::strerror(ENOSPC);
    case ERROR_FILE_EXISTS: return std::strerror(EEXIST);
    case ERROR_TOO_MANY_OPEN_FILES: return std::strerror(EMFILE);
  }
  char text[512] = "";
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(osError), 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(osError) : message;
}
