// Skins: images cut into state frames. "imglist" cuts its image into `states` frames of equal
// width side by side and stretches the frame onto the widget; "imgframe" does the same but
// draws the frame nine-sliced with its margins (corners kept, edges and centre stretched).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "toolkit/core/canvas.h"
#include "toolkit/core/geometry.h"
#include "toolkit/core/image_source.h"

namespace toolkit {

enum class SkinKind { kImageList, kImageFrame };

// The state bits a skin frame is chosen by.
struct SkinState {
  bool hover = false;
  bool pressed = false;
  bool disabled = false;
  bool checked = false;
};

class Skin {
 public:
  Skin(SkinKind kind, std::string name, std::string image, int states, Insets margins,
       std::optional<Size> image_size);

  SkinKind Kind() const { return m_kind; }
  const std::string& Name() const { return m_name; }
  const std::string& Image() const { return m_image; }
  int States() const { return m_states; }
  const Insets& Margins() const { return m_margins; }
  // False when the image is absent: such a skin is never drawn.
  bool HasImage() const { return m_imageSize.has_value(); }
  // One frame's size (image width / states x image height); 0 x 0 without an image.
  Size FrameSize() const;

  // The frame for `state`: a 3-state skin is normal, hover, pressed; a 4-state skin adds
  // disabled; an 8-state skin is those four unchecked, then the same four checked. A 1-state
  // skin always draws frame 0; in any other count the state index is limited to the last frame.
  int FrameFor(const SkinState& state) const;

  // Draws `frame` onto `dest`; nothing without an image or for a frame out of range.
  void Draw(Canvas& canvas, const Rect& dest, int frame) const;

 private:
  SkinKind m_kind;
  std::string m_name;
  std::string m_image;
  int m_states;
  Insets m_margins;
  std::optional<Size> m_imageSize;
};

// The skin table of the UI definition, by exact name.
class SkinTable {
 public:
  // A later skin of the same name replaces the earlier one.
  void Add(Skin skin);
  const Skin* Find(std::string_view name) const;
  size_t Count() const { return m_skins.size(); }

 private:
  std::map<std::string, Skin, std::less<>> m_skins;
};

}  // namespace toolkit
