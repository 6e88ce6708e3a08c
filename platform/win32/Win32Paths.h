// Paths and handles for the Win32 file services: the installer's narrow paths in the
// long form the wide calls take, and handles that close themselves.
#pragma once

#include <windows.h>

#include <optional>
#include <utility>
#include <string>

namespace win32 {

// `path` (ANSI code page) as an absolute path in the long form "\\?\C:\...", settled
// as the narrow calls settle it; nothing, with the last error set, where a narrow call
// would refuse it (longer than files::kLongestPath: 206).
std::optional<std::wstring> LongPathOf(const char* path);

// The folder part of a long path, up to and with its last separator.
std::wstring FolderOf(const std::wstring& longPath);

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

// An open file; closed when it goes.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = INVALID_HANDLE_VALUE; }
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(m_handle, other.m_handle);
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() {
    if (m_handle == INVALID_HANDLE_VALUE) return;
    const ErrorKeeper keep;
    CloseHandle(m_handle);
  }

  HANDLE Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// A directory search; ended when it goes.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE handle) : m_handle(handle) {}
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  ~UniqueFind() {
    if (m_handle == INVALID_HANDLE_VALUE) return;
    const ErrorKeeper keep;
    FindClose(m_handle);
  }

  HANDLE Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_handle;
};

}  // namespace win32
