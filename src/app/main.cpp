// Start-up and shutdown of Update.exe: the toolkit and the embedded UI package are prepared, the
// run mode comes from the command line, the main window is created, shown and served by the
// message loop, and everything is torn down in reverse order. The loop's exit code is returned.
#include <windows.h>

#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

#include "net/http_post.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/module_resource_provider.h"
#include "toolkit/win32/process_restart.h"
#include "toolkit/win32/render_factory.h"
#include "ui/main_dlg.h"
#include "uires/accessible_names.h"
#include "uires/main_window_ids.h"

namespace {

// Returned when the main window cannot be created.
constexpr int kNoMainWindowExitCode = 2;

// The main window could not be made. When the system refused it (not our layout), no window of
// this process can appear, but a new start of the program can: its exit code becomes ours.
int NoMainWindow(toolkit::HostCreateError error) {
  DWORD restarted_exit_code = 0;
  if (error == toolkit::HostCreateError::kWindowSystem &&
      toolkit::RunAgainAsNewProcess(&restarted_exit_code)) {
    return static_cast<int>(restarted_exit_code);
  }
  std::fprintf(stderr, "Update: the main window could not be created (start %d of %d)\n",
               toolkit::ProcessStartNumber(), toolkit::kMaxProcessStarts);
  return kNoMainWindowExitCode;
}

// The program's own folder, with its trailing backslash.
std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (wchar_t* last = std::wcsrchr(path, L'\\')) last[1] = L'\0';
  return path;
}

// The program's own folder becomes the current directory, so that
// everything relative resolves there whatever folder the program was started from.
void EnterProgramFolder() {
  SetCurrentDirectoryW(ProgramFolder().c_str());
}

void RegisterNamedIds(toolkit::Application& application) {
  const auto& rows = update::MainWindowNamedIds();
  application.RegisterNamedIds(rows.data(), rows.size(), true);
}

void RegisterAccessibleNames(toolkit::Application& application) {
  application.SetAccessibleNames(update::MainWindowAccessibleNames());
}

// The system DLLs that are not KnownDLLs and that the system's own DLLs load by name as they
// need them (the shell, themes, image codecs): each is loaded from the system folder before any
// of them can be looked for elsewhere.
constexpr const wchar_t* kSystemDllsLoadedByName[] = {
    L"propsys.dll", L"uxtheme.dll", L"dwmapi.dll", L"windowscodecs.dll", L"version.dll",
};

// The program runs elevated from folders that others can write (a download folder): a DLL found
// there under a system DLL's name must never be loaded. From here on, DLLs come from the system
// folder only; the system DLLs of the program's own that are not KnownDLLs are delay-loaded, so
// none of them is looked for before this runs. Without the call (a Windows 7 lacking the update
// that brought it), the current directory at least leaves the search, and the loads by name
// below still find their DLLs loaded. Under Wine, its own DLLs load theirs along the process's
// first search path whatever this says; the same loads keep those to the system folder too.
// The modules stay loaded as long as the process.
void LimitDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto set_default =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default == nullptr || !set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
  for (const wchar_t* name : kSystemDllsLoadedByName) {
    LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

// The toolkit's optional system resources, beside the program. The module is mapped as
// resources only: none of its code can run. The program works without it.
void LoadSystemResourceModule(toolkit::Application& application) {
  const std::wstring path = ProgramFolder() + L"ui-sys-resource.dll";
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return;
  {
    const toolkit::ModuleResourceProvider provider(module);
    application.LoadSystemNamedResources(provider);
  }
  FreeLibrary(module);
}

// Element 1 read as a decimal integer: leading white space, an optional sign, the digits up to
// the first non-digit; 0 when no digit follows.
std::int32_t ReadClientTypeId(const wchar_t* argument) {
  return static_cast<std::int32_t>(std::wcstol(argument, nullptr, 10));
}

struct ArgvDeleter {
  void operator()(LPWSTR* argv) const { LocalFree(argv); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  LimitDllSearchToSystemFolder();
  // libcurl's global state must exist before any thread can make a transfer handle.
  update::InitializeHttp();
  // The apartment lives as long as the process and is never torn down: the end of the process
  // takes it. Its teardown would unregister the interfaces that screen readers call, and wait
  // for their calls under way; a reader calls at any moment (its last releases come as the
  // window closes), and under Wine that wait can miss the end of a call that failed at once and
  // then lasts for ever, keeping an elevated process alive with no window.
  OleInitialize(nullptr);

  auto manager = std::make_unique<toolkit::ComponentManager>(toolkit::kGdiplusDecoderName);
  EnterProgramFolder();
  std::shared_ptr<toolkit::GdiRenderFactory> render_factory = manager->CreateRenderFactory();
  std::shared_ptr<toolkit::ImageDecoderFactory> decoder_factory =
      manager->CreateImageDecoderFactory();
  render_factory->SetImageDecoderFactory(decoder_factory);

  auto application = std::make_unique<toolkit::Application>(render_factory, instance, L"UIHOSTWND");
  RegisterNamedIds(*application);
  LoadSystemResourceModule(*application);

  auto program_resources = std::make_shared<toolkit::ModuleResourceProvider>(instance);
  RegisterNamedIds(*application);
  application->AddResourceProvider(program_resources, "uidef:xml_init");
  RegisterAccessibleNames(*application);

  int argument_count = 0;
  std::unique_ptr<LPWSTR, ArgvDeleter> arguments(
      CommandLineToArgvW(GetCommandLineW(), &argument_count));

  int exit_code = kNoMainWindowExitCode;
  {
    update::CMainDlg dialog;
    if (arguments && argument_count >= 2) {
      dialog.m_clientTypeId = ReadClientTypeId(arguments.get()[1]);
      dialog.m_updateMode = 1;
    }
    arguments.reset();

    HWND window = dialog.Create(GetActiveWindow(), 0, 0, 0, 0);
    if (window != nullptr) {
      SendMessageW(window, WM_INITDIALOG, 0, 0);
      dialog.CenterWindow(window);
      ShowWindow(window, SW_SHOWNORMAL);
      exit_code = application->Run(window);
    } else {
      exit_code = NoMainWindow(dialog.CreateError());
    }
  }

  application.reset();
  program_resources.reset();
  render_factory.reset();
  decoder_factory.reset();
  manager.reset();
  return exit_code;
}
