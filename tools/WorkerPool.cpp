#include "tools/WorkerPool.h"

#include <system_error>

WorkerPool::WorkerPool(int threads) {
  m_threads.reserve(threads);  // so that only starting a thread can fail below
  try {
    for (int t = 0; t < threads; ++t) m_threads.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    // Fewer threads only make it slower.
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  for (std::thread& t : m_threads) t.join();
}

std::future<void> WorkerPool::Submit(std::function<void()> task) {
  std::packaged_task<void()> packaged(std::move(task));
  std::future<void> result = packaged.get_future();
  if (m_threads.empty()) {
    packaged();
    return result;
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tasks.push_back(std::move(packaged));
  }
  m_wake.notify_one();
  return result;
}

void WorkerPool::Work() {
  for (;;) {
    std::packaged_task<void()> task;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
      if (m_stopping) return;
      task = std::move(m_tasks.front());
      m_tasks.pop_front();
    }
    task();
  }
}
