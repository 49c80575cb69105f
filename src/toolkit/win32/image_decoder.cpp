#include "toolkit/win32/image_decoder.h"

#include <objidl.h>
#include <shlwapi.h>

#include "toolkit/win32/com_ptr.h"

namespace toolkit {

std::unique_ptr<Gdiplus::Bitmap> GdiplusDecoderFactory::Decode(const ResourceBytes& bytes) const {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  ComPtr<IStream> stream(SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  // GDI+ may read the stream lazily: copy the pixels into a bitmap of our own before the stream
  // goes away, premultiplied so that drawing needs no conversion.
  Gdiplus::Bitmap decoded(stream.Get(), FALSE);
  if (decoded.GetLastStatus() != Gdiplus::Ok) return nullptr;
  const INT width = static_cast<INT>(decoded.GetWidth());
  const INT height = static_cast<INT>(decoded.GetHeight());
  if (width <= 0 || height <= 0) return nullptr;
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics graphics(bitmap.get());
  graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
  if (graphics.DrawImage(&decoded, 0, 0, width, height) != Gdiplus::Ok) return nullptr;
  return bitmap;
}

std::shared_ptr<ImageDecoderFactory> CreateImageDecoderFactory(std::string_view name) {
  if (name == kGdiplusDecoderName) return std::make_shared<GdiplusDecoderFactory>();
  return nullptr;
}

}  // namespace toolkit
