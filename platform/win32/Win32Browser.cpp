// Hands an address to the shell, which opens it with the user's browser.
#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "frontend/Browser.h"
#include "installer/ErrorCodes.h"
#include "installer/FileServices.h"
#include "platform/win32/Win32Paths.h"

namespace desktop {

bool OpenInBrowser(const std::string& address, std::string& problem) {
  // COM for the shell's handlers, as ShellExecute asks of its callers.
  const std::optional<std::wstring> wide = win32::WideOf(address.c_str());
  if (!wide) {
    problem = "the address does not convert: " + files::ErrorText(files::LastError());
    return false;
  }
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wide->c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (SUCCEEDED(com)) CoUninitialize();
  // Above 32 is success; below, one of the old error numbers, which match Win32's.
  if (result > 32) return true;
  problem = "the shell could not open it: " + files::ErrorText(static_cast<unsigned long>(result));
  return false;
}

}  // namespace desktop
