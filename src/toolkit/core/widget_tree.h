// One host window's widgets: the root widget built from a layout, the attributes of the layout's
// `host` element, the layout pass, and the routing of mouse input to the widget under the
// pointer. The native host window forwards its client size, mouse messages and flushes here.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/named_ids.h"
#include "toolkit/core/resource_provider.h"
#include "toolkit/core/widget.h"

namespace toolkit {

// An icon of the `host` element, written "NAME:SIZE" ("ICON_LOGO:32").
struct HostIcon {
  std::string name;  // the icon resource; empty: no icon
  int size = 0;      // pixels asked for; 0 when no size is written
};

// The `host` element of a layout: read here only, once, for everything that uses it.
struct HostAttributes {
  std::string name;
  std::string title;  // string value resolved
  int width = 0;
  int height = 0;
  Insets resizeMargin;  // `margin`: the border in which the mouse resizes the window
  bool resizable = false;
  std::string windowType;  // `wndType`; "appMain": the application's main window
  bool translucent = false;
  bool appWindow = false;  // `appWnd`: the window has a taskbar button of its own
  HostIcon bigIcon;
  HostIcon smallIcon;
  AttributeList attributes;  // all of them, as written
};

// "NAME:SIZE", "NAME" or "": see HostIcon. A size that is no number counts as 0.
HostIcon ParseHostIcon(std::string_view value);

class WidgetTree {
 public:
  // `context` is copied; the objects it points at must outlive the tree.
  explicit WidgetTree(const WidgetContext& context);
  WidgetTree(const WidgetTree&) = delete;
  WidgetTree& operator=(const WidgetTree&) = delete;

  // What widgets of this tree share: pass it to the widgets created for it.
  const WidgetContext* Context() const { return &m_context; }
  void SetHost(IWidgetHost* host) { m_context.host = host; }

  HostAttributes& Host() { return m_host; }
  const HostAttributes& Host() const { return m_host; }
  Widget* Root() const { return m_root.get(); }
  void SetRoot(std::unique_ptr<Widget> root) { m_root = std::move(root); }

  // The client area is `width` x `height`: the root fills it from the next Layout() on.
  void SetClientSize(int width, int height);
  // Lays out what waits for layout (everything after a change of the client size). The host
  // runs it at every flush, before it paints; mouse input runs it before hit-testing, so a click
  // never meets a stale layout.
  void Layout();

  // The deepest shown widget at (x, y) that takes the mouse; null where none does.
  Widget* HitTest(int x, int y) const;

  // Mouse input in client coordinates.
  void OnMouseMove(int x, int y);
  void OnLeftButtonDown(int x, int y);
  void OnLeftButtonUp(int x, int y);
  void OnLeftButtonDoubleClick(int x, int y);
  void OnMouseLeave();
  // The widget holding the mouse between press and release (the host captures the mouse
  // meanwhile); null when none.
  Widget* Captured() const { return m_captured; }
  Widget* Hovered() const { return m_hovered; }

  void Paint(Canvas& canvas) const;

 private:
  void SetHovered(Widget* widget);
  void Press(Widget* target, bool double_click);

  WidgetContext m_context;
  HostAttributes m_host;
  std::unique_ptr<Widget> m_root;
  Rect m_client;
  bool m_clientChanged = false;
  Widget* m_hovered = nullptr;
  Widget* m_captured = nullptr;
};

enum class LayoutError {
  kNone,
  kMissingResource,  // the layout resource is not there
  kBadXml,           // not well-formed XML
  kNoRoot,           // no `host` element with a `root` element inside
  kUnknownClass,     // an element that names no widget class
};

struct LayoutResult {
  LayoutError error = LayoutError::kNone;
  std::string detail;
  std::unique_ptr<WidgetTree> tree;  // null on error
};

// Builds the tree of the layout in `xml` (UTF-8, with or without a byte-order mark): the `host`
// element's attributes and its `root` element with every descendant element as a widget, in
// document order. The context's host hears of the tree only once it is built. A named widget
// without an explicit `id` takes its id from `ids` (when given); other widgets without `id` have id
// 0. An element's own text, trimmed, is its widget's text.
LayoutResult BuildWidgetTree(const ResourceBytes& xml, const WidgetContext& context,
                             const NamedIdTable* ids);

// BuildWidgetTree over the resource `name` of `provider`.
LayoutResult LoadWidgetTree(const ResourceProvider& provider, std::string_view name,
                            const WidgetContext& context, const NamedIdTable* ids);

}  // namespace toolkit
