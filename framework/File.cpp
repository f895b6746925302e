#include "framework/File.h"

#include "framework/App.h"

int CException::ReportError(UINT type) const {
  CWnd* main = AfxGetMainWnd();
  return AfxMessageBox(main ? main->m_hWnd : nullptr, GetErrorMessage().c_str(), type);
}

CFileException::Cause CFileException::OsErrorToCause(LONG osError) {
  switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CANNOT_MAKE: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE: return hardIO;
    default: return genericException;
  }
}

void CFileException::ThrowOsError(LONG osError, const std::string& fileName) {
  throw CFileException(OsErrorToCause(osError), osError, fileName);
}

std::string CFileException::GetErrorMessage() const {
  const std::string& f = m_fileName.empty() ? std::string("the file") : m_fileName;
  switch (m_cause) {
    case fileNotFound: return f + " was not found.";
    case badPath: return f + " contains an incorrect path.";
    case tooManyOpenFiles: return "Could not open " + f + " because too many files are open.";
    case accessDenied: return "Access to " + f + " was denied.";
    case invalidFile: return "An invalid file handle was used with " + f + ".";
    case directoryFull: return f + " could not be created because the directory is full.";
    case badSeek: return "An error occurred while seeking in " + f + ".";
    case hardIO: return "A hardware error occurred while accessing " + f + ".";
    case sharingViolation: return f + " is in use by another program.";
    case lockViolation: return "Part of " + f + " is locked by another program.";
    case diskFull: return "The disk is full; " + f + " could not be written.";
    case endOfFile: return "An attempt was made to read past the end of " + f + ".";
    default: return "An unexpected error occurred while accessing " + f + ".";
  }
}

CFile::CFile(const std::string& path, UINT flags) {
  CFileException error(CFileException::none, 0, path);
  if (!Open(path, flags, &error)) throw error;
}

bool CFile::Open(const std::string& path, UINT flags, CFileException* error) {
  m_path = path;
  DWORD access = 0;
  switch (flags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
  }
  DWORD share = 0;
  switch (flags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;
  }
  DWORD creation = OPEN_EXISTING;
  if (flags & modeCreate) creation = CREATE_ALWAYS;
  m_handle.reset(::CreateFileA(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (m_handle) return true;
  if (error) {
    LONG code = static_cast<LONG>(::GetLastError());
    *error = CFileException(CFileException::OsErrorToCause(code), code, path);
  }
  return false;
}

UINT CFile::Read(void* buffer, UINT count) {
  DWORD done = 0;
  if (!::ReadFile(m_handle.get(), buffer, count, &done, nullptr))
    CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_path);
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  DWORD done = 0;
  if (!::WriteFile(m_handle.get(), buffer, count, &done, nullptr))
    CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_path);
  if (done != count) CFileException::ThrowOsError(ERROR_DISK_FULL, m_path);
}

void CFile::Close() {
  if (!m_handle) return;
  // Closed here rather than by the handle, so that a failure is reported.
  if (!::CloseHandle(m_handle.release())) CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_path);
}
