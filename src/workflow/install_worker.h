// The one worker thread of the workflow: owned, joined, never detached. It runs the whole run;
// the window cancels it and is told when it ends.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "workflow/install_job.h"
#include "workflow/run.h"
#include "workflow/workflow_events.h"

namespace update {

// What the window and the worker share.
struct WorkerSignals {
  std::atomic<bool> cancel{false};  // the close: the run leaves by its way out before the swap
  RunOutcome outcome;               // written by the worker before it ends
};

class InstallWorker {
 public:
  InstallWorker() = default;
  InstallWorker(const InstallWorker&) = delete;
  InstallWorker& operator=(const InstallWorker&) = delete;
  // Cancels and waits for the thread.
  ~InstallWorker();

  // Runs the whole run for `request` (see run.h) on a new thread; `finished` runs on that thread
  // once it is over. False when a worker was started already.
  bool Start(InstallJob request, std::unique_ptr<WorkflowEvents> events,
             std::function<void()> finished);
  // Started and not yet joined.
  bool Running() const { return m_thread.joinable(); }
  void Cancel() { m_signals->cancel = true; }
  void Join();
  // How the last run ended; read it after Join.
  const RunOutcome& Outcome() const { return m_signals->outcome; }

 private:
  std::shared_ptr<WorkerSignals> m_signals = std::make_shared<WorkerSignals>();
  std::thread m_thread;
};

}  // namespace update
