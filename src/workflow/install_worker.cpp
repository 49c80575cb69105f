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
    RunOutcome outcome;
    try {
      outcome = RunInstallOrUpdate(request, SystemRunSteps(), *events, signals->cancel);
    } catch (...) {
      // The run's own way out threw: nothing may unwind out of a thread.
      outcome = {RunResult::kFailed, {Reason::kInternal}};
      try {
        events->ShowFailure(outcome.failure);
      } catch (...) {
      }
    }
    signals->outcome = outcome;
    if (finished) finished();
  });
  return true;
}

void InstallWorker::Join() {
  if (m_thread.joinable()) m_thread.join();
}

}  // namespace update
