// The contract between a container's layout strategy and the widgets it places. A widget tree
// implements ILayoutChild for every widget and ILayoutContainer for every widget with children;
// the layout (AnchorLayout by default) reads the children's parameters and hands each its
// rectangle. Layouts hold no state between calls: every layout starts afresh.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "toolkit/core/attribute_result.h"
#include "toolkit/core/dimension.h"
#include "toolkit/core/geometry.h"

namespace toolkit {

// The layout attributes of one widget, in the form its parent's layout understands. Created by
// ILayout::CreateLayoutParam, owned by the widget.
class ILayoutParam {
 public:
  virtual ~ILayoutParam() = default;

  virtual const char* ClassName() const = 0;

  // Back to the state of a fresh parameter.
  virtual void Clear() = 0;

  // Applies one attribute; names are compared without regard to case. Attributes are applied in
  // document order, a later one overriding what an earlier one set. kNotHandled for names that
  // are not layout attributes.
  virtual AttributeResult SetAttribute(std::string_view name, std::string_view value) = 0;

  // How the widget's size on an axis is decided, for the widget's own desired-size computation.
  virtual bool IsMatchParent(Axis axis) const = 0;
  virtual bool IsWrapContent(Axis axis) const = 0;
  virtual bool IsSpecifiedSize(Axis axis) const = 0;
  virtual Dimension GetSpecifiedSize(Axis axis) const = 0;
};

// What a layout needs of one child widget.
class ILayoutChild {
 public:
  virtual ~ILayoutChild() = default;

  // The parameters created by the parent's layout; null (or parameters of another layout) is
  // read as cleared parameters.
  virtual const ILayoutParam* GetLayoutParam() const = 0;

  // The numeric id that "sib." references name.
  virtual int GetId() const = 0;

  // A child takes part in layout when it is not floating and is visible (its own flag, not its
  // ancestors') or has the display flag (keeps its place while hidden). Others keep their rect.
  virtual bool IsVisible() const = 0;
  virtual bool IsFloat() const = 0;
  virtual bool IsDisplay() const = 0;

  // The child's scale in percent (kDefaultScale when nothing is scaled).
  virtual int GetScale() const = 0;

  // The size the child wants when offered `width` x `height` pixels. An offered extent of -1
  // means the parent's own size on that axis is still open (the parent wraps its content).
  virtual Size GetDesiredSize(int width, int height) = 0;

  // Receives the rectangle the layout computed, in the coordinates of the container's layout
  // rectangle (in a widget tree: the host window's client area). Edges the layout could not
  // resolve hold marker coordinates (see anchor_layout.h), far outside any visible area; the
  // child normalises the rectangle (Rect::Normalized) when storing it.
  virtual void ApplyLayoutRect(const Rect& rect) = 0;
};

// What a layout needs of the container whose children it places.
class ILayoutContainer {
 public:
  virtual ~ILayoutContainer() = default;

  // The container's rectangle shrunk by its margin and then by its padding (see box_model.h).
  virtual Rect GetLayoutRect() const = 0;

  // All children in child order, including those that do not take part in layout.
  virtual size_t GetLayoutChildCount() const = 0;
  virtual ILayoutChild* GetLayoutChild(size_t index) const = 0;
};

class ILayout {
 public:
  virtual ~ILayout() = default;

  virtual const char* ClassName() const = 0;

  // Computes every taking-part child's rectangle inside the container's layout rectangle and
  // hands it to the child.
  virtual void LayoutChildren(const ILayoutContainer& container) const = 0;

  // The width and height the children need when offered `width` x `height`; for a container
  // that wraps its content, which offers -1 on an open axis.
  virtual Size MeasureChildren(const ILayoutContainer& container, int width, int height) const = 0;

  // A fresh parameter object of the kind this layout reads.
  virtual std::unique_ptr<ILayoutParam> CreateLayoutParam() const = 0;
};

}  // namespace toolkit
