#include "toolkit/core/font_pool.h"

#include <utility>

namespace toolkit {

FontPool::FontPool(std::shared_ptr<IFontFactory> factory, DefaultFont default_font)
    : m_factory(std::move(factory)), m_defaultFont(std::move(default_font)) {}

void FontPool::SetDefaultFont(DefaultFont default_font) {
  m_defaultFont = std::move(default_font);
}

std::shared_ptr<IFont> FontPool::GetFont(const FontRequest& request) {
  const auto found = m_fonts.find(request);
  if (found != m_fonts.end()) return found->second;
  if (!m_factory) return nullptr;
  std::shared_ptr<IFont> font = m_factory->MakeFont(request);
  if (font) m_fonts.emplace(request, font);
  return font;
}

std::shared_ptr<IFont> FontPool::GetFont(std::string_view description, int scale) {
  return GetFont(ParseFontDescription(description, scale, m_defaultFont));
}

}  // namespace toolkit
