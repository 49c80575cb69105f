// The host window's back buffer: a top-down 32-bpp DIB section with premultiplied alpha, selected
// into a memory DC (for UpdateLayeredWindow and BitBlt) and wrapped as a GDI+ bitmap (to draw on).
#pragma once

#include "toolkit/win32/gdiplus_headers.h"

#include <cstdint>
#include <memory>

#include "toolkit/core/geometry.h"

namespace toolkit {

class BackBuffer {
 public:
  BackBuffer() = default;
  ~BackBuffer() { Release(); }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // Makes the buffer `width` x `height`, fully transparent. False when GDI cannot.
  bool Resize(int width, int height);
  // Makes `rect` (clipped to the buffer) fully transparent.
  void Clear(const Rect& rect);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  HDC Dc() const { return m_dc; }
  Gdiplus::Bitmap* Surface() const { return m_surface.get(); }
  // The premultiplied BGRA pixel at (x, y); 0 outside the buffer.
  std::uint32_t Pixel(int x, int y) const;

 private:
  void Release();

  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_previous = nullptr;
  std::uint32_t* m_bits = nullptr;
  int m_width = 0;
  int m_height = 0;
  std::unique_ptr<Gdiplus::Bitmap> m_surface;
};

}  // namespace toolkit
