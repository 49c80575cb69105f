// The widget tree: light-weight widgets drawn inside one native host window. `Widget` ("window"
// in a layout) is the base of every widget class and a plain container; it owns its children,
// places them with AnchorLayout, paints through a Canvas and raises events to its subscribers
// and then to the host. Used from the UI thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/core/anchor_layout.h"
#include "toolkit/core/box_model.h"
#include "toolkit/core/canvas.h"
#include "toolkit/core/font_pool.h"
#include "toolkit/core/text_measurer.h"
#include "toolkit/core/ui_definition.h"
#include "toolkit/core/widget_event.h"
#include "toolkit/core/widget_host.h"

namespace toolkit {

// What every widget of a tree shares. The tree owns it; the pointers outlive the tree.
struct WidgetContext {
  const UiDefinition* definition = nullptr;
  FontPool* fonts = nullptr;
  const ITextMeasurer* measurer = nullptr;
  IWidgetHost* host = nullptr;  // may be null (no host window yet)
};

class Widget : public ILayoutChild, public ILayoutContainer {
 public:
  static constexpr const char* kClassName = "window";
  static constexpr const char* kFindChildByClassFunction = "toolkit::Widget::FindChildByClass";

  explicit Widget(const WidgetContext* context);
  ~Widget() override;
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  // The class name of the layout element ("window", "imgbtn", ...).
  virtual const char* ClassName() const { return kClassName; }
  // True for the widget's own class and every class it derives from.
  virtual bool IsClass(std::string_view class_name) const { return class_name == kClassName; }

  // Tree.
  Widget* GetParent() const { return m_parent; }
  size_t ChildCount() const { return m_children.size(); }
  Widget* ChildAt(size_t index) const { return m_children[index].get(); }
  // Adds `child` after the others; the parent is laid out again.
  Widget* AddChild(std::unique_ptr<Widget> child);
  // Depth below the root (the root is 0).
  int Depth() const;

  // Identity and text.
  const std::string& GetName() const { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }
  int GetId() const override { return m_id; }
  void SetId(int id) { m_id = id; }
  const std::string& GetText() const { return m_text; }
  // Replaces the text; the widget is laid out again (its size may follow the text) and redrawn.
  // The text it already has changes nothing.
  void SetText(std::string text);

  // Applies one attribute of a layout element or style class. Every attribute is also kept as
  // written (GetAttribute); values the widget does not understand change nothing else. Any
  // attribute may change the widget's looks or size: it is redrawn and laid out again.
  AttributeResult SetAttribute(std::string_view name, std::string_view value);
  // The last value set for `name` (exact name), as written.
  std::optional<std::string> GetAttribute(std::string_view name) const;
  const AttributeList& GetAttributes() const { return m_attributes; }

  // The first descendant named `name` (exact, case-sensitive): at each level all direct
  // children are compared first, in child order, then each child's subtree in child order with
  // the same rule. `depth` -1 is unlimited; 1 compares the direct children only.
  Widget* FindChildByName(std::string_view name, int depth = -1) const;

  // FindChildByName, then the widget must be a `class_name` (or derive from it); otherwise
  // null, and the diagnostic line (FindChildByClassMessage) goes to the host's log.
  Widget* FindChildByClass(std::string_view name, std::string_view class_name,
                           int depth = -1) const;
  template <typename T>
  T* FindChildByClass(std::string_view name, int depth = -1) const {
    return static_cast<T*>(FindChildByClass(name, T::kClassName, depth));
  }

  // State. Visible and enabled are the widget's own flags; a widget is shown (receives the
  // mouse, is painted) only when it and all its ancestors are visible, and reacts only when it
  // and all its ancestors are enabled.
  bool IsVisible() const override { return m_visible; }
  bool IsVisibleInTree() const;
  // Shows or hides the widget and its subtree. Its area is invalidated and the parent lays its
  // children out again (only visible children take part in layout); with `redraw_now` the host
  // flushes once, after the change, so the screen shows the new state laid out. The state it
  // already has changes nothing.
  void SetVisible(bool visible, bool redraw_now);
  bool IsEnabled() const { return m_enabled; }
  bool IsEnabledInTree() const;
  // Enables or disables the widget and redraws it; with `redraw_now` the host flushes once.
  void Enable(bool enabled, bool redraw_now);
  bool IsChecked() const { return m_checked; }
  virtual void SetCheck(bool checked);
  bool IsHover() const { return m_hover; }
  bool IsPressed() const { return m_pressed; }

  // Geometry, in the host window's client coordinates.
  const Rect& GetRect() const { return m_rect; }
  Rect GetClientRect() const { return m_box.ClientRect(m_rect, m_scale); }

  // Sets the scale (percent) of the widget and its subtree; takes effect at the next layout.
  void SetScale(int scale);

  // Marks the widget and its ancestors as waiting for layout and tells the host. Every change
  // that can change a size calls it.
  void RequestLayout();
  // True until the widget has been laid out since its last layout request.
  bool IsLayoutPending() const { return m_layoutPending; }

