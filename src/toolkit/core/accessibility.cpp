#include "toolkit/core/accessibility.h"

#include "toolkit/core/widgets.h"

namespace toolkit {
namespace {

std::string LookUpName(const AccessibleNameTable& names, std::string_view key) {
  if (key.empty()) return {};
  for (const auto& [name_key, name] : names) {
    if (name_key == key) return name;
  }
  return {};
}

// The text of the closest label before the widget in tree order: what a person reads as its
// caption ("选择路径" before the folder box).
std::string LabelBefore(const Widget& widget) {
  for (const Widget* at = &widget; at->GetParent(); at = at->GetParent()) {
    const Widget* parent = at->GetParent();
    for (size_t index = parent->ChildCount(); index-- > 0;) {
      const Widget* sibling = parent->ChildAt(index);
      if (sibling == at) {
        for (size_t before = index; before-- > 0;) {
          const Widget* candidate = parent->ChildAt(before);
          if (candidate->IsClass(Label::kClassName) && !candidate->IsClass(Hyperlink::kClassName) &&
              !candidate->GetText().empty()) {
            return candidate->GetText();
          }
        }
        break;
      }
    }
  }
  return {};
}

// A radio button without a text is named by its place in its group, from 1.
std::string PlaceInGroup(const Widget& radio) {
  const Widget* parent = radio.GetParent();
  if (!parent) return "1";
  int place = 0;
  for (size_t index = 0; index < parent->ChildCount(); ++index) {
    const Widget* sibling = parent->ChildAt(index);
    if (sibling->IsClass(RadioButton::kClassName)) ++place;
    if (sibling == &radio) break;
  }
  return std::to_string(place);
}

// Controls and texts are named by what they show; groupings and pictures only by a tip or the
// program's table, since a picture's text (if any) is no caption.
std::string NameOf(const Widget& widget, const AccessibleNameTable& names, bool by_text) {
  if (by_text && !widget.GetText().empty()) return widget.GetText();
  if (std::optional<std::string> tip = widget.GetAttribute("tip"); tip && !tip->empty()) {
    return *tip;
  }
  if (std::string name = LookUpName(names, widget.GetName()); !name.empty()) return name;
  if (const Skin* skin = widget.MainSkin()) return LookUpName(names, skin->Name());
  return {};
}

int SerialOf(const Widget& at, const Widget& wanted, int& next) {
  const int serial = next++;
  if (&at == &wanted) return serial;
  for (size_t index = 0; index < at.ChildCount(); ++index) {
    if (const int found = SerialOf(*at.ChildAt(index), wanted, next)) return found;
  }
  return 0;
}

Widget* WidgetAt(Widget& at, int serial, int& next) {
  if (next++ == serial) return &at;
  for (size_t index = 0; index < at.ChildCount(); ++index) {
    if (Widget* found = WidgetAt(*at.ChildAt(index), serial, next)) return found;
  }
  return nullptr;
}

}  // namespace

AccessibleDescription DescribeWidget(const Widget& widget, const AccessibleNameTable& names) {
  AccessibleDescription description;
  AccessibleStates& states = description.states;
  states.unavailable = !widget.IsEnabledInTree();
  states.focusable = widget.TakesMouse();
  states.hot = widget.IsHover();
  states.pressed = widget.IsPressed();
  const bool shows_controls_or_text = widget.TakesMouse() || widget.IsClass(Label::kClassName) ||
                                      widget.IsClass(EditBox::kClassName);
  description.name = NameOf(
      widget, names,
      shows_controls_or_text && widget.GetParent() && !widget.IsClass(CaptionBar::kClassName));

  if (!widget.GetParent()) {
    description.role = AccessibleRole::kClient;
  } else if (widget.IsClass(ImageButton::kClassName)) {
    description.role = AccessibleRole::kPushButton;
    description.defaultAction = "按下";
  } else if (widget.IsClass(CheckBox::kClassName)) {
    description.role = AccessibleRole::kCheckButton;
    states.checked = widget.IsChecked();
    description.defaultAction = widget.IsChecked() ? "取消选中" : "选中";
  } else if (widget.IsClass(RadioButton::kClassName)) {
    description.role = AccessibleRole::kRadioButton;
    states.checked = widget.IsChecked();
    if (description.name.empty()) description.name = PlaceInGroup(widget);
    description.defaultAction = "选中";
  } else if (const auto* link = dynamic_cast<const Hyperlink*>(&widget)) {
    description.role = AccessibleRole::kLink;
    description.value = link->GetHref();
    description.defaultAction = "打开";
  } else if (widget.IsClass(EditBox::kClassName)) {
    description.role = AccessibleRole::kText;
    description.name = LabelBefore(widget);
    description.value = widget.GetText();
    states.readOnly = static_cast<const EditBox&>(widget).IsReadOnly();
  } else if (widget.IsClass(Label::kClassName)) {
    description.role = AccessibleRole::kStaticText;
  } else if (const auto* bar = dynamic_cast<const ProgressBar*>(&widget)) {
    description.role = AccessibleRole::kProgressBar;
    const int span = bar->GetMax() - bar->GetMin();
    const int percent = span > 0 ? (bar->GetValue() - bar->GetMin()) * 100 / span : 0;
    description.value = std::to_string(percent) + "%";
  } else if (widget.IsClass(Picture::kClassName)) {
    description.role = AccessibleRole::kGraphic;
  }
  return description;
}

std::vector<Widget*> AccessibleChildren(const Widget& widget) {
  std::vector<Widget*> children;
  for (size_t index = 0; index < widget.ChildCount(); ++index) {
    if (widget.ChildAt(index)->IsVisible()) children.push_back(widget.ChildAt(index));
  }
  return children;
}

int TreeSerial(const Widget& root, const Widget& widget) {
  int next = 1;
  return SerialOf(root, widget, next);
}

Widget* WidgetBySerial(Widget& root, int serial) {
  int next = 1;
  return serial > 0 ? WidgetAt(root, serial, next) : nullptr;
}

}  // namespace toolkit
