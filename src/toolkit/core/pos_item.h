// One value of a widget's `pos` attribute: where one edge goes, relative to the parent, to a
// neighbouring sibling or to a sibling named by its numeric id. Parsing only; the layout
// evaluates items against real extents.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "toolkit/core/dimension.h"

namespace toolkit {

enum class PosKind : uint8_t {
  kFromEdge,       // no prefix: from the parent's near edge, or with "-" back from its far edge
  kFromCentre,     // "|": from the middle of the parent
  kPercent,        // "%": a percentage of the parent's extent
  kAfterPrevious,  // "[": the previous sibling's far edge
  kWithPrevious,   // "{": the previous sibling's near edge
  kBeforeNext,     // "]": the next sibling's near edge
  kWithNext,       // "}": the next sibling's far edge
  kExtent,         // "@": the width or height itself (third and fourth values only)
  kSiblingNear,    // "sib.left@id:amount" / "sib.top@id:amount"
  kSiblingFar,     // "sib.right@id:amount" / "sib.bottom@id:amount"
};

struct PosItem {
  PosKind kind = PosKind::kFromEdge;
  int32_t siblingId = -1;  // only for the sibling kinds
  int8_t sign = 1;         // +1 or -1
  Dimension amount;

  bool IsSiblingReference() const {
    return kind == PosKind::kSiblingNear || kind == PosKind::kSiblingFar;
  }

  friend bool operator==(const PosItem& a, const PosItem& b) {
    return a.kind == b.kind && a.siblingId == b.siblingId && a.sign == b.sign &&
           a.amount == b.amount;
  }
  friend bool operator!=(const PosItem& a, const PosItem& b) { return !(a == b); }
};

// Parses one trimmed item. Fails on an empty item and on a malformed "sib." reference (unknown
// edge word, not exactly "id:amount", an id that is not a non-zero integer, an empty amount).
std::optional<PosItem> ParsePosItem(std::string_view text);

}  // namespace toolkit
