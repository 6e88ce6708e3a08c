#include "framework/CString.h"

#include "framework/Port.h"

BOOL CString::LoadString(UINT id) {
  m_text.clear();
  return port::LoadString(static_cast<int>(id), m_text) ? TRUE : FALSE;
}
