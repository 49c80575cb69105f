#include "toolkit/core/pos_item.h"

#include <cmath>

#include "toolkit/core/text_util.h"

namespace toolkit {
namespace {

constexpr std::string_view kSiblingPrefix = "sib.";

// The id must be the whole text: "3x" is more likely a typo than sibling 3.
std::optional<int32_t> ParseSiblingId(std::string_view text) {
  text = TrimAscii(text);
  size_t consumed = 0;
  const std::optional<int> id = ReadIntPrefix(text, &consumed);
  if (!id || consumed != text.size() || *id == 0) return std::nullopt;
  return *id;
}

std::optional<PosItem> ParseSiblingItem(std::string_view text) {
  struct EdgeWord {
    std::string_view word;
    PosKind kind;
  };
  static constexpr EdgeWord kEdgeWords[] = {
      {"left@", PosKind::kSiblingNear},
      {"top@", PosKind::kSiblingNear},
      {"right@", PosKind::kSiblingFar},
      {"bottom@", PosKind::kSiblingFar},
  };
  for (const EdgeWord& edge : kEdgeWords) {
    if (text.substr(0, edge.word.size()) != edge.word) continue;
    const std::vector<std::string_view> parts =
        SplitText(text.substr(edge.word.size()), ':', /*drop_empty=*/false);
    if (parts.size() != 2) return std::nullopt;
    const std::optional<int32_t> id = ParseSiblingId(parts[0]);
    const std::string_view amount_text = TrimAscii(parts[1]);
    if (!id || amount_text.empty()) return std::nullopt;
    PosItem item;
    item.kind = edge.kind;
    item.siblingId = *id;
    item.amount.Parse(amount_text);
    if (item.amount.Amount() < 0) {
      item.sign = -1;
      item.amount = Dimension(std::fabs(item.amount.Amount()), item.amount.Unit());
    }
    return item;
  }
  return std::nullopt;
}

std::optional<PosKind> KindOfPrefix(char c) {
  switch (c) {
    case '|':
      return PosKind::kFromCentre;
    case '%':
      return PosKind::kPercent;
    case '[':
      return PosKind::kAfterPrevious;
    case '{':
      return PosKind::kWithPrevious;
    case ']':
      return PosKind::kBeforeNext;
    case '}':
      return PosKind::kWithNext;
    case '@':
      return PosKind::kExtent;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<PosItem> ParsePosItem(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (text.substr(0, kSiblingPrefix.size()) == kSiblingPrefix) {
    return ParseSiblingItem(text.substr(kSiblingPrefix.size()));
  }
  PosItem item;
  if (const std::optional<PosKind> kind = KindOfPrefix(text.front())) {
    item.kind = *kind;
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '-') {
    item.sign = -1;
    text.remove_prefix(1);
  }
  item.amount.Parse(text);
  return item;
}

}  // namespace toolkit
