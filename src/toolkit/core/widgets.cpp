#include "toolkit/core/widgets.h"

#include <algorithm>
#include <string>

#include "toolkit/core/text_util.h"

namespace toolkit {

bool CaptionBar::OnPress() {
  if (IWidgetHost* host = Host(); host && !host->GetFrameState().maximised) {
    host->StartWindowMove();
  }
  return false;
}

bool CaptionBar::OnDoubleClick() {
  IWidgetHost* host = Host();
  if (!host) return false;
  const HostFrameState state = host->GetFrameState();
  if (state.hasSizingFrame && state.hasMaximiseBox) {
    if (state.maximised) {
      host->Restore();
    } else {
      host->Maximise();
    }
  }
  return false;
}

ImageButton::ImageButton(const WidgetContext* context) : Widget(context) {
  m_textFormat.align = TextAlign::kCentre;
  m_textFormat.valign = TextVAlign::kMiddle;
}

Size ImageButton::GetContentSize() const {
  // One skin frame; the text only where there is no skin to size the button.
  if (const Skin* skin = MainSkin(); skin && skin->HasImage()) return skin->FrameSize();
  return Widget::GetContentSize();
}

AttributeResult EditBox::OnAttribute(std::string_view name, std::string_view value) {
  if (name == "readonly") {
    m_readOnly = ReadIntPrefix(value).value_or(0) != 0;
    return AttributeResult::kHandled;
  }
  return AttributeResult::kNotHandled;
}

Rect ToggleButton::BoxRect() const {
  const Rect client = GetClientRect();
  const Skin* skin = MainSkin();
  const Size box = skin ? skin->FrameSize() : Size{};
  const int top = client.top + (client.Height() - box.height) / 2;
  return {client.left, top, client.left + box.width, top + box.height};
}

Size ToggleButton::GetContentSize() const {
  const Skin* skin = MainSkin();
  Size size = skin ? skin->FrameSize() : Size{};
  if (!GetText().empty()) {
    const Size text = MeasureText(GetText());
    size.width += kTextGap + text.width;
    size.height = std::max(size.height, text.height);
  }
  return size;
}

void ToggleButton::PaintSelf(Canvas& canvas) const {
  if (const std::optional<int> frame = CurrentFrame()) MainSkin()->Draw(canvas, BoxRect(), *frame);
  if (GetText().empty()) return;
  Rect text = GetClientRect();
  text.left = BoxRect().right + kTextGap;
  PaintText(canvas, text.Normalized());
}

void CheckBox::OnClick() {
  SetCheck(!IsChecked());
  FireCommand();
}

void RadioButton::SetCheck(bool checked) {
  if (checked && GetParent()) {
    Widget* parent = GetParent();
    for (size_t i = 0; i < parent->ChildCount(); ++i) {
      Widget* sibling = parent->ChildAt(i);
      if (sibling != this && sibling->IsClass(kClassName)) sibling->Widget::SetCheck(false);
    }
  }
  Widget::SetCheck(checked);
}

void RadioButton::OnClick() {
  SetCheck(true);
  FireCommand();
}

void Hyperlink::OnClick() {
  FireCommand();
  if (!m_href.empty() && Host()) Host()->OpenLink(m_href);
}

AttributeResult Hyperlink::OnAttribute(std::string_view name, std::string_view value) {
  if (name == "href") {
    m_href = std::string(value);
    return AttributeResult::kHandled;
  }
  return Label::OnAttribute(name, value);
}

bool ProgressBar::SetValue(int value) {
  const int clamped = std::clamp(value, std::min(m_min, m_max), std::max(m_min, m_max));
  if (clamped == m_value) return true;
  m_value = clamped;
  Invalidate();
  NotifyAccessible(AccessibleChange::kValue);
  return true;
}

Rect ProgressBar::PositionRect() const {
  Rect rect = GetRect();
  if (m_max <= m_min) return {rect.left, rect.top, rect.left, rect.bottom};
  const long long reached =
      static_cast<long long>(rect.Width()) * (m_value - m_min) / (m_max - m_min);
  rect.right = rect.left + static_cast<int>(reached);
  return rect;
}

AttributeResult ProgressBar::OnAttribute(std::string_view name, std::string_view value) {
  if (name == "value" || name == "min" || name == "max") {
    const std::optional<int> number = ReadIntPrefix(value);
    if (!number) return AttributeResult::kFailed;
    if (name == "value") {
      m_value = *number;
    } else if (name == "min") {
      m_min = *number;
    } else {
      m_max = *number;
    }
    // Attributes come in any order: keep the value inside whatever range is set so far.
    m_value = std::clamp(m_value, std::min(m_min, m_max), std::max(m_min, m_max));
    return AttributeResult::kHandled;
  }
  if (name == "showPercent") {
    m_showPercent = ReadIntPrefix(value).value_or(0) != 0;
    return AttributeResult::kHandled;
  }
  if (name == "bkgndSkin") {
    m_backgroundSkin = FindSkin(value);
    return AttributeResult::kHandled;
  }
  if (name == "posSkin") {
    m_positionSkin = FindSkin(value);
    return AttributeResult::kHandled;
  }
  return AttributeResult::kNotHandled;
}

void ProgressBar::PaintSelf(Canvas& canvas) const {
  if (m_backgroundSkin) m_backgroundSkin->Draw(canvas, GetRect(), 0);
  const Rect reached = PositionRect();
  if (m_positionSkin && reached.Width() > 0) m_positionSkin->Draw(canvas, reached, 0);
  if (!m_showPercent) return;
  const std::shared_ptr<IFont> font = GetFont();
  if (!font) return;
  const int span = m_max - m_min;
  const int percent = span > 0 ? static_cast<int>(100LL * (m_value - m_min) / span) : 0;
  TextFormat format;
  format.align = TextAlign::kCentre;
  canvas.DrawText(std::to_string(percent) + "%", *font, GetTextColour(), GetRect(), format);
}

std::unique_ptr<Widget> CreateWidget(std::string_view class_name, const WidgetContext* context) {
  if (class_name == Widget::kClassName) return std::make_unique<Widget>(context);
  if (class_name == CaptionBar::kClassName) return std::make_unique<CaptionBar>(context);
  if (class_name == Picture::kClassName) return std::make_unique<Picture>(context);
  if (class_name == ImageButton::kClassName) return std::make_unique<ImageButton>(context);
  if (class_name == Label::kClassName) return std::make_unique<Label>(context);
  if (class_name == EditBox::kClassName) return std::make_unique<EditBox>(context);
  if (class_name == CheckBox::kClassName) return std::make_unique<CheckBox>(context);
  if (class_name == RadioButton::kClassName) return std::make_unique<RadioButton>(context);
  if (class_name == Hyperlink::kClassName) return std::make_unique<Hyperlink>(context);
  if (class_name == ProgressBar::kClassName) return std::make_unique<ProgressBar>(context);
  return nullptr;
}

}  // namespace toolkit
