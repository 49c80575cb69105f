#include "workflow/install_worker.h"

#include "workflow/workflow.h"

namespace update {

void Gate::Open() {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_open = true;
  }
  m_opened.notify_all();
}

void Gate::Wait() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_opened.wait(lock, [this] { return m_open; });
}

InstallWorker::~InstallWorker() {
  Cancel();
  SignalStopsDone();  // nothing may wait for a window that is gone
  Join();
}

bool InstallWorker::Start(InstallJob job, std::unique_ptr<WorkflowEvents> events,
                          std::function<void()> finished) {
  if (m_thread.joinable()) return false;
  m_thread = std::thread([job = std::move(job), events = std::move(events),
                          finished = std::move(finished), signals = m_signals] {
    try {
      DownloadWorker(job, *events, *signals);
    } catch (...) {
      // Nothing may unwind out of a thread; the window shows the failure.
      events->ShowDownloadFailed();
    }
    if (finished) finished();
  });
  return true;
}

void InstallWorker::Join() {
  if (m_thread.joinable()) m_thread.join();
}

}  // namespace update
