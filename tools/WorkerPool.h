// A fixed set of threads for a whole run, taking tasks in the order given.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
 public:
  // Starts up to threads workers; with none, tasks run on the caller.
  explicit WorkerPool(int threads);
  // Waits for the tasks that have started; the others are dropped.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // The future holds what the task throws.
  std::future<void> Submit(std::function<void()> task);

 private:
  void Work();

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::packaged_task<void()>> m_tasks;
  bool m_stopping = false;
  std::vector<std::thread> m_threads;
};
