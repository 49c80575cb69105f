// The font pool: one font object per distinct request (name, style word, face, extra
// properties), shared by every widget that asks for it. The platform supplies the factory that
// makes the real font (a GDI font on Windows); the pool holds what it made for its own lifetime.
#pragma once

#include <map>
#include <memory>
#include <string_view>

#include "toolkit/core/font_description.h"

namespace toolkit {

class IFont {
 public:
  virtual ~IFont() = default;
  // The request the font was made for.
  virtual const FontRequest& GetRequest() const = 0;
};

class IFontFactory {
 public:
  virtual ~IFontFactory() = default;
  // Makes the font for `request`; null when the platform cannot.
  virtual std::shared_ptr<IFont> MakeFont(const FontRequest& request) = 0;
};

// Used from the UI thread only.
class FontPool {
 public:
  FontPool(std::shared_ptr<IFontFactory> factory, DefaultFont default_font);

  const DefaultFont& GetDefaultFont() const { return m_defaultFont; }
  // Later descriptions start from the new default; fonts already made stay pooled.
  void SetDefaultFont(DefaultFont default_font);

  // The pooled font for `request`, made on first use. Null when the factory fails; such a
  // request is not remembered, so a later call tries again.
  std::shared_ptr<IFont> GetFont(const FontRequest& request);

  // The font a description asks for at `scale` percent (see ParseFontDescription).
  std::shared_ptr<IFont> GetFont(std::string_view description, int scale);

  size_t PooledCount() const { return m_fonts.size(); }

 private:
  std::shared_ptr<IFontFactory> m_factory;
  DefaultFont m_defaultFont;
  std::map<FontRequest, std::shared_ptr<IFont>> m_fonts;
};

}  // namespace toolkit
