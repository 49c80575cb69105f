#include "toolkit/core/widget_tree.h"

#include <pugixml.hpp>

#include "toolkit/core/text_util.h"
#include "toolkit/core/widgets.h"

namespace toolkit {
namespace {

Widget* HitTestIn(Widget* widget, int x, int y) {
  if (!widget->IsVisible() || !widget->GetRect().Contains(x, y)) return nullptr;
  for (size_t i = widget->ChildCount(); i-- > 0;) {
    if (Widget* hit = HitTestIn(widget->ChildAt(i), x, y)) return hit;
  }
  return widget->TakesMouse() ? widget : nullptr;
}

class TreeBuilder {
 public:
  TreeBuilder(WidgetTree* tree, const NamedIdTable* ids) : m_tree(tree), m_ids(ids) {}

  // Creates the widget of `element` with its subtree; sets `error` on an unknown element.
  std::unique_ptr<Widget> Build(const pugi::xml_node& element, std::string_view class_name,
                                LayoutResult* error) {
    std::unique_ptr<Widget> widget = CreateWidget(class_name, m_tree->Context());
    if (!widget) {
      *error = {LayoutError::kUnknownClass,
                "unknown widget class <" + std::string(element.name()) + "> at offset " +
                    std::to_string(element.offset_debug()),
                nullptr};
      return nullptr;
    }
    const std::string_view name = element.attribute("name").value();
    if (m_ids && !name.empty()) {
      if (const std::optional<int32_t> id = m_ids->Find(name)) widget->SetId(*id);
    }
    for (const pugi::xml_attribute attribute : element.attributes()) {
      widget->SetAttribute(attribute.name(), attribute.value());
    }
    const std::string_view text = TrimAscii(element.text().get());
    if (!text.empty()) {
      const StringTable empty;
      const UiDefinition* definition = m_tree->Context()->definition;
      widget->SetText(ParseStringValue(text, definition ? definition->strings : empty));
    }
    for (const pugi::xml_node child : element.children()) {
      if (child.type() != pugi::node_element) continue;
      std::unique_ptr<Widget> built = Build(child, child.name(), error);
      if (!built) return nullptr;
      widget->AddChild(std::move(built));
    }
    return widget;
  }

