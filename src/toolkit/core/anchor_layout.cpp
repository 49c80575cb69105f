#include "toolkit/core/anchor_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace toolkit {
namespace {

constexpr Axis kAxes[] = {Axis::kHorizontal, Axis::kVertical};

int ClampCoordinate(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, -kMaxPixels, kMaxPixels));
}

int ClampCoordinate(double value) {
  if (!(value > -kMaxPixels)) return -kMaxPixels;
  if (value > kMaxPixels) return kMaxPixels;
  return static_cast<int>(value);
}

// Saturating, for shifting marker coordinates by the container's origin.
int AddToInt(int a, int b) {
  return static_cast<int>(std::clamp<int64_t>(int64_t{a} + b, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

const AnchorLayoutParam& ParamOf(const ILayoutChild& child) {
  static const AnchorLayoutParam kCleared;
  const auto* param = dynamic_cast<const AnchorLayoutParam*>(child.GetLayoutParam());
  return param ? *param : kCleared;
}

bool TakesPart(const ILayoutChild& child) {
  return !child.IsFloat() && (child.IsVisible() || child.IsDisplay());
}

// The items used when a child gives fewer than two `pos` values: right after the previous
// sibling, level with its top.
const PosItem& DefaultNearItem(Axis axis) {
  static const PosItem kAfterPrevious{PosKind::kAfterPrevious, -1, 1, Dimension::Pixels(0)};
  static const PosItem kWithPrevious{PosKind::kWithPrevious, -1, 1, Dimension::Pixels(0)};
  return axis == Axis::kHorizontal ? kAfterPrevious : kWithPrevious;
}

constexpr Rect kUnresolvedRect{kPosNotComputed, kPosNotComputed, kPosNotComputed, kPosNotComputed};

struct ChildRecord {
  ILayoutChild* child;
  const AnchorLayoutParam* param;
  int scale;
  int id;
  Rect rect;
  bool pendingOffset[2];

  int& Near(Axis axis) { return axis == Axis::kHorizontal ? rect.left : rect.top; }
  int& Far(Axis axis) { return axis == Axis::kHorizontal ? rect.right : rect.bottom; }
  int Near(Axis axis) const { return axis == Axis::kHorizontal ? rect.left : rect.top; }
  int Far(Axis axis) const { return axis == Axis::kHorizontal ? rect.right : rect.bottom; }
  bool& Pending(Axis axis) { return pendingOffset[axis == Axis::kHorizontal ? 0 : 1]; }
  bool Pending(Axis axis) const { return pendingOffset[axis == Axis::kHorizontal ? 0 : 1]; }
  bool NearResolved() const {
    return !IsMarkerCoordinate(rect.left) && !IsMarkerCoordinate(rect.top);
  }
};

std::vector<ChildRecord> BuildRecords(const ILayoutContainer& container) {
  std::vector<ChildRecord> records;
  const size_t count = container.GetLayoutChildCount();
  records.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    ILayoutChild* child = container.GetLayoutChild(i);
    if (!child || !TakesPart(*child)) continue;
    ChildRecord record{child,          &ParamOf(*child), child->GetScale(),
                       child->GetId(), kUnresolvedRect,  {}};
    for (Axis axis : kAxes) record.Pending(axis) = std::fabs(record.param->Offset(axis)) > 1e-8;
    records.push_back(record);
  }
  return records;
}

// An extent that is negative (the parent wraps its content) or itself a marker is open: items
// measured from it wait.
bool IsOpenExtent(int extent) {
  return extent < 0 || IsMarkerCoordinate(extent);
}

class Resolver {
 public:
  Resolver(std::vector<ChildRecord>& records, int width, int height) : m_records(records) {
    m_extent[0] = IsOpenExtent(width) ? -1 : std::min(width, kMaxPixels);
    m_extent[1] = IsOpenExtent(height) ? -1 : std::min(height, kMaxPixels);
  }

  // Cycles of phase 1 (compute edges until a pass adds none) and phase 2 (measure wrap-content
  // children and apply offsets until a pass measures none), until phase 1 finds nothing new.
  // Every counted step turns a marker into a coordinate for good, so this ends.
  void Resolve() {
    while (true) {
      int resolved = 0;
      while (int pass = ResolvePass()) resolved += pass;
      if (resolved == 0) return;
      while (MeasurePass() != 0) {
      }
    }
  }

  // The last pass of a measurement: children still open on an open axis take their desired
  // size there.
  void SizeOpenChildren() {
    for (ChildRecord& record : m_records) {
      if (!record.NearResolved()) continue;
      const bool width = IsMarkerCoordinate(record.rect.right) && IsOpen(Axis::kHorizontal);
      const bool height = IsMarkerCoordinate(record.rect.bottom) && IsOpen(Axis::kVertical);
      if (width || height) TakeDesiredSize(record, width, height);
      ApplyPendingOffsets(record);
    }
  }

 private:
  int Extent(Axis axis) const { return m_extent[axis == Axis::kHorizontal ? 0 : 1]; }
  bool IsOpen(Axis axis) const { return Extent(axis) < 0; }

  // One pass of phase 1: every unresolved edge that can be computed from what is known now.
  int ResolvePass() {
    int resolved = 0;
    for (size_t i = 0; i < m_records.size(); ++i) {
      ChildRecord& record = m_records[i];
      const AnchorLayoutParam& param = *record.param;
      for (Axis axis : kAxes) {
        int& near_edge = record.Near(axis);
        if (!IsMarkerCoordinate(near_edge)) continue;
        near_edge =
            Evaluate(param.Count() >= 2 ? param.Near(axis) : DefaultNearItem(axis), i, axis);
        if (!IsMarkerCoordinate(near_edge)) ++resolved;
      }
      for (Axis axis : kAxes) {
        int& far_edge = record.Far(axis);
        if (!IsMarkerCoordinate(far_edge)) continue;
        const Dimension& size = param.SizeOn(axis);
        if (size.IsMatchParent()) {
          // Known from the start, so it does not count as progress.
          far_edge = IsOpen(axis) ? kPosWaiting : Extent(axis);
        } else if (size.IsSpecified()) {
          if (!IsMarkerCoordinate(record.Near(axis))) {
            far_edge = ClampCoordinate(int64_t{record.Near(axis)} + size.ToPixels(record.scale));
            ++resolved;
          }
        } else if (!param.IsWrapContent(axis) && param.Count() == 4) {
          far_edge = Evaluate(param.Far(axis), i, axis);
          if (!IsMarkerCoordinate(far_edge)) ++resolved;
        }
      }
    }
    return resolved;
  }

  // One pass of phase 2: wrap-content children whose position is known take their desired
  // size; pending offsets are applied once the size on that axis is known.
  int MeasurePass() {
    int measured = 0;
    for (ChildRecord& record : m_records) {
      if (!record.NearResolved()) continue;
      const bool width =
          IsMarkerCoordinate(record.rect.right) && record.param->IsWrapContent(Axis::kHorizontal);
      const bool height =
          IsMarkerCoordinate(record.rect.bottom) && record.param->IsWrapContent(Axis::kVertical);
      if (width || height) measured += TakeDesiredSize(record, width, height);
      ApplyPendingOffsets(record);
    }
    return measured;
  }

  int TakeDesiredSize(ChildRecord& record, bool width, bool height) {
    Rect& rect = record.rect;
    const int offered_width =
        IsMarkerCoordinate(rect.right) ? Extent(Axis::kHorizontal) : rect.right - rect.left;
    const int offered_height =
        IsMarkerCoordinate(rect.bottom) ? Extent(Axis::kVertical) : rect.bottom - rect.top;
    const Size desired = record.child->GetDesiredSize(offered_width, offered_height);
    int measured = 0;
    if (width) {
      rect.right = ClampCoordinate(int64_t{rect.left} + std::max(desired.width, 0));
      ++measured;
    }
    if (height) {
      rect.bottom = ClampCoordinate(int64_t{rect.top} + std::max(desired.height, 0));
      ++measured;
    }
    return measured;
  }

  void ApplyPendingOffsets(ChildRecord& record) {
    for (Axis axis : kAxes) {
      if (!record.Pending(axis) || IsMarkerCoordinate(record.Far(axis))) continue;
      const double extent = static_cast<double>(record.Far(axis)) - record.Near(axis);
      const int shift = ClampCoordinate(std::trunc(extent * record.param->Offset(axis)));
      record.Near(axis) = ClampCoordinate(int64_t{record.Near(axis)} + shift);
      record.Far(axis) = ClampCoordinate(int64_t{record.Far(axis)} + shift);
      record.Pending(axis) = false;
    }
  }

  const ChildRecord* FindById(int id) const {
    for (const ChildRecord& record : m_records) {
      if (record.id == id) return &record;
    }
    return nullptr;
  }

  // The coordinate `item` puts the edge of child `index` at on `axis`, or kPosWaiting.
  int Evaluate(const PosItem& item, size_t index, Axis axis) const {
    const int extent = Extent(axis);
    const bool open = IsOpen(axis);
    const int scale = m_records[index].scale;
    const int64_t amount = item.amount.ToPixels(scale);
    switch (item.kind) {
      case PosKind::kFromEdge:
        if (item.sign > 0) return ClampCoordinate(amount);
        return open ? kPosWaiting : ClampCoordinate(extent - amount);
      case PosKind::kFromCentre:
        return open ? kPosWaiting : ClampCoordinate(amount * item.sign + extent / 2);
      case PosKind::kPercent: {
        if (open) return kPosWaiting;
        const double percent = std::clamp<double>(item.amount.Amount(), 0.0, 100.0);
        const double share = item.sign > 0 ? percent : 100.0 - percent;
        return ClampCoordinate(std::trunc(extent * share / 100.0));
      }
      case PosKind::kExtent:
        return kPosWaiting;
      default:
        break;
    }

    // References to a sibling's edge, or to the parent's edge where there is no such sibling.
    const ChildRecord* sibling = nullptr;
    bool far_edge = false;
    switch (item.kind) {
      case PosKind::kAfterPrevious:
      case PosKind::kWithPrevious:
        if (index > 0) sibling = &m_records[index - 1];
        far_edge = item.kind == PosKind::kAfterPrevious;
        break;
      case PosKind::kBeforeNext:
      case PosKind::kWithNext:
        if (index + 1 < m_records.size()) sibling = &m_records[index + 1];
        far_edge = item.kind == PosKind::kWithNext;
        break;
      default:
        sibling = FindById(item.siblingId);
        far_edge = item.kind == PosKind::kSiblingFar;
        break;
    }
    int reference = 0;
    if (sibling) {
      if (sibling->Pending(axis)) return kPosWaiting;
      reference = far_edge ? sibling->Far(axis) : sibling->Near(axis);
    } else {
      // Previous-sibling kinds and a missing sibling's near edge use the parent's near edge (0);
      // next-sibling kinds and a missing sibling's far edge the parent's far edge, which an open
      // parent does not have yet.
      const bool parent_far = item.kind == PosKind::kBeforeNext ||
                              item.kind == PosKind::kWithNext || item.kind == PosKind::kSiblingFar;
      if (parent_far && open) return kPosWaiting;
      reference = parent_far ? extent : 0;
    }
    if (IsMarkerCoordinate(reference)) return kPosWaiting;
    return ClampCoordinate(reference + amount * item.sign);
  }

  std::vector<ChildRecord>& m_records;
  int m_extent[2];
};

}  // namespace

void AnchorLayout::LayoutChildren(const ILayoutContainer& container) const {
  const Rect layout_rect = container.GetLayoutRect();
  std::vector<ChildRecord> records = BuildRecords(container);
  Resolver(records, std::max(layout_rect.Width(), 0), std::max(layout_rect.Height(), 0)).Resolve();
  for (const ChildRecord& record : records) {
    const Rect& rect = record.rect;
    record.child->ApplyLayoutRect(
        {AddToInt(rect.left, layout_rect.left), AddToInt(rect.top, layout_rect.top),
         AddToInt(rect.right, layout_rect.left), AddToInt(rect.bottom, layout_rect.top)});
  }
}

Size AnchorLayout::MeasureChildren(const ILayoutContainer& container, int width, int height) const {
  std::vector<ChildRecord> records = BuildRecords(container);
  Resolver resolver(records, width, height);
  resolver.Resolve();
  resolver.SizeOpenChildren();

  Size needed;
  for (const ChildRecord& record : records) {
    const AnchorLayoutParam& param = *record.param;
    for (Axis axis : kAxes) {
      if (IsMarkerCoordinate(record.Far(axis))) continue;
      const PosItem& far_item = param.Far(axis);
      const int margin =
          (param.Count() == 4 && far_item.sign < 0) ? far_item.amount.ToPixels(record.scale) : 0;
      int& extent = axis == Axis::kHorizontal ? needed.width : needed.height;
      extent = std::max(extent, record.Far(axis) + margin);
    }
  }
  if (IsMarkerCoordinate(width)) needed.width = width;
  if (IsMarkerCoordinate(height)) needed.height = height;
  return needed;
}

std::unique_ptr<ILayoutParam> AnchorLayout::CreateLayoutParam() const {
  return std::make_unique<AnchorLayoutParam>();
}

}  // namespace toolkit