  // Places the widget at `rect` and lays out what waits in its subtree (the tree does this for
  // its root).
  void Arrange(const Rect& rect) { ApplyLayoutRect(rect); }

  // Mouse, as routed by WidgetTree: the deepest shown widget under the pointer that takes the
  // mouse receives it. Widgets that do not take it (pictures, labels, plain windows) let it
  // through to the closest ancestor that does.
  virtual bool TakesMouse() const { return false; }
  void SetHover(bool hover);
  void SetPressed(bool pressed);
  // A left-button press (or double-click) on a widget that takes the mouse. Returns whether the
  // widget captures the mouse until the button is released (buttons do, and are drawn pressed
  // meanwhile); a caption hands the mouse to the host's window move instead.
  virtual bool OnPress() { return true; }
  virtual bool OnDoubleClick() { return OnPress(); }
  // The left button was released inside the widget it was pressed on.
  virtual void OnClick() {}

  // Events: `handler` returns true when it handled the event.
  using EventHandler = std::function<bool(EventArgs&)>;
  void Subscribe(int event_id, EventHandler handler);
  // The widget's subscribers for args.id first; what they leave unhandled goes to the host.
  bool FireEvent(EventArgs& args);
  // Raises kEventCommand with this widget's id and name.
  bool FireCommand();

  // Paints the widget and its shown children, each clipped to its rectangle.
  void Paint(Canvas& canvas) const;

  // The font and text colour the widget draws with in its current state. A widget without a
  // `font` of its own uses its parent's; the root uses the UI definition's default font.
  std::shared_ptr<IFont> GetFont() const;
  Colour GetTextColour() const;
  // The skin frame the widget draws now (its main skin); nothing without a drawable skin.
  virtual std::optional<int> CurrentFrame() const;
  virtual const Skin* MainSkin() const { return m_skin; }

  // ILayoutChild
  const ILayoutParam* GetLayoutParam() const override { return &m_layoutParam; }
  bool IsFloat() const override { return m_float; }
  bool IsDisplay() const override { return m_display; }
  int GetScale() const override { return m_scale; }
  Size GetDesiredSize(int width, int height) override;
  void ApplyLayoutRect(const Rect& rect) override;

  // ILayoutContainer
  Rect GetLayoutRect() const override { return m_box.LayoutRect(m_rect, m_scale); }
  size_t GetLayoutChildCount() const override { return m_children.size(); }
  ILayoutChild* GetLayoutChild(size_t index) const override { return m_children[index].get(); }

 protected:
  const WidgetContext& Context() const { return *m_context; }
  // Attributes of the derived class; kNotHandled for the ones Widget handles itself.
  virtual AttributeResult OnAttribute(std::string_view name, std::string_view value);
  // The size of the widget's own content (without margin and padding) when it has no children.
  virtual Size GetContentSize() const;
  // Draws the widget itself: background, skin, border and text by default.
  virtual void PaintSelf(Canvas& canvas) const;
  void PaintText(Canvas& canvas, const Rect& rect) const;
  Size MeasureText(std::string_view text) const;
  SkinState GetSkinState() const;
  const Skin* FindSkin(std::string_view name) const;
  // The widget's area needs repainting (nothing while it is not shown).
  void Invalidate() const;
  // Tells the host's screen-reader side, when the widget is shown.
  void NotifyAccessible(AccessibleChange change) const;
  // The host of the tree; null without one.
  IWidgetHost* Host() const { return m_context->host; }

  TextFormat m_textFormat;

 private:
  Widget* FindChildByNameAt(std::string_view name, int depth) const;
  AttributeResult ApplyAttribute(std::string_view name, std::string_view value);
  void SetScaleOfSubtree(int scale);
  void LayoutChildren();

  const WidgetContext* m_context;
  Widget* m_parent = nullptr;
  std::vector<std::unique_ptr<Widget>> m_children;
  std::string m_name;
  int m_id = 0;
  std::string m_text;
  AttributeList m_attributes;

  bool m_visible = true;
  bool m_enabled = true;
  bool m_checked = false;
  bool m_hover = false;
  bool m_pressed = false;
  bool m_float = false;
  bool m_display = false;
  bool m_layoutPending = true;
  int m_scale = kDefaultScale;

  Rect m_rect;
  AnchorLayoutParam m_layoutParam;
  BoxModel m_box;

  std::string m_font;       // description; empty: inherited
  std::string m_fontHover;  // description; empty: the normal font
  Colour m_colourText = kNoColour;
  Colour m_colourTextHover = kNoColour;
  Colour m_colourTextDisable = kNoColour;
  Colour m_colourBackground = kNoColour;
  Colour m_colourBorder = kNoColour;
  const Skin* m_skin = nullptr;

  std::vector<std::pair<int, EventHandler>> m_handlers;
};

// The diagnostic line of a failed class-checked lookup.
std::string FindChildByClassMessage(std::string_view class_name, std::string_view name, int depth);

}  // namespace toolkit
