// GDI+ needs the COM declarations (PROPID, IStream) before its own header.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>
