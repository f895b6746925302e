#include "tools/OutputFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#define O_BINARY 0
#endif

OutputFile::OutputFile(const std::string& path) : path_(path) {
  // The temporary file is always a new one: a file that has its name already
  // (somebody's, or another run's writing the same target) is left alone and
  // the next name is tried.
  for (int n = 0; !file_; ++n) {
    const std::string name = path + ".partial" + (n ? std::to_string(n) : "");
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0666);
    if (fd < 0 && errno == EEXIST && n < 100) continue;
    if (fd < 0) Fail("cannot write", errno);
    file_ = fdopen(fd, "wb");
    if (!file_) {
      const int error = errno;
      close(fd);
      std::remove(name.c_str());
      Fail("cannot write", error);
    }
    temporary_ = name;
  }
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
