// The widget classes of the layouts, by their element names: "caption", "img", "imgbtn",
// "text", "edit", "check", "radio", "link" and "progress" ("window" is Widget itself).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/widget.h"

namespace toolkit {

// The window's title area: a press starts moving the window (unless it is maximised), a
// double-click maximises or restores it when the window has a sizing frame and a maximise box.
class CaptionBar : public Widget {
 public:
  static constexpr const char* kClassName = "caption";
  using Widget::Widget;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }
  bool TakesMouse() const override { return true; }
  bool OnPress() override;
  bool OnDoubleClick() override;
};

// A skin frame stretched over the widget; its natural size is one frame.
class Picture : public Widget {
 public:
  static constexpr const char* kClassName = "img";
  using Widget::Widget;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }
};

// A push button drawn from a 3- or 4-state skin, text centred; a click raises the command event.
class ImageButton : public Widget {
 public:
  static constexpr const char* kClassName = "imgbtn";
  explicit ImageButton(const WidgetContext* context);
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }
  bool TakesMouse() const override { return true; }
  void OnClick() override { FireCommand(); }

 protected:
  Size GetContentSize() const override;
};

// Static text.
class Label : public Widget {
 public:
  static constexpr const char* kClassName = "text";
  using Widget::Widget;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }
};

// A one-line text field. Only its text and the read-only flag are kept: the program fills it
// and the user cannot type into it.
class EditBox : public Widget {
 public:
  static constexpr const char* kClassName = "edit";
  using Widget::Widget;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }
  bool IsReadOnly() const { return m_readOnly; }

 protected:
  AttributeResult OnAttribute(std::string_view name, std::string_view value) override;

 private:
  bool m_readOnly = false;
};

// What check boxes and radio buttons share: an 8-state skin drawn at the left, vertically
// centred, and the text after it.
class ToggleButton : public Widget {
 public:
  // Pixels between the box and the text.
  static constexpr int kTextGap = 4;
  using Widget::Widget;
  bool TakesMouse() const override { return true; }
  // The rectangle the skin frame is drawn into.
  Rect BoxRect() const;

 protected:
  Size GetContentSize() const override;
  void PaintSelf(Canvas& canvas) const override;
};

// A click flips the check state, then raises the command event (the handler sees the new state).
class CheckBox : public ToggleButton {
 public:
  static constexpr const char* kClassName = "check";
  using ToggleButton::ToggleButton;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }
  void OnClick() override;
};

// One of a group: the radio buttons with the same parent. Checking one clears the others.
class RadioButton : public ToggleButton {
 public:
  static constexpr const char* kClassName = "radio";
  using ToggleButton::ToggleButton;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }
  void SetCheck(bool checked) override;
  void OnClick() override;
};

// Text that raises the command event on a click and then asks the host to open its href.
class Hyperlink : public Label {
 public:
  static constexpr const char* kClassName = "link";
  using Label::Label;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Label::IsClass(name);
  }
  bool TakesMouse() const override { return true; }
  void OnClick() override;
  const std::string& GetHref() const { return m_href; }

 protected:
  AttributeResult OnAttribute(std::string_view name, std::string_view value) override;

 private:
  std::string m_href;
};

// A bar between `min` and `max`: the background skin over the whole widget and the position
// skin over the part the value has reached.
class ProgressBar : public Widget {
 public:
  static constexpr const char* kClassName = "progress";
  using Widget::Widget;
  const char* ClassName() const override { return kClassName; }
  bool IsClass(std::string_view name) const override {
    return name == kClassName || Widget::IsClass(name);
  }

  // Stores the value clamped to min..max and redraws the bar (only the bar: its size does not
  // change); the value it already has redraws nothing. Always true.
  bool SetValue(int value);
  int GetValue() const { return m_value; }
  int GetMin() const { return m_min; }
  int GetMax() const { return m_max; }
  bool ShowsPercent() const { return m_showPercent; }
  const Skin* MainSkin() const override { return m_backgroundSkin; }
  const Skin* PositionSkin() const { return m_positionSkin; }
  // The part of the bar the position skin covers.
  Rect PositionRect() const;

 protected:
  AttributeResult OnAttribute(std::string_view name, std::string_view value) override;
  void PaintSelf(Canvas& canvas) const override;

 private:
  int m_value = 0;
  int m_min = 0;
  int m_max = 100;
  bool m_showPercent = false;
  const Skin* m_backgroundSkin = nullptr;
  const Skin* m_positionSkin = nullptr;
};

// The widget for a layout element name ("window", "caption", ...); null for an unknown one.
std::unique_ptr<Widget> CreateWidget(std::string_view class_name, const WidgetContext* context);

}  // namespace toolkit
