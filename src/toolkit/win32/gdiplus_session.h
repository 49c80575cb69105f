// GDI+ started for the lifetime of the object (GdiplusStartup / GdiplusShutdown).
#pragma once

#include "toolkit/win32/gdiplus_headers.h"

namespace toolkit {

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    m_started = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (m_started) Gdiplus::GdiplusShutdown(m_token);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  bool Started() const { return m_started; }

 private:
  ULONG_PTR m_token = 0;
  bool m_started = false;
};

}  // namespace toolkit
