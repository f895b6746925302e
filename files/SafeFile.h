// A file written whole or not at all: the bytes go to a new temporary file
// beside the target (NAME.partial, or NAME.partial1 and so on if that name is
// taken), which replaces the target only on Commit. Until then, and after any
// failure, the target keeps what it held and the temporary file is removed.
// A symbolic link is followed: the file it names is replaced, and the link
// stays. A target that is no regular file (a folder, a device, a pipe) is
// refused rather than replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// A failed write or replacement of the file at path: the system's error code
// (errno, or GetLastError on Windows) and a message naming the path.
class FileError : public std::runtime_error {
 public:
  FileError(const std::string& action, const std::string& path, int osError);
  // One the system gives no code for: OsError() is 0.
  FileError(const std::string& action, const std::string& path, const std::string& reason);
  const std::string& Path() const { return m_path; }
  int OsError() const { return m_osError; }

 private:
  std::string m_path;
  int m_osError;
};

class SafeFile {
 public:
  explicit SafeFile(const std::string& path);
  ~SafeFile();
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  void Write(const void* data, std::size_t size);
  void Commit();

  // Removes every temporary file not yet committed or removed, and keeps any
  // thread from making another. Only async-signal-safe calls, for an
  // interrupt handler that then ends the program.
  static void RemoveTemporaryFiles();

 private:
  friend class FileError;  // for ErrorText
  // What each system does (SafeFilePosix.cpp, SafeFileWin32.cpp). Those that
  // can fail return the system's error code, or 0.
  static const int s_nameTaken;                             // the error for a name that is taken
  static std::string FileNamedBy(const std::string& path);  // through any links; throws if no regular file
  static int CreateNew(const std::string& name, std::intptr_t& handle);
  static int WriteAll(std::intptr_t handle, const void* data, std::size_t size);
  static int Close(std::intptr_t handle);
  static int Replace(const std::string& from, const std::string& to);
  static void Remove(const char* name);  // async-signal-safe
  // Holds interrupts off this thread while a temporary file is made and
  // tracked, so that no handler runs on it in between.
  static void HoldInterrupts(bool hold);
  static void Pause();  // a millisecond or so; async-signal-safe
  static std::string ErrorText(int osError);
  int CreateTracked(const std::string& name);

  static constexpr std::intptr_t kNoHandle = -1;  // as a file descriptor and as a Windows handle
  std::string m_path;                             // as given, for messages
  std::string m_target;                           // the file replaced
  std::string m_temporary;                        // empty once committed
  std::intptr_t m_handle = kNoHandle;
  int m_slot = -1;  // in the table of temporary files, or -1
};