 private:
  WidgetTree* m_tree;
  const NamedIdTable* m_ids;
};

void ReadHostAttributes(const pugi::xml_node& host, const WidgetContext& context,
                        HostAttributes* attributes) {
  const StringTable empty;
  const StringTable& strings = context.definition ? context.definition->strings : empty;
  for (const pugi::xml_attribute attribute : host.attributes()) {
    const std::string_view name = attribute.name();
    const std::string_view value = attribute.value();
    attributes->attributes.emplace_back(name, value);
    if (name == "name") {
      attributes->name = std::string(value);
    } else if (name == "title") {
      attributes->title = ParseStringValue(value, strings);
    } else if (name == "width") {
      attributes->width = ReadIntPrefix(value).value_or(0);
    } else if (name == "height") {
      attributes->height = ReadIntPrefix(value).value_or(0);
    } else if (name == "margin") {
      BoxModel box;
      if (box.SetAttribute("margin", value) == AttributeResult::kHandled) {
        attributes->resizeMargin = box.Margin(kDefaultScale);
      }
    } else if (name == "resizable") {
      attributes->resizable = ReadIntPrefix(value).value_or(0) != 0;
    } else if (name == "wndType") {
      attributes->windowType = std::string(value);
    } else if (name == "translucent") {
      attributes->translucent = ReadIntPrefix(value).value_or(0) != 0;
    } else if (name == "appWnd") {
      attributes->appWindow = ReadIntPrefix(value).value_or(0) != 0;
    } else if (name == "bigIcon") {
      attributes->bigIcon = ParseHostIcon(value);
    } else if (name == "smallIcon") {
      attributes->smallIcon = ParseHostIcon(value);
    }
  }
}

}  // namespace

HostIcon ParseHostIcon(std::string_view value) {
  const size_t colon = value.rfind(':');
  HostIcon icon;
  icon.name = std::string(TrimAscii(value.substr(0, colon)));
  if (colon != std::string_view::npos)
    icon.size = ReadIntPrefix(value.substr(colon + 1)).value_or(0);
  return icon;
}

WidgetTree::WidgetTree(const WidgetContext& context) : m_context(context) {}

void WidgetTree::SetClientSize(int width, int height) {
  const Rect client{0, 0, width, height};
  if (client == m_client) return;
  m_client = client;
  m_clientChanged = true;
}

void WidgetTree::Layout() {
  if (!m_root || (!m_clientChanged && !m_root->IsLayoutPending())) return;
  m_clientChanged = false;
  m_root->Arrange(m_client);
}

Widget* WidgetTree::HitTest(int x, int y) const {
  return m_root ? HitTestIn(m_root.get(), x, y) : nullptr;
}

void WidgetTree::SetHovered(Widget* widget) {
  if (widget == m_hovered) return;
  if (m_hovered) m_hovered->SetHover(false);
  m_hovered = widget;
  if (m_hovered) m_hovered->SetHover(true);
}

void WidgetTree::OnMouseMove(int x, int y) {
  Layout();
  Widget* target = HitTest(x, y);
  if (m_captured) {
    // While the button is held only the pressed widget reacts: pressed while the pointer is
    // over it, normal when it leaves.
    const bool inside = target == m_captured;
    m_captured->SetPressed(inside);
    SetHovered(inside ? m_captured : nullptr);
    return;
  }
  SetHovered(target && target->IsEnabledInTree() ? target : nullptr);
}

void WidgetTree::Press(Widget* target, bool double_click) {
  if (!target || !target->IsEnabledInTree()) return;
  const bool capture = double_click ? target->OnDoubleClick() : target->OnPress();
  if (!capture) return;
  m_captured = target;
  target->SetPressed(true);
}

void WidgetTree::OnLeftButtonDown(int x, int y) {
  Layout();
  Press(HitTest(x, y), false);
}

void WidgetTree::OnLeftButtonDoubleClick(int x, int y) {
  Layout();
  Press(HitTest(x, y), true);
}

void WidgetTree::OnLeftButtonUp(int x, int y) {
  Layout();
  Widget* pressed = m_captured;
  m_captured = nullptr;
  if (pressed) {
    pressed->SetPressed(false);
    // A click: released over the widget it was pressed on, which can still react (a handler
    // may have hidden or disabled it meanwhile).
    if (HitTest(x, y) == pressed && pressed->IsVisibleInTree() && pressed->IsEnabledInTree()) {
      pressed->OnClick();
    }
  }
  OnMouseMove(x, y);
}

void WidgetTree::OnMouseLeave() {
  if (!m_captured) SetHovered(nullptr);
}

void WidgetTree::Paint(Canvas& canvas) const {
  if (m_root) m_root->Paint(canvas);
}

LayoutResult BuildWidgetTree(const ResourceBytes& xml, const WidgetContext& context,
                             const NamedIdTable* ids) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    return {LayoutError::kBadXml,
            std::string(parsed.description()) + " at offset " + std::to_string(parsed.offset),
            nullptr};
  }
  const pugi::xml_node host = document.child("host");
  const pugi::xml_node root = host.child("root");
  if (!root) return {LayoutError::kNoRoot, "no <host> element with a <root> inside", nullptr};

  // Building changes every widget: nothing of that is news to the host.
  WidgetContext unhosted = context;
  unhosted.host = nullptr;
  auto tree = std::make_unique<WidgetTree>(unhosted);
  ReadHostAttributes(host, context, &tree->Host());
  LayoutResult result;
  TreeBuilder builder(tree.get(), ids);
  std::unique_ptr<Widget> root_widget = builder.Build(root, Widget::kClassName, &result);
  if (!root_widget) return result;
  tree->SetRoot(std::move(root_widget));
  tree->SetHost(context.host);
  result.tree = std::move(tree);
  return result;
}

LayoutResult LoadWidgetTree(const ResourceProvider& provider, std::string_view name,
                            const WidgetContext& context, const NamedIdTable* ids) {
  const std::optional<ResourceBytes> bytes = provider.Load(name);
  if (!bytes) return {LayoutError::kMissingResource, std::string(name), nullptr};
  LayoutResult result = BuildWidgetTree(*bytes, context, ids);
  if (result.error != LayoutError::kNone) result.detail = std::string(name) + ": " + result.detail;
  return result;
}

}  // namespace toolkit
