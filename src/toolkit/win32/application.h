// The toolkit's application object: one per process, made on the UI thread. It holds the render
// factory, the resource providers, the named-ID table, the default UI definition (font, values,
// skins, styles), the fonts and images shared by every host window, and runs the message loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/accessibility.h"
#include "toolkit/core/font_pool.h"
#include "toolkit/core/named_ids.h"
#include "toolkit/core/png_image_source.h"
#include "toolkit/core/ui_definition.h"
#include "toolkit/win32/gdi_font.h"
#include "toolkit/win32/image_cache.h"
#include "toolkit/win32/provider_list.h"
#include "toolkit/win32/render_factory.h"

namespace toolkit {

class Application {
 public:
  // Registers the host window class `hostClassName` for `instance`. GDI+ must be started (the
  // ComponentManager) for as long as the application lives.
  Application(std::shared_ptr<GdiRenderFactory> renderFactory, HINSTANCE instance,
              std::wstring hostClassName);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The application of this process; null before one is made and after it is gone.
  static Application* Current();

  // Replaces the named-ID table (see NamedIdTable::Register).
  bool RegisterNamedIds(const NamedId* rows, std::size_t count, bool sorted);

  // The toolkit's own resources from a system module: its UI definition "uidef:sys_init", when
  // the module holds one, becomes the default until the program adds its own. Everything is
  // copied, so the module may be unloaded afterwards. False when the module has none.
  bool LoadSystemNamedResources(const ResourceProvider& provider);

  // Adds `provider` to the provider list and loads the UI definition `uidefName` from the list
  // at once; it becomes the default of every host window made afterwards. False (the provider
  // stays added) when the definition does not load.
  bool AddResourceProvider(std::shared_ptr<const ResourceProvider> provider,
                           std::string_view uidefName);

  // Runs the message loop until WM_QUIT and returns its exit code. `mainWindow` becomes the
  // application's main window; it is destroyed afterwards if it still exists.
  int Run(HWND mainWindow);
  // The window that work on other threads reports to. The first host window of type "appMain"
  // sets it when it is created; Run sets it again. Callable from any thread.
  HWND GetMainWindow() const { return m_mainWindow.load(); }
  void SetMainWindow(HWND window) { m_mainWindow.store(window); }

  // Accessible names that the layouts do not carry (see DescribeWidget).
  void SetAccessibleNames(AccessibleNameTable names) { m_accessibleNames = std::move(names); }
  const AccessibleNameTable& AccessibleNames() const { return m_accessibleNames; }

  HINSTANCE Instance() const { return m_instance; }
  const std::wstring& HostClassName() const { return m_hostClassName; }
  const ResourceProvider& Resources() const { return m_providers; }
  const NamedIdTable& NamedIds() const { return m_namedIds; }
  const UiDefinition& Definition() const { return m_definition; }
  FontPool& Fonts() { return m_fonts; }
  const ITextMeasurer& Measurer() const { return m_measurer; }
  ImageCache& Images() { return m_images; }

 private:
  bool LoadDefinition(const ResourceProvider& provider, std::string_view name);

  std::shared_ptr<GdiRenderFactory> m_renderFactory;
  HINSTANCE m_instance;
  std::wstring m_hostClassName;
  ATOM m_hostClass = 0;
  ProviderList m_providers;
  NamedIdTable m_namedIds;
  UiDefinition m_definition;
  FontPool m_fonts;
  GdiplusTextMeasurer m_measurer;
  ImageCache m_images;
  AccessibleNameTable m_accessibleNames;
  std::atomic<HWND> m_mainWindow{nullptr};
};

}  // namespace toolkit
