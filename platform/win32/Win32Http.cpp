// Asking a web server for one page on Windows, through WinHTTP. Its calls block, so the
// exchange runs on a thread of its own while the caller watches the time and the stop
// requests; closing the request's handle, as WinHTTP provides, cancels it at once.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "frontend/HttpGet.h"
#include "platform/win32/Win32Text.h"

namespace {

struct InternetCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using UniqueInternet = std::unique_ptr<void, InternetCloser>;

http::Answer Failed(http::Ending ending, std::string error) {
  http::Answer answer;
  answer.ending = ending;
  answer.error = std::move(error);
  return answer;
}

std::string ErrorWords(DWORD error) { return "WinHTTP error " + std::to_string(error); }

// Sends the request and reads the answer: its status and the first `limit` bytes of its
// body. False, with the error, where the exchange failed or was cancelled.
bool Exchange(HINTERNET request, std::size_t limit, http::Answer& answer, DWORD& error) {
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(request, nullptr)) {
    error = GetLastError();
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    error = GetLastError();
    return false;
  }
  answer.status = static_cast<long>(status);
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!WinHttpReadData(request, buffer, sizeof buffer, &got)) {
      error = GetLastError();
      return false;
    }
    if (got == 0) return true;
    if (answer.body.size() < limit) answer.body.append(buffer, std::min<std::size_t>(got, limit - answer.body.size()));
  }
}

}  // namespace

namespace http {

Answer Get(const std::string& address, std::chrono::milliseconds timeout, std::size_t bodyLimit,
           const std::function<bool()>& stopped) {
  const std::wstring url = win32::WideFromAnsi(address);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP) {
    return Failed(Ending::kFailed, "not an http:// address");
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength + parts.dwExtraInfoLength);
  // The server asked is this machine's: no proxy stands between.
  const UniqueInternet session(
      WinHttpOpen(L"zandrel2", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return Failed(Ending::kFailed, ErrorWords(GetLastError()));
  const int milliseconds = static_cast<int>(timeout.count());
  WinHttpSetTimeouts(session.get(), milliseconds, milliseconds, milliseconds, milliseconds);
  const UniqueInternet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return Failed(Ending::kFailed, ErrorWords(GetLastError()));
  UniqueInternet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!request) return Failed(Ending::kFailed, ErrorWords(GetLastError()));

  Answer answer;
  DWORD error = 0;
  std::atomic<bool> finished{false};
  HINTERNET const exchanged = request.get();
  bool cancelledFor = false;
  Ending cancelEnding = Ending::kStopped;
  try {
    std::thread worker([&] {
      if (Exchange(exchanged, bodyLimit, answer, error)) answer.ending = Ending::kAnswered;
      finished = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!finished) {
      const bool late = std::chrono::steady_clock::now() >= deadline;
      if (late || (stopped && stopped())) {
        cancelledFor = true;
        cancelEnding = late ? Ending::kTimedOut : Ending::kStopped;
        request.reset();  // cancels the call the worker waits in
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.join();
  } catch (const std::system_error&) {
    // No thread to be had: the exchange runs here, bounded by WinHTTP's own timeouts.
    if (Exchange(exchanged, bodyLimit, answer, error)) answer.ending = Ending::kAnswered;
  }
  if (answer.ending == Ending::kAnswered) return answer;
  if (cancelledFor) return Failed(cancelEnding, cancelEnding == Ending::kTimedOut ? "timed out" : "stopped");
  switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return Failed(Ending::kRefused, "cannot connect");
    case ERROR_WINHTTP_TIMEOUT:
      return Failed(Ending::kTimedOut, "timed out");
    default:
      return Failed(Ending::kFailed, ErrorWords(error));
  }
}

}  // namespace http
