#include "stub_process.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

extern char** environ;

namespace update::testing {
namespace {

// Reads from `fd` until a line ends, end of file, or `deadline`.
bool ReadLine(int fd, std::chrono::steady_clock::time_point deadline, std::string& line) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd poller{fd, POLLIN, 0};
    if (poll(&poller, 1, static_cast<int>(left.count())) <= 0) return false;
    char c = 0;
    if (read(fd, &c, 1) != 1) return false;
    if (c == '\n') return true;
    line += c;
  }
}

}  // namespace

StubProcess::StubProcess(const std::vector<std::string>& arguments) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    ADD_FAILURE() << "pipe";
    return;
  }
  std::vector<std::string> all = {VENDOR_STUB_PATH};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  m_output = pipeFds[0];
  if (spawned != 0) {
    m_pid = -1;
    ADD_FAILURE() << "cannot start " << argv[0];
    return;
  }
  std::string line;
  if (!ReadLine(m_output, std::chrono::steady_clock::now() + std::chrono::seconds(10), line)) {
    ADD_FAILURE() << "vendor-stub printed no port";
    return;
  }
  m_port = std::stoi(line);
}

StubProcess::~StubProcess() {
  // SIGTERM first: the stub then removes its work folder, which SIGKILL would leave behind.
  if (m_pid > 0) {
    kill(m_pid, SIGTERM);
    if (WaitForExit(std::chrono::seconds(10)) != 0 && m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  if (m_output >= 0) close(m_output);
}

void StubProcess::Signal(int signal) const {
  if (m_pid > 0) kill(m_pid, signal);
}

int StubProcess::WaitForExit(std::chrono::milliseconds bound) {
  if (m_pid <= 0) return -1;
  // The stub keeps its standard output open while it runs, so the end of that output is the
  // event that tells it has ended.
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return -1;
    pollfd poller{m_output, POLLIN, 0};
    if (poll(&poller, 1, static_cast<int>(left.count())) <= 0) return -1;
    char buffer[256];
    const ssize_t got = read(m_output, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) return -1;
  }
  int status = 0;
  waitpid(m_pid, &status, 0);
  m_pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace update::testing
