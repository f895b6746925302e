#include "tools/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

OutputFile::OutputFile(const std::string& path) : path_(path), temporary_(path + ".partial") {
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (!file_) Fail("cannot write", errno);
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

void OutputFile::Fail(const std::string& what, int error) {
  throw std::runtime_error(what + " " + path_ + ": " + std::strerror(error));
}

void OutputFile::Write(const void* data, std::size_t size) {
  if (size == 0) return;  // an empty chunk passes no data at all
  errno = 0;
  if (std::fwrite(data, 1, size, file_) != size) Fail("cannot write", errno ? errno : ENOSPC);
}

void OutputFile::Commit() {
  errno = 0;
  const bool flushed = std::fflush(file_) == 0;
  const int error = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) Fail("cannot write", error ? error : errno ? errno : EIO);
#ifdef _WIN32
  if (!::MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    Fail("cannot replace", ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO);
#else
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) Fail("cannot replace", errno);
#endif
  temporary_.clear();
}
