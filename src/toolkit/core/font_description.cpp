#include "toolkit/core/font_description.h"

#include <algorithm>
#include <vector>

#include "toolkit/core/dimension.h"
#include "toolkit/core/text_util.h"

namespace toolkit {

void FontStyle::SetHeight(int height) {
  SetField(20, 0xFFF, static_cast<uint32_t>(std::clamp(height, 0, kMaxHeight)));
}

void FontStyle::SetWeight(int weight) {
  const int64_t quarter = (int64_t{weight} + 2) / 4;
  SetField(8, 0xFF, static_cast<uint32_t>(std::clamp<int64_t>(quarter, 0, 255)));
}

void FontStyle::SetCharset(int charset) {
  SetField(0, 0xFF, static_cast<uint32_t>(std::clamp(charset, 0, 255)));
}

FontRequest ParseFontDescription(std::string_view description, int scale,
                                 const DefaultFont& default_font) {
  FontRequest request;
  request.style = default_font.style;
  request.style.SetHeight(0);
  int size = 0;
  int adding = 0;

  const std::string lower = ToLowerAscii(description);
  const std::vector<std::string_view> pieces = SplitText(lower, ',', /*drop_empty=*/false);
  for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
    const std::vector<std::string_view> parts = SplitText(*piece, ':', /*drop_empty=*/false);
    if (parts.size() != 2) continue;
    const std::string_view key = TrimAscii(parts[0]);
    const std::string_view value = TrimAscii(parts[1]);
    const bool on = value != "0";
    if (key.empty()) continue;
    if (key == "face") {
      request.face = std::string(value);
    } else if (key == "size") {
      size = ParseDimension(value).ToPixels(scale);
    } else if (key == "adding") {
      adding = ParseDimension(value).ToPixels(scale);
    } else if (key == "italic") {
      request.style.SetItalic(on);
    } else if (key == "bold") {
      request.style.SetBold(on);
    } else if (key == "underline") {
      request.style.SetUnderline(on);
    } else if (key == "strike") {
      request.style.SetStrike(on);
    } else if (key == "charset") {
      request.style.SetCharset(ReadIntPrefix(value).value_or(0));
    } else if (key == "weight") {
      request.style.SetWeight(ReadIntPrefix(value).value_or(0));
    } else if (key == "name") {
      request.name = std::string(value);
    } else {
      request.properties[std::string(key)] = std::string(value);
    }
  }

  const int64_t height =
      size != 0 ? size : int64_t{scale} * default_font.style.Height() / 100 + adding;
  request.style.SetHeight(static_cast<int>(std::clamp<int64_t>(height, 0, FontStyle::kMaxHeight)));
  if (request.face.empty()) request.face = default_font.face;
  if (request.name.empty()) request.name = default_font.name;
  return request;
}

}  // namespace toolkit
