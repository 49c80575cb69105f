#include "workflow/install_worker.h"

#include "workflow/run.h"

namespace update {

InstallWorker::~InstallWorker() {
  Cancel();
  Join();
}

bool InstallWorker::Start(InstallJob request, std::unique_ptr<WorkflowEvents> events,
                          std::function<void()> finished) {
  if (m_thread.joinable()) return false;
  m_thread = std::thread([request = std::move(request), events = std::move(events),
                          finished = std::move(finished), signals = m_signals] {
    try {
      RunInstallOrUpdate(request, SystemRunSteps(), *events, signals->cancel);
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
