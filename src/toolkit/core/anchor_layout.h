// The default layout of every container: places each child by its AnchorLayoutParam, relative
// to the parent's edges or centre, to its neighbours or to a sibling named by id. All children
// are resolved together by repeated passes until nothing more can be resolved; an edge that
// never resolves (a cycle of references, a reference to something that never resolves) keeps a
// marker coordinate, which puts it far outside any visible area. Nothing is reported for that.
#pragma once

#include <memory>

#include "toolkit/core/anchor_layout_param.h"
#include "toolkit/core/layout.h"

namespace toolkit {

// Marker coordinates of edges that are not resolved. No resolved edge ever takes these values:
// resolved coordinates stay within +-kMaxPixels.
constexpr int kPosNotComputed = 0x11000000;
constexpr int kPosWaiting = 0x12000000;

inline bool IsMarkerCoordinate(int value) {
  return value == kPosNotComputed || value == kPosWaiting;
}

class AnchorLayout : public ILayout {
 public:
  static constexpr const char* kClassName = "AnchorLayout";

  const char* ClassName() const override { return kClassName; }

  // Resolves the taking-part children inside the container's layout rectangle and hands each
  // its rectangle (shifted to the container's coordinates), in child order.
  void LayoutChildren(const ILayoutContainer& container) const override;

  // The extent the taking-part children need: the largest resolved right edge plus that child's
  // right margin (the amount of its right item when that has sign -1, as in "0,0,-10,-10"),
  // likewise for bottom. An offered extent of -1 leaves that axis open: children anchored to the
  // far edge, the centre or a percentage then wait, and those still unresolved at the end get
  // their desired size. An offered marker coordinate is returned as it is.
  Size MeasureChildren(const ILayoutContainer& container, int width, int height) const override;

  // A cleared AnchorLayoutParam.
  std::unique_ptr<ILayoutParam> CreateLayoutParam() const override;
};

}  // namespace toolkit
