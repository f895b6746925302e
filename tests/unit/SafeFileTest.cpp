#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "files/SafeFile.h"

#ifndef _WIN32
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// As fractavo-render's handlers do. A POSIX signal may come on the thread
// making a file; a Windows console handler has a thread of its own.
#ifdef _WIN32
void Interrupt() {
  SafeFile::RemoveTemporaryFiles();
  std::_Exit(0);
}
#else
extern "C" void OnSignal(int) {
  SafeFile::RemoveTemporaryFiles();
  _exit(0);
}

// The signal goes to the thread making files: this one holds it off.
void Interrupt() {
  signal(SIGTERM, OnSignal);
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &term, nullptr);
  kill(getpid(), SIGTERM);
  for (;;) pause();
}
#endif

}  // namespace

// An interrupt handler removes the temporary files and ends the program, while
// other threads go on making them: none may be left, whenever it comes.
TEST(SafeFile, AnInterruptLeavesNoTemporaryFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const fs::path folder = fs::path(::testing::TempDir()) / "safe-file";
  for (int round = 0; round < 20; ++round) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string target = (folder / "image.bmp").string();
    EXPECT_EXIT(
        {
          std::atomic<int> made{0};
          std::thread maker([&] {
            for (;;) {
              SafeFile file(target);
              file.Write("x", 1);
              ++made;
            }
          });
          while (made < 1 + round) std::this_thread::yield();
          Interrupt();
        },
        ::testing::ExitedWithCode(0), "");
    std::string left;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      left += entry.path().filename().string() + " ";
    EXPECT_EQ(left, "") << "round " << round;
  }
  fs::remove_all(folder);
}
