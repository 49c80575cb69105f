#include "toolkit/win32/back_buffer.h"

#include <algorithm>
#include <cstring>

namespace toolkit {

void BackBuffer::Release() {
  m_surface.reset();
  if (m_dc) {
    if (m_previous) SelectObject(m_dc, m_previous);
    DeleteDC(m_dc);
  }
  if (m_bitmap) DeleteObject(m_bitmap);
  m_dc = nullptr;
  m_bitmap = nullptr;
  m_previous = nullptr;
  m_bits = nullptr;
  m_width = m_height = 0;
}

bool BackBuffer::Resize(int width, int height) {
  if (width == m_width && height == m_height && m_dc) return true;
  Release();
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  m_dc = CreateCompatibleDC(nullptr);
  if (!m_bitmap || !m_dc || !bits) {
    Release();
    return false;
  }
  m_previous = SelectObject(m_dc, m_bitmap);
  m_bits = static_cast<std::uint32_t*>(bits);
  m_width = width;
  m_height = height;
  std::memset(m_bits, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  m_surface = std::make_unique<Gdiplus::Bitmap>(width, height, width * 4, PixelFormat32bppPARGB,
                                                reinterpret_cast<BYTE*>(m_bits));
  if (m_surface->GetLastStatus() != Gdiplus::Ok) {
    Release();
    return false;
  }
  return true;
}

void BackBuffer::Clear(const Rect& rect) {
  const int left = std::max(rect.left, 0);
  const int right = std::min(rect.right, m_width);
  if (!m_bits || left >= right) return;
  for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, m_height); ++y) {
    std::memset(m_bits + static_cast<size_t>(y) * m_width + left, 0,
                static_cast<size_t>(right - left) * 4);
  }
}

std::uint32_t BackBuffer::Pixel(int x, int y) const {
  if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  return m_bits[static_cast<size_t>(y) * m_width + x];
}

}  // namespace toolkit
