// A file written whole or not at all: the bytes go to a temporary file beside
// the target, which replaces the target only on Commit. Until then, and after
// any failure, the target keeps what it held and the temporary file is
// removed. Failures throw std::runtime_error naming the target.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const void* data, std::size_t size);
  void Commit();

 private:
  [[noreturn]] void Fail(const std::string& what, int error);
  std::string path_, temporary_;
  std::FILE* file_ = nullptr;
};
