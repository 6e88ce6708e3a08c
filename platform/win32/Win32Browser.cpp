// Hands an address to the shell, which opens it with the user's browser.
#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "frontend/Browser.h"
#include "platform/win32/Win32Browser.h"
#include "installer/ErrorCodes.h"
#include "installer/FileServices.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32Text.h"

namespace desktop {
namespace {

// ShellExecute's own failures, 32 and below: numbers of their own, of which only some
// match Win32's (31 is "no program is associated", not a device's failure).
struct ShellError {
  INT_PTR code;
  const char* text;
};
constexpr ShellError kShellErrors[] = {
    {0, "the system is out of memory or resources"},
    {ERROR_BAD_FORMAT, "the program that opens it is not a valid program"},
    {SE_ERR_FNF, "the file was not found"},
    {SE_ERR_PNF, "the path was not found"},
    {SE_ERR_ACCESSDENIED, "access was denied"},
    {SE_ERR_OOM, "there was not enough memory"},
    {SE_ERR_SHARE, "a sharing violation occurred"},
    {SE_ERR_ASSOCINCOMPLETE, "the association of its type with a program is incomplete"},
    {SE_ERR_DDETIMEOUT, "the program that opens it did not answer in time"},
    {SE_ERR_DDEFAIL, "the program that opens it failed to take it"},
    {SE_ERR_DDEBUSY, "the program that opens it is busy"},
    {SE_ERR_NOASSOC, "no program is associated with its type"},
    {SE_ERR_DLLNOTFOUND, "a library the shell needs was not found"},
};

}  // namespace

std::string ShellExecuteProblem(INT_PTR code) {
  for (const ShellError& error : kShellErrors) {
    if (error.code == code) return error.text;
  }
  return "the shell's error " + std::to_string(code);
}

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
  // Above 32 is success; 32 and below, one of the shell's own error numbers.
  if (result > 32) return true;
  problem = "the shell could not open it: " + ShellExecuteProblem(result);
  return false;
}

}  // namespace desktop
