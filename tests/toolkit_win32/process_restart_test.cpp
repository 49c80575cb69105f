// The restart of a program whose windows cannot be created: the host window tells why it has no
// window (only a refusal by the system is worth a new start), and a chain of real processes of
// the restart probe shows how starts are counted, bounded and given the same command line.
#include "toolkit/win32/process_restart.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/host_window.h"
#include "toolkit/win32/module_resource_provider.h"
#include "uires/main_window_ids.h"

namespace {

constexpr wchar_t kStartVariable[] = L"TOOLKIT_PROCESS_START";
constexpr DWORD kChainTimeoutMs = 60000;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// Sets or clears an environment variable of this process for the guard's lifetime.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const wchar_t* name, const std::optional<std::wstring>& value)
      : m_name(name) {
    wchar_t previous[256] = {};
    const DWORD length = GetEnvironmentVariableW(name, previous, 256);
    if (length > 0 && length < 256) m_previous = previous;
    SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
  }
  ~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(m_name, m_previous ? m_previous->c_str() : nullptr);
  }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  const wchar_t* m_name;
  std::optional<std::wstring> m_previous;
};

std::wstring ProbePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.rfind(L'\\') + 1);
  return folder + L"restart_probe.exe";
}

struct ChainResult {
  DWORD exitCode = 0;
  std::vector<std::string> lines;
};

// Runs the probe with `arguments` and collects what every start of the chain wrote.
std::optional<ChainResult> RunProbeChain(const std::wstring& commandLine) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) return std::nullopt;
  OwnedHandle reader(read_end);
  OwnedHandle writer(write_end);
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION started = {};
  std::wstring writable = commandLine;
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return std::nullopt;
  }
  OwnedHandle process(started.hProcess);
  OwnedHandle thread(started.hThread);
  writer.reset();  // the chain's processes hold the only write ends now

  // Each start waits for the next, so the first one ends last; a few lines fit the pipe.
  if (WaitForSingleObject(process.get(), kChainTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    return std::nullopt;
  }
  ChainResult result;
  GetExitCodeProcess(process.get(), &result.exitCode);
  std::string output;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    output.append(buffer, read);
  }
  for (size_t begin = 0; begin < output.size();) {
    const size_t end = output.find('\n', begin);
    std::string line = output.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.pop_back();  // text-mode standard output
    result.lines.push_back(line);
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  return result;
}

struct ChainRow {
  const char* what;
  std::optional<std::wstring> inheritedStart;  // the variable as the first start finds it
  int firstGoodStart;
  DWORD exitCode;
  std::vector<int> starts;  // the start numbers that wrote a line, in order
};

TEST(ProcessRestartTest, ChainOfStartsIsCountedAndBounded) {
  const std::vector<ChainRow> rows = {
      {"the first start works", std::nullopt, 1, 41, {1}},
      {"the second start works", std::nullopt, 2, 42, {1, 2}},
      {"the last allowed start works", std::nullopt, 3, 43, {1, 2, 3}},
      {"no start works: the chain ends at the last", std::nullopt, 9, 53, {1, 2, 3}},
      {"already the last start: no new one", L"3", 9, 53, {3}},
      {"not a number: a first start", L"x", 2, 42, {1, 2}},
      {"out of range: a first start", L"17", 1, 41, {1}},
  };
  for (const ChainRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedEnvironmentVariable inherited(kStartVariable, row.inheritedStart);
    const std::wstring command_line =
        L"\"" + ProbePath() + L"\" " + std::to_wstring(row.firstGoodStart);
    const std::optional<ChainResult> chain = RunProbeChain(command_line);
    ASSERT_TRUE(chain.has_value()) << "the probe did not start or did not end";
    EXPECT_EQ(chain->exitCode, row.exitCode);
    ASSERT_EQ(chain->lines.size(), row.starts.size());
    for (size_t i = 0; i < row.starts.size(); ++i) {
      EXPECT_EQ(chain->lines[i].rfind("start " + std::to_string(row.starts[i]) + ": ", 0), 0u)
          << chain->lines[i];
    }
  }
}

TEST(ProcessRestartTest, EveryStartGetsTheSameCommandLine) {
  ScopedEnvironmentVariable inherited(kStartVariable, std::nullopt);
  const std::wstring command_line =
      L"\"" + ProbePath() + L"\" 3 \"C:\\Program Files\\中文 目录\\\" --flag   7";
  const std::optional<ChainResult> chain = RunProbeChain(command_line);
  ASSERT_TRUE(chain.has_value());
  EXPECT_EQ(chain->exitCode, 43u);
  ASSERT_EQ(chain->lines.size(), 3u);
  for (size_t i = 0; i < chain->lines.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const std::string line = chain->lines[i];
    EXPECT_EQ(line.substr(line.find(": ") + 2), update::WideToUtf8(command_line));
  }
}

TEST(ProcessRestartTest, ThisProcessIsAFirstStart) {
  ScopedEnvironmentVariable inherited(kStartVariable, std::nullopt);
  EXPECT_EQ(toolkit::ProcessStartNumber(), 1);
}

// Only a window the system refused is worth a new start; a layout that does not load would fail
// the same way in every start.
class HostCreateErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_manager = std::make_unique<toolkit::ComponentManager>(toolkit::kGdiplusDecoderName);
    auto render = m_manager->CreateRenderFactory();
    render->SetImageDecoderFactory(m_manager->CreateImageDecoderFactory());
    m_application = std::make_unique<toolkit::Application>(render, GetModuleHandleW(nullptr),
                                                           L"UIHOSTWND_CREATE_ERROR_TEST");
    const auto& rows = update::MainWindowNamedIds();
    ASSERT_TRUE(m_application->RegisterNamedIds(rows.data(), rows.size(), true));
    ASSERT_TRUE(m_application->AddResourceProvider(
        std::make_shared<toolkit::ModuleResourceProvider>(GetModuleHandleW(nullptr)),
        "uidef:xml_init"));
  }

  std::unique_ptr<toolkit::ComponentManager> m_manager;
  std::unique_ptr<toolkit::Application> m_application;
};

TEST_F(HostCreateErrorTest, TellsWhyThereIsNoWindow) {
  struct Row {
    const char* layout;
    bool created;
    toolkit::HostCreateError error;
  };
  const Row rows[] = {
      {"LAYOUT:XML_MAINWND", true, toolkit::HostCreateError::kNone},
      {"LAYOUT:NO_SUCH_LAYOUT", false, toolkit::HostCreateError::kLayout},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.layout);
    toolkit::HostWindow host(row.layout);
    const HWND window = host.Create(nullptr, 0, 0, 0, 0);
    EXPECT_EQ(window != nullptr, row.created);
    EXPECT_EQ(host.CreateError(), row.error);
    if (window) DestroyWindow(window);
  }
}

TEST_F(HostCreateErrorTest, NoApplicationIsNoSystemRefusal) {
  m_application.reset();
  toolkit::HostWindow host("LAYOUT:XML_MAINWND");
  EXPECT_EQ(host.Create(nullptr, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(host.CreateError(), toolkit::HostCreateError::kNoApplication);
}

}  // namespace
