// CString: the framework's dynamic string, a small value class over std::string.
// Like every std::string, it throws std::bad_alloc when memory runs out.
#pragma once

#include <string>
#include <string_view>

#include "framework/Types.h"

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_text(text != nullptr ? text : "") {}  // NOLINT: converts like the framework's
  explicit CString(std::string_view text) : m_text(text) {}

  CString& operator=(const char* text) {
    m_text = text != nullptr ? text : "";
    return *this;
  }
  CString& operator+=(const char* text) {
    m_text += text;
    return *this;
  }

  operator const char*() const { return m_text.c_str(); }  // NOLINT: as LPCTSTR
  const char* GetString() const { return m_text.c_str(); }
  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }

  // Loads string `id` of the string table; FALSE, leaving the string empty, when there is none.
  BOOL LoadString(UINT id);

  friend bool operator==(const CString& left, const CString& right) { return left.m_text == right.m_text; }
  friend bool operator==(const CString& left, const char* right) { return left.m_text == right; }

 private:
  std::string m_text;
};
