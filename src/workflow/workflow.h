// The install and update sequence that runs on the worker thread, top-down: download, wait for
// the client and driver to be stopped, unpack, finish, start the client, close the window.
// Each step returns its result; a failure ends the sequence with the download-failed display.
#pragma once

#include "sys/scoped_handle.h"
#include "workflow/install_job.h"
#include "workflow/install_worker.h"
#include "workflow/workflow_events.h"

namespace update {

// The worker's whole run.
void DownloadWorker(const InstallJob& job, WorkflowEvents& events, WorkerSignals& signals);

// After a successful download of `downloadTotal` bytes (as told to the window) into the held
// `package`: unpack, finish, start the client and close the window. False, with the failure
// display, when the package cannot be opened or an item cannot be written; nothing is then
// registered or started.
bool UnpackAndLaunch(const InstallJob& job, FileHandle package, WorkflowEvents& events,
                     double downloadTotal);

}  // namespace update
