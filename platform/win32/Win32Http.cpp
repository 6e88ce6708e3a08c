// Asking a web server for one page on Windows, through WinHTTP. Its synchronous calls
// block and cannot be cancelled, so the exchange runs on a thread of its own that owns
// the handles and the answer with the caller; the caller watches the time and the stop
// requests and leaves when either says so. The thread then ends within WinHTTP's own
// timeouts, and the handles go with it.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
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

std::string ErrorWords(DWORD error) { return "WinHTTP error " + std::to_string(error); }

// One request, shared by the caller and the thread that makes it.
struct Exchange {
  UniqueInternet session;
  UniqueInternet connection;
  UniqueInternet request;
  std::size_t bodyLimit = 0;
  std::mutex lock;
  std::condition_variable changed;
  bool finished = false;
  http::Answer answer;
};

// Sends the request and reads the answer: its status and the first bytes of its body.
http::Answer Run(HINTERNET request, std::size_t limit) {
  http::Answer answer;
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(request, nullptr) ||
      !WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    const DWORD error = GetLastError();
    if (error == ERROR_WINHTTP_CANNOT_CONNECT) return Failed(http::Ending::kRefused, "cannot connect");
    if (error == ERROR_WINHTTP_TIMEOUT) return Failed(http::Ending::kTimedOut, "timed out");
    return Failed(http::Ending::kFailed, ErrorWords(error));
  }
  answer.status = static_cast<long>(status);
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!WinHttpReadData(request, buffer, sizeof buffer, &got)) {
      const DWORD error = GetLastError();
      return Failed(error == ERROR_WINHTTP_TIMEOUT ? http::Ending::kTimedOut : http::Ending::kFailed,
                    ErrorWords(error));
    }
    if (got == 0) break;
    if (answer.body.size() < limit) answer.body.append(buffer, std::min<std::size_t>(got, limit - answer.body.size()));
  }
  answer.ending = http::Ending::kAnswered;
  return answer;
}

void Finish(const std::shared_ptr<Exchange>& exchange) {
  http::Answer answer = Run(exchange->request.get(), exchange->bodyLimit);
  {
    const std::lock_guard hold(exchange->lock);
    exchange->answer = std::move(answer);
    exchange->finished = true;
  }
  exchange->changed.notify_all();
}

}  // namespace

namespace http {

Answer Get(const std::string& address, const std::string& connectTo, std::chrono::milliseconds timeout,
           std::size_t bodyLimit, const std::function<bool()>& stopped) {
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
  // This machine is asked, whatever the host name would resolve to, under that name.
  std::wstring machine = win32::WideFromAnsi(connectTo);
  if (machine.size() > 2 && machine.front() == L'[' && machine.back() == L']') machine = machine.substr(1, machine.size() - 2);
  const bool standardPort = parts.nPort == INTERNET_DEFAULT_HTTP_PORT;
  const std::wstring hostHeader = L"Host: " + host + (standardPort ? L"" : L":" + std::to_wstring(parts.nPort));

  auto exchange = std::make_shared<Exchange>();
  exchange->bodyLimit = bodyLimit;
  // The server asked is this machine's: no proxy stands between.
  exchange->session.reset(
      WinHttpOpen(L"zandrel2", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!exchange->session) return Failed(Ending::kFailed, ErrorWords(GetLastError()));
  const int milliseconds = static_cast<int>(timeout.count());
  WinHttpSetTimeouts(exchange->session.get(), milliseconds, milliseconds, milliseconds, milliseconds);
  exchange->connection.reset(WinHttpConnect(exchange->session.get(), machine.c_str(), parts.nPort, 0));
  if (!exchange->connection) return Failed(Ending::kFailed, ErrorWords(GetLastError()));
  exchange->request.reset(WinHttpOpenRequest(exchange->connection.get(), L"GET", path.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (!exchange->request ||
      !WinHttpAddRequestHeaders(exchange->request.get(), hostHeader.c_str(), static_cast<DWORD>(-1L),
                                WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
    return Failed(Ending::kFailed, ErrorWords(GetLastError()));
  }
  try {
    std::thread([exchange] { Finish(exchange); }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the exchange runs here, bounded by WinHTTP's own timeouts.
    return Run(exchange->request.get(), bodyLimit);
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock hold(exchange->lock);
  while (!exchange->finished) {
    if (stopped && stopped()) return Failed(Ending::kStopped, "stopped");
    if (std::chrono::steady_clock::now() >= deadline) return Failed(Ending::kTimedOut, "timed out");
    exchange->changed.wait_for(hold, std::chrono::milliseconds(20));
  }
  return exchange->answer;
}

}  // namespace http
