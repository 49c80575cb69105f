#include "toolkit/win32/application.h"

#include <cstdio>

#include "toolkit/win32/debug_output.h"
#include "toolkit/win32/host_window.h"

namespace toolkit {
namespace {

Application* g_current = nullptr;

}  // namespace

Application::Application(std::shared_ptr<GdiRenderFactory> renderFactory, HINSTANCE instance,
                         std::wstring hostClassName)
    : m_renderFactory(std::move(renderFactory)),
      m_instance(instance),
      m_hostClassName(std::move(hostClassName)),
      m_fonts(std::make_shared<GdiFontFactory>(), DefaultFont{}),
      m_images(m_providers, m_renderFactory ? m_renderFactory->GetImageDecoderFactory() : nullptr) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = HostWindow::WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = m_hostClassName.c_str();
  m_hostClass = RegisterClassExW(&window_class);
  g_current = this;
}

Application::~Application() {
  if (g_current == this) g_current = nullptr;
  if (m_hostClass) UnregisterClassW(m_hostClassName.c_str(), m_instance);
}

Application* Application::Current() {
  return g_current;
}

bool Application::RegisterNamedIds(const NamedId* rows, std::size_t count, bool sorted) {
  return m_namedIds.Register(rows, count, sorted);
}

bool Application::LoadDefinition(const ResourceProvider& provider, std::string_view name) {
  const PngImageSource sizes(provider);
  const UiDefinitionResult loaded = LoadUiDefinition(provider, name, sizes, &m_definition);
  if (loaded.error != UiDefinitionError::kNone) {
    WriteDebugLine("toolkit: UI definition " + std::string(name) +
                   " did not load: " + loaded.detail);
    return false;
  }
  m_fonts.SetDefaultFont(m_definition.defaultFont);
  return true;
}

bool Application::LoadSystemNamedResources(const ResourceProvider& provider) {
  if (!provider.Load("uidef:sys_init")) return false;
  return LoadDefinition(provider, "uidef:sys_init");
}

bool Application::AddResourceProvider(std::shared_ptr<const ResourceProvider> provider,
                                      std::string_view uidefName) {
  m_providers.Add(std::move(provider));
  return LoadDefinition(m_providers, uidefName);
}

int Application::Run(HWND mainWindow) {
  m_mainWindow.store(mainWindow);
  int exit_code = 0;
  for (;;) {
    // Host windows flush through posted messages (which also run inside modal loops, where this
    // loop does not), so there is no idle work to do here.
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) {
      WriteDebugLine("::GetMessage returned -1 (error)");
      continue;
    }
    if (got == 0) {
      exit_code = static_cast<int>(msg.wParam);
      char line[64];
      std::snprintf(line, sizeof(line), "MessageLoop::Run - exiting,code = %d", exit_code);
      WriteDebugLine(line);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (IsWindow(mainWindow)) DestroyWindow(mainWindow);
  return exit_code;
}

}  // namespace toolkit
