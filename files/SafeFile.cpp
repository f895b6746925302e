#include "files/SafeFile.h"

#include <utility>

FileError::FileError(const std::string& action, const std::string& path, int osError)
    : std::runtime_error(action + " " + path + ": " + SafeFile::ErrorText(osError)), m_path(path), m_osError(osError) {}

SafeFile::SafeFile(const std::string& path) : m_path(path) {
  // The temporary file is always a new one: a file that has its name already
  // (somebody's, or another run's writing the same target) is left alone and
  // the next name is tried.
  for (int n = 0;; ++n) {
    std::string name = path + ".partial" + (n ? std::to_string(n) : "");
    const int error = CreateNew(name, m_handle);
    if (error == s_nameTaken && n < 100) continue;
    if (error) throw FileError("cannot write", m_path, error);
    m_temporary = std::move(name);
    return;
  }
}

SafeFile::~SafeFile() {
  if (m_handle != kNoHandle) Close(m_handle);
  if (!m_temporary.empty()) Remove(m_temporary);
}

void SafeFile::Write(const void* data, std::size_t size) {
  if (const int error = WriteAll(m_handle, data, size)) throw FileError("cannot write", m_path, error);
}

void SafeFile::Commit() {
  if (const int error = Close(std::exchange(m_handle, kNoHandle))) throw FileError("cannot write", m_path, error);
  if (const int error = Replace(m_temporary, m_path)) throw FileError("cannot replace", m_path, error);
  m_temporary.clear();
}
