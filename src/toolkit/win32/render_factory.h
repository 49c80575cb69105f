// The component manager and the render factory it hands out. The manager keeps GDI+ started for
// its lifetime and knows which image decoder the program asked for; the GDI render factory draws
// with GDI+ and decodes images with the decoder attached to it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "toolkit/win32/gdiplus_session.h"
#include "toolkit/win32/image_decoder.h"

namespace toolkit {

class GdiRenderFactory {
 public:
  void SetImageDecoderFactory(std::shared_ptr<ImageDecoderFactory> decoder) {
    m_decoder = std::move(decoder);
  }
  // Null when none is attached: images are then not drawn.
  const ImageDecoderFactory* GetImageDecoderFactory() const { return m_decoder.get(); }

 private:
  std::shared_ptr<ImageDecoderFactory> m_decoder;
};

class ComponentManager {
 public:
  explicit ComponentManager(std::string_view decoderName) : m_decoderName(decoderName) {}

  bool GraphicsStarted() const { return m_gdiplus.Started(); }
  std::shared_ptr<GdiRenderFactory> CreateRenderFactory() const {
    return std::make_shared<GdiRenderFactory>();
  }
  // The decoder named at construction; null for a name this build does not carry.
  std::shared_ptr<ImageDecoderFactory> CreateImageDecoderFactory() const {
    return toolkit::CreateImageDecoderFactory(m_decoderName);
  }

 private:
  GdiplusSession m_gdiplus;
  std::string m_decoderName;
};

}  // namespace toolkit
