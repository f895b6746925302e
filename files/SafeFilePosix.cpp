#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/SafeFile.h"

const int SafeFile::s_nameTaken = EEXIST;

std::string SafeFile::FileNamedBy(const std::string& path) {
  // As many links as the system itself follows; a loop is then left to fail
  // where the file is made.
  std::string target = path;
  char link[4096];
  for (int hop = 0; hop < 40; ++hop) {
    const ssize_t size = readlink(target.c_str(), link, sizeof link);
    if (size <= 0 || size == static_cast<ssize_t>(sizeof link)) break;
    const std::string::size_type slash = target.rfind('/');
    // A relative link is relative to the folder that holds it.
    target =
        (link[0] == '/' || slash == std::string::npos ? "" : target.substr(0, slash + 1)) + std::string(link, size);
  }
  // Renaming over a device or a pipe would replace the node itself, and a
  // folder would fail only once everything is written.
  struct stat status;
  if (stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
    throw FileError("cannot write", path, "not a regular file");
  return target;
}

int SafeFile::CreateNew(const std::string& name, std::intptr_t& handle) {
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  handle = fd;
  return 0;
}

int SafeFile::WriteAll(std::intptr_t handle, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t done = write(static_cast<int>(handle), p, size);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return errno;
    if (done == 0) return ENOSPC;
    p += done;
    size -= static_cast<std::size_t>(done);
  }
  return 0;
}

int SafeFile::Close(std::intptr_t handle) { return close(static_cast<int>(handle)) == 0 ? 0 : errno; }

int SafeFile::Replace(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void SafeFile::Remove(const char* name) { unlink(name); }

void SafeFile::HoldInterrupts(bool hold) {
  static thread_local sigset_t before;
  if (!hold) {
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return;
  }
  sigset_t interrupts;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &interrupts, &before);
}

void SafeFile::Pause() {
  const timespec millisecond{0, 1000000};
  nanosleep(&millisecond, nullptr);
}

std::string SafeFile::ErrorText(int osError) { return std::strerror(osError); }
