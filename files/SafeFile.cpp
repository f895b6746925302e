#include "files/SafeFile.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace {

// The temporary files being written, for RemoveTemporaryFiles: names in
// fixed storage, since a signal handler can neither allocate nor lock. A
// name too long for a slot, or one past the last slot, is not tracked.
enum SlotState { kFree, kFilling, kArmed };
constexpr int kSlots = 8;
constexpr std::size_t kSlotChars = 4096;
std::atomic<int> s_slotStates[kSlots];
char s_slotNames[kSlots][kSlotChars];

int Track(const std::string& name) {
  if (name.size() >= kSlotChars) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int state = kFree;
    if (!s_slotStates[i].compare_exchange_strong(state, kFilling)) continue;
    std::memcpy(s_slotNames[i], name.c_str(), name.size() + 1);
    s_slotStates[i].store(kArmed);
    return i;
  }
  return -1;
}

void Untrack(int slot) {
  if (slot >= 0) s_slotStates[slot].store(kFree);
}

// An interrupt must find every temporary file there is, so one is made and
// tracked as a whole: RemoveTemporaryFiles sets s_ending, then waits for the
// threads making one; a thread that starts making one after that finds
// s_ending set and makes none.
std::atomic<bool> s_ending{false};
std::atomic<int> s_making{0};

}  // namespace

FileError::FileError(const std::string& action, const std::string& path, int osError)
    : std::runtime_error(action + " " + path + ": " + SafeFile::ErrorText(osError)), m_path(path), m_osError(osError) {}

FileError::FileError(const std::string& action, const std::string& path, const std::string& reason)
    : std::runtime_error(action + " " + path + ": " + reason), m_path(path), m_osError(0) {}

SafeFile::SafeFile(const std::string& path) : m_path(path), m_target(FileNamedBy(path)) {
  // The temporary file is always a new one: a file that has its name already
  // (somebody's, or another run's writing the same target) is left alone and
  // the next name is tried.
  for (int n = 0;; ++n) {
    std::string name = m_target + ".partial" + (n ? std::to_string(n) : "");
    const int error = CreateTracked(name);
    if (error == s_nameTaken && n < 100) continue;
    if (error) throw FileError("cannot write", m_path, error);
    m_temporary = std::move(name);
    return;
  }
}

int SafeFile::CreateTracked(const std::string& name) {
  HoldInterrupts(true);
  ++s_making;
  if (s_ending) {
    // The program is ending: make nothing, and wait for the end.
    --s_making;
    for (;;) Pause();
  }
  const int error = CreateNew(name, m_handle);
  if (!error) m_slot = Track(name);
  --s_making;
  HoldInterrupts(false);
  return error;
}

SafeFile::~SafeFile() {
  if (m_handle != kNoHandle) Close(m_handle);
  if (!m_temporary.empty()) Remove(m_temporary.c_str());
  Untrack(m_slot);
}

void SafeFile::Write(const void* data, std::size_t size) {
  if (const int error = WriteAll(m_handle, data, size)) throw FileError("cannot write", m_path, error);
}

void SafeFile::Commit() {
  if (const int error = Close(std::exchange(m_handle, kNoHandle))) throw FileError("cannot write", m_path, error);
  if (const int error = Replace(m_temporary, m_target)) throw FileError("cannot replace", m_path, error);
  m_temporary.clear();
  // Only now: an interrupt before this point removes the temporary file, or
  // finds it already gone.
  Untrack(std::exchange(m_slot, -1));
}

void SafeFile::RemoveTemporaryFiles() {
  s_ending = true;
  // Making a file takes moments; a system call stuck for longer is not
  // waited for.
  for (int waited = 0; s_making > 0 && waited < 2000; ++waited) Pause();
  for (int i = 0; i < kSlots; ++i)
    if (s_slotStates[i].load() == kArmed) Remove(s_slotNames[i]);
}
