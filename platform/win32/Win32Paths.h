// Paths and handles for the Win32 file services: the installer's narrow paths in the
// long form the wide calls take, and handles that close themselves.
#pragma once

#include <windows.h>

#include <optional>
#include <utility>
#include <string>

namespace win32 {

// Every file call of this port is a wide one, on a path converted once where it comes
// in: the wide calls take every name a disc can hold and, in the long form, every
// length, so the one limit on a path's length is the installer's.

// `path` settled as the narrow calls settle it: absolute, with ".", "..", doubled
// separators and the dots and spaces that end it resolved; nothing, with the last
// error set, where it cannot be.
std::optional<std::wstring> FullPathOf(const std::wstring& path);

// A full path in the long form "\\?\C:\..." (or "\\?\UNC\..."), which no file call
// settles or limits again.
std::wstring LongFormOf(const std::wstring& fullPath);

// `path` (ANSI code page) settled, in the long form.
std::optional<std::wstring> LongPathOf(const char* path);

// Keeps the error being reported while cleaning up after it.
class ErrorKeeper {
 public:
  ErrorKeeper() : m_error(::GetLastError()) {}
  ErrorKeeper(const ErrorKeeper&) = delete;
  ErrorKeeper& operator=(const ErrorKeeper&) = delete;
  ~ErrorKeeper() { ::SetLastError(m_error); }

 private:
  DWORD m_error;
};

// A handle that is given back when it goes, by `Closer` (CloseHandle, FindClose).
template <typename Closer>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
  OwnedHandle(OwnedHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    std::swap(m_handle, other.m_handle);
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() {
    if (m_handle == INVALID_HANDLE_VALUE) return;
    const ErrorKeeper keep;
    Closer{}(m_handle);
  }

  HANDLE Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_handle = INVALID_HANDLE_VALUE;
};

struct FileCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct SearchEnder {
  void operator()(HANDLE handle) const { FindClose(handle); }
};

// An open file, and a directory search.
using UniqueHandle = OwnedHandle<FileCloser>;
using UniqueFind = OwnedHandle<SearchEnder>;

}  // namespace win32
