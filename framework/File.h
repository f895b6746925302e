// Files that report failures as exceptions, and the exceptions themselves.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Handles.h"

class CException {
 public:
  virtual ~CException() = default;
  virtual std::string GetErrorMessage() const = 0;
  // Shows the message in a box with the application's name as caption.
  int ReportError(UINT type = MB_ICONHAND | MB_OK) const;
};

class CFileException : public CException {
 public:
  enum Cause {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };

  CFileException(Cause cause, LONG osError, std::string fileName)
      : m_cause(cause), m_osError(osError), m_fileName(std::move(fileName)) {}
  static Cause OsErrorToCause(LONG osError);
  // Throws the exception for a system error code.
  [[noreturn]] static void ThrowOsError(LONG osError, const std::string& fileName);
  std::string GetErrorMessage() const override;

  Cause m_cause;
  LONG m_osError;
  std::string m_fileName;
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyNone = 0x0040,
    modeCreate = 0x1000,
  };

  CFile() = default;
  // Opens or throws CFileException.
  CFile(const std::string& path, UINT flags);

  // False with *error filled (when given) instead of throwing.
  bool Open(const std::string& path, UINT flags, CFileException* error = nullptr);
  // Reads up to count bytes; returns how many were read (fewer at the end).
  UINT Read(void* buffer, UINT count);
  // Writes all count bytes or throws.
  void Write(const void* buffer, UINT count);
  void Close();

 private:
  CFileHandle m_handle;
  std::string m_path;
};
