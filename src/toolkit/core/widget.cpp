#include "toolkit/core/widget.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "toolkit/core/text_util.h"

namespace toolkit {
namespace {

// The layout of every container.
const AnchorLayout& DefaultLayout() {
  static const AnchorLayout layout;
  return layout;
}

bool ReadFlag(std::string_view value) {
  return ReadIntPrefix(value).value_or(0) != 0;
}

// textMode bits as the resources write them: 0x1 centre, 0x2 right, 0x4 middle, 0x8 bottom,
// 0x20 single line.
TextFormat ParseTextMode(std::string_view value) {
  const std::string text(TrimAscii(value));
  const long mode = std::strtol(text.c_str(), nullptr, 0);
  TextFormat format;
  format.align = (mode & 0x1)   ? TextAlign::kCentre
                 : (mode & 0x2) ? TextAlign::kRight
                                : TextAlign::kLeft;
  format.valign = (mode & 0x4)   ? TextVAlign::kMiddle
                  : (mode & 0x8) ? TextVAlign::kBottom
                                 : TextVAlign::kTop;
  format.singleLine = (mode & 0x20) != 0;
  return format;
}

}  // namespace

std::string FindChildByClassMessage(std::string_view class_name, std::string_view name, int depth) {
  std::string line = "FindChildByClass failed, no widget of class [";
  line.append(class_name).append("] with name of [").append(name).append("] was found within [");
  line.append(std::to_string(depth)).append("] levels");
  // The line is formatted into a buffer of 2048 characters: longer names are cut, at a UTF-8
  // character boundary.
  constexpr size_t kMaxLength = 2047;
  if (line.size() > kMaxLength) {
    size_t end = kMaxLength;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    line.resize(end);
  }
  return line;
}

Widget::Widget(const WidgetContext* context) : m_context(context) {}

Widget::~Widget() = default;

Widget* Widget::AddChild(std::unique_ptr<Widget> child) {
  child->m_parent = this;
  m_children.push_back(std::move(child));
  m_children.back()->RequestLayout();
  return m_children.back().get();
}

int Widget::Depth() const {
  int depth = 0;
  for (const Widget* up = m_parent; up; up = up->m_parent) ++depth;
  return depth;
}

void Widget::SetScale(int scale) {
  SetScaleOfSubtree(scale);
  Invalidate();
  RequestLayout();
}

void Widget::SetScaleOfSubtree(int scale) {
  m_scale = scale;
  m_layoutPending = true;
  for (const auto& child : m_children) child->SetScaleOfSubtree(scale);
}

void Widget::RequestLayout() {
  for (Widget* widget = this; widget; widget = widget->m_parent) widget->m_layoutPending = true;
  if (Host()) Host()->RequestLayout();
}

void Widget::SetText(std::string text) {
  if (text == m_text) return;
  m_text = std::move(text);
  Invalidate();
  RequestLayout();
  NotifyAccessible(IsClass("edit") ? AccessibleChange::kValue : AccessibleChange::kName);
}

AttributeResult Widget::SetAttribute(std::string_view name, std::string_view value) {
  Invalidate();  // the area as it was, in case the attribute moves or hides the widget
  const AttributeResult result = ApplyAttribute(name, value);
  Invalidate();
  RequestLayout();
  return result;
}

AttributeResult Widget::ApplyAttribute(std::string_view name, std::string_view value) {
  const auto kept = std::find_if(m_attributes.begin(), m_attributes.end(),
                                 [&](const auto& attribute) { return attribute.first == name; });
  if (kept != m_attributes.end()) {
    kept->second = std::string(value);
  } else {
    m_attributes.emplace_back(name, value);
  }

  const UiDefinition* definition = m_context->definition;
  const ColourTable empty_colours;
  const StringTable empty_strings;
  const ColourTable& colours = definition ? definition->colours : empty_colours;
  const StringTable& strings = definition ? definition->strings : empty_strings;

  if (name == "name") {
    m_name = std::string(value);
  } else if (name == "id") {
    const std::optional<int> id = ReadIntPrefix(value);
    if (!id) return AttributeResult::kFailed;
    m_id = *id;
  } else if (name == "visible" || name == "show") {
    m_visible = ReadFlag(value);
  } else if (name == "enable") {
    m_enabled = ReadFlag(value);
  } else if (name == "checked") {
    m_checked = ReadFlag(value);
  } else if (name == "float") {
    m_float = ReadFlag(value);
  } else if (name == "display") {
    m_display = ReadFlag(value);
  } else if (name == "text") {
    m_text = ParseStringValue(value, strings);
  } else if (name == "font") {
    m_font = std::string(value);
  } else if (name == "fontHover") {
    m_fontHover = std::string(value);
  } else if (name == "colorText") {
    m_colourText = ParseColourValue(value, colours);
  } else if (name == "colorTextHover") {
    m_colourTextHover = ParseColourValue(value, colours);
  } else if (name == "colorTextDisable") {
    m_colourTextDisable = ParseColourValue(value, colours);
  } else if (name == "colorBkgnd") {
    m_colourBackground = ParseColourValue(value, colours);
  } else if (name == "colorBorder") {
    m_colourBorder = ParseColourValue(value, colours);
  } else if (name == "skin") {
    m_skin = FindSkin(value);
  } else if (name == "textMode") {
    m_textFormat = ParseTextMode(value);
  } else if (name == "align") {
    m_textFormat.align = value == "center" || value == "centre" ? TextAlign::kCentre
                         : value == "right"                     ? TextAlign::kRight
                                                                : TextAlign::kLeft;
  } else if (name == "valign") {
    m_textFormat.valign = value == "middle"   ? TextVAlign::kMiddle
                          : value == "bottom" ? TextVAlign::kBottom
                                              : TextVAlign::kTop;
  } else if (name == "class") {
    // A style class: its attributes, then whatever the element sets after it.
    const AttributeList* style = definition ? definition->FindStyle(value) : nullptr;
    if (!style) return AttributeResult::kFailed;
    for (const auto& [style_name, style_value] : *style) {
      if (style_name != "class") ApplyAttribute(style_name, style_value);  // no style loops
    }
  } else {
    AttributeResult result = OnAttribute(name, value);
    if (result != AttributeResult::kNotHandled) return result;
    result = m_layoutParam.SetAttribute(name, value);
    if (result != AttributeResult::kNotHandled) return result;
    return m_box.SetAttribute(name, value);
  }
  return AttributeResult::kHandled;
}

std::optional<std::string> Widget::GetAttribute(std::string_view name) const {
  for (const auto& [attribute, value] : m_attributes) {
    if (attribute == name) return value;
  }
  return std::nullopt;
}

AttributeResult Widget::OnAttribute(std::string_view, std::string_view) {
  return AttributeResult::kNotHandled;
}

Widget* Widget::FindChildByName(std::string_view name, int depth) const {
  if (name.empty()) return nullptr;
  return FindChildByNameAt(name, depth);
}

Widget* Widget::FindChildByNameAt(std::string_view name, int depth) const {
  if (depth == 0) return nullptr;
  for (const auto& child : m_children) {
    if (child->m_name == name) return child.get();
  }
  if (depth == 1) return nullptr;
  for (const auto& child : m_children) {
    if (Widget* found = child->FindChildByNameAt(name, depth < 0 ? -1 : depth - 1)) return found;
  }
  return nullptr;
}

Widget* Widget::FindChildByClass(std::string_view name, std::string_view class_name,
                                 int depth) const {
  Widget* found = FindChildByName(name, depth);
  if (found && found->IsClass(class_name)) return found;
  if (IWidgetHost* host = Host()) {
    host->Log("toolkit", kFindChildByClassFunction,
              FindChildByClassMessage(class_name, name, depth));
  }
  return nullptr;
}

bool Widget::IsVisibleInTree() const {
  for (const Widget* widget = this; widget; widget = widget->m_parent) {
    if (!widget->m_visible) return false;
  }
  return true;
}

void Widget::SetVisible(bool visible, bool redraw_now) {
  if (visible == m_visible) return;
  // The area counts whichever way the widget goes, as long as its parent is shown. A widget
  // shown for the first time has no area yet: the layout gives it one and invalidates that.
  if (Host() && (!m_parent || m_parent->IsVisibleInTree())) Host()->Invalidate(m_rect);
  m_visible = visible;
  if (m_parent) {
    m_parent->RequestLayout();
  } else {
    RequestLayout();
  }
  if (Host() && (!m_parent || m_parent->IsVisibleInTree())) {
    Host()->OnAccessibleChange(*this,
                               visible ? AccessibleChange::kShown : AccessibleChange::kHidden);
  }
  if (redraw_now && Host()) Host()->Flush();
}

bool Widget::IsEnabledInTree() const {
  for (const Widget* widget = this; widget; widget = widget->m_parent) {
    if (!widget->m_enabled) return false;
  }
  return true;
}

void Widget::Enable(bool enabled, bool redraw_now) {
  if (enabled == m_enabled) return;
  m_enabled = enabled;
  Invalidate();
  NotifyAccessible(AccessibleChange::kState);
  if (redraw_now && Host()) Host()->Flush();
}

void Widget::SetCheck(bool checked) {
  if (checked == m_checked) return;
  m_checked = checked;
  Invalidate();
  NotifyAccessible(AccessibleChange::kState);
}

void Widget::NotifyAccessible(AccessibleChange change) const {
  if (Host() && IsVisibleInTree()) Host()->OnAccessibleChange(*this, change);
}

void Widget::SetHover(bool hover) {
  if (hover == m_hover) return;
  m_hover = hover;
  Invalidate();
  if (!m_fontHover.empty()) RequestLayout();  // the hover font may be of another size
}

void Widget::SetPressed(bool pressed) {
  if (pressed == m_pressed) return;
  m_pressed = pressed;
  Invalidate();
}

void Widget::Subscribe(int event_id, EventHandler handler) {
  m_handlers.emplace_back(event_id, std::move(handler));
}

bool Widget::FireEvent(EventArgs& args) {
  // A handler may subscribe more handlers: run the ones there were when the event came.
  const std::vector<std::pair<int, EventHandler>> handlers = m_handlers;
  for (const auto& [event_id, handler] : handlers) {
    if (event_id == args.id && handler(args)) return true;
  }
  return Host() && Host()->OnWidgetEvent(args);
}

bool Widget::FireCommand() {
  EventArgs args;
  args.id = kEventCommand;
  args.sender = this;
  args.senderId = m_id;
  args.senderName = m_name;
  return FireEvent(args);
}

void Widget::Paint(Canvas& canvas) const {
  // All a widget draws, its children included, stays inside its rectangle: one outside the part
  // being repainted has nothing to draw there. (Scaling a large image costs a redraw of a small
  // part dearly when nothing is skipped.)
  if (!m_visible || canvas.ClipBounds().Intersected(m_rect).IsEmpty()) return;
  canvas.PushClip(m_rect);
  PaintSelf(canvas);
  for (const auto& child : m_children) child->Paint(canvas);
  canvas.PopClip();
}

void Widget::PaintSelf(Canvas& canvas) const {
  if (m_colourBackground != kNoColour) canvas.FillRect(m_rect, m_colourBackground);
  if (const std::optional<int> frame = CurrentFrame()) MainSkin()->Draw(canvas, m_rect, *frame);
  if (m_colourBorder != kNoColour) canvas.DrawBorder(m_rect, m_colourBorder, 1);
  if (!m_text.empty()) PaintText(canvas, GetClientRect());
}

void Widget::PaintText(Canvas& canvas, const Rect& rect) const {
  const std::shared_ptr<IFont> font = GetFont();
  if (font) canvas.DrawText(m_text, *font, GetTextColour(), rect, m_textFormat);
}

std::shared_ptr<IFont> Widget::GetFont() const {
  const std::string& description = m_hover && !m_fontHover.empty() ? m_fontHover : m_font;
  if (description.empty() && m_parent) return m_parent->GetFont();
  if (!m_context->fonts) return nullptr;
  return m_context->fonts->GetFont(description, m_scale);
}

Colour Widget::GetTextColour() const {
  if (!IsEnabledInTree() && m_colourTextDisable != kNoColour) return m_colourTextDisable;
  if (m_hover && m_colourTextHover != kNoColour) return m_colourTextHover;
  if (m_colourText != kNoColour) return m_colourText;
  return MakeColour(0, 0, 0);
}

std::optional<int> Widget::CurrentFrame() const {
  const Skin* skin = MainSkin();
  if (!skin || !skin->HasImage()) return std::nullopt;
  return skin->FrameFor(GetSkinState());
}

SkinState Widget::GetSkinState() const {
  SkinState state;
  state.hover = m_hover;
  state.pressed = m_pressed;
  state.disabled = !IsEnabledInTree();
  state.checked = m_checked;
  return state;
}

const Skin* Widget::FindSkin(std::string_view name) const {
  return m_context->definition ? m_context->definition->skins.Find(name) : nullptr;
}

Size Widget::MeasureText(std::string_view text) const {
  const std::shared_ptr<IFont> font = GetFont();
  if (!font || !m_context->measurer) return {};
  return m_context->measurer->MeasureText(text, *font);
}

Size Widget::GetContentSize() const {
  Size size;
  if (const Skin* skin = MainSkin()) size = skin->FrameSize();
  if (!m_text.empty()) {
    const Size text = MeasureText(m_text);
    size.width = std::max(size.width, text.width);
    size.height = std::max(size.height, text.height);
  }
  return size;
}

Size Widget::GetDesiredSize(int width, int height) {
  const bool wrap_width = m_layoutParam.IsWrapContent(Axis::kHorizontal);
  const bool wrap_height = m_layoutParam.IsWrapContent(Axis::kVertical);
  const Size content = m_children.empty()
                           ? GetContentSize()
                           : DefaultLayout().MeasureChildren(*this, wrap_width ? -1 : width,
                                                             wrap_height ? -1 : height);
  const Insets margin = m_box.Margin(m_scale);
  const Insets padding = m_box.Padding(m_scale);
  const auto size_on = [&](Axis axis, int offered, int needed) {
    if (m_layoutParam.IsSpecifiedSize(axis)) {
      return m_layoutParam.GetSpecifiedSize(axis).ToPixels(m_scale);
    }
    if (m_layoutParam.IsMatchParent(axis)) return offered;
    return needed;
  };
  return {size_on(Axis::kHorizontal, width,
                  content.width + margin.left + margin.right + padding.left + padding.right),
          size_on(Axis::kVertical, height,
                  content.height + margin.top + margin.bottom + padding.top + padding.bottom)};
}

void Widget::ApplyLayoutRect(const Rect& rect) {
  const Rect normalized = rect.Normalized();
  if (normalized == m_rect && !m_layoutPending) return;
  // Only a widget that moves needs repainting here: one that stays where it is was laid out
  // again for a descendant's sake, and what changes below it invalidates itself.
  if (normalized != m_rect) {
    Invalidate();
    m_rect = normalized;
    Invalidate();
  }
  m_layoutPending = false;
  LayoutChildren();
}

void Widget::LayoutChildren() {
  if (!m_children.empty()) DefaultLayout().LayoutChildren(*this);
}

void Widget::Invalidate() const {
  if (Host() && IsVisibleInTree()) Host()->Invalidate(m_rect);
}

}  // namespace toolkit
