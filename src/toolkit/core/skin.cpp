#include "toolkit/core/skin.h"

#include <algorithm>
#include <utility>

namespace toolkit {

Skin::Skin(SkinKind kind, std::string name, std::string image, int states, Insets margins,
           std::optional<Size> image_size)
    : m_kind(kind),
      m_name(std::move(name)),
      m_image(std::move(image)),
      m_states(std::max(states, 1)),
      m_margins(margins),
      m_imageSize(image_size) {}

Size Skin::FrameSize() const {
  if (!m_imageSize) return {};
  return {m_imageSize->width / m_states, m_imageSize->height};
}

int Skin::FrameFor(const SkinState& state) const {
  if (m_states == 1) return 0;
  int index = 0;
  if (state.disabled) {
    // A skin without a disabled frame draws its normal frame for a disabled widget.
    index = m_states == 3 ? 0 : 3;
  } else if (state.pressed) {
    index = 2;
  } else if (state.hover) {
    index = 1;
  }
  if (m_states >= 8 && state.checked) index += 4;
  return std::min(index, m_states - 1);
}

void Skin::Draw(Canvas& canvas, const Rect& dest, int frame) const {
  if (!m_imageSize || frame < 0 || frame >= m_states) return;
  const Size size = FrameSize();
  if (size.width <= 0 || size.height <= 0) return;
  const Rect source{frame * size.width, 0, (frame + 1) * size.width, size.height};
  if (m_kind == SkinKind::kImageFrame) {
    canvas.DrawNineSlice(m_image, source, m_margins, dest);
  } else {
    canvas.DrawImage(m_image, source, dest);
  }
}

void SkinTable::Add(Skin skin) {
  std::string name = skin.Name();
  m_skins.insert_or_assign(std::move(name), std::move(skin));
}

const Skin* SkinTable::Find(std::string_view name) const {
  const auto found = m_skins.find(name);
  return found == m_skins.end() ? nullptr : &found->second;
}

}  // namespace toolkit
