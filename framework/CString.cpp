#include "framework/CString.h"

#include "res/Templates.h"

BOOL CString::LoadString(UINT id) {
  const char* text = res::FindString(static_cast<int>(id));
  m_text = text != nullptr ? text : "";
  return text != nullptr ? TRUE : FALSE;
}
