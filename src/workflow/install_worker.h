// The one worker thread of the workflow: owned, joined, never detached. It runs the download and
// everything after it; the window cancels it and is told when it ends.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "workflow/install_job.h"
#include "workflow/workflow_events.h"

namespace update {

// A gate that opens once and stays open.
class Gate {
 public:
  void Open();
  void Wait();

 private:
  std::mutex m_mutex;
  std::condition_variable m_opened;
  bool m_open = false;
};

// What the window and the worker share.
struct WorkerSignals {
  std::atomic<bool> cancel{false};  // the download ends at its next progress step
  Gate stopsDone;                   // the client and driver are stopped: files may be replaced
};

class InstallWorker {
 public:
  InstallWorker() = default;
  InstallWorker(const InstallWorker&) = delete;
  InstallWorker& operator=(const InstallWorker&) = delete;
  // Cancels and waits for the thread.
  ~InstallWorker();

  // Runs DownloadWorker(job, *events, signals) on a new thread; `finished` runs on that thread
  // once it is over. False when a worker was started already.
  bool Start(InstallJob job, std::unique_ptr<WorkflowEvents> events,
             std::function<void()> finished);
  // Started and not yet joined.
  bool Running() const { return m_thread.joinable(); }
  void Cancel() { m_signals->cancel = true; }
  void SignalStopsDone() { m_signals->stopsDone.Open(); }
  void Join();

 private:
  std::shared_ptr<WorkerSignals> m_signals = std::make_shared<WorkerSignals>();
  std::thread m_thread;
};

}  // namespace update
