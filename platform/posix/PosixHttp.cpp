// Asking a web server for one page on Linux, through libcurl's multi interface, which
// waits in slices short enough to see a stop request at once.
#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "frontend/HttpGet.h"

namespace {

struct EasyCloser {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCloser {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListCloser {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Received {
  std::string& body;
  std::size_t limit;
};

// Keeps the body's first `limit` bytes; the rest is read and dropped.
std::size_t Receive(char* data, std::size_t size, std::size_t count, void* context) {
  Received& received = *static_cast<Received*>(context);
  const std::size_t bytes = size * count;
  if (received.body.size() < received.limit) {
    received.body.append(data, std::min(bytes, received.limit - received.body.size()));
  }
  return bytes;
}

}  // namespace

namespace http {

Answer Get(const std::string& address, const std::string& connectTo, std::chrono::milliseconds timeout,
           std::size_t bodyLimit, const std::function<bool()>& stopped) {
  // libcurl sets itself up on its first handle; the program asks for nothing else.
  const std::unique_ptr<CURL, EasyCloser> easy(curl_easy_init());
  const std::unique_ptr<CURLM, MultiCloser> multi(curl_multi_init());
  if (!easy || !multi) return Failed(Ending::kFailed, "the HTTP client could not start");
  Answer answer;
  Received received{answer.body, bodyLimit};
  curl_easy_setopt(easy.get(), CURLOPT_URL, address.c_str());
  curl_easy_setopt(easy.get(), CURLOPT_PROTOCOLS_STR, "http");
  // The server asked is this machine's: no proxy stands between.
  curl_easy_setopt(easy.get(), CURLOPT_NOPROXY, "*");
  // This machine is asked, whatever the host name would resolve to, under that name.
  const std::unique_ptr<curl_slist, ListCloser> connectHere(curl_slist_append(nullptr, ("::" + connectTo + ":").c_str()));
  curl_easy_setopt(easy.get(), CURLOPT_CONNECT_TO, connectHere.get());
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
  curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &Receive);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &received);
  curl_easy_setopt(easy.get(), CURLOPT_USERAGENT, "zandrel2");
  curl_multi_add_handle(multi.get(), easy.get());
  int running = 1;
  while (running > 0) {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
    if (running == 0) break;
    if (stopped && stopped()) {
      curl_multi_remove_handle(multi.get(), easy.get());
      return Failed(Ending::kStopped, "stopped");
    }
    constexpr int kSliceMilliseconds = 50;
    curl_multi_poll(multi.get(), nullptr, 0, kSliceMilliseconds, nullptr);
  }
  CURLcode result = CURLE_FAILED_INIT;
  int left = 0;
  while (const CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
    if (message->msg == CURLMSG_DONE) result = message->data.result;
  }
  curl_multi_remove_handle(multi.get(), easy.get());
  switch (result) {
    case CURLE_OK:
      answer.ending = Ending::kAnswered;
      curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &answer.status);
      return answer;
    case CURLE_COULDNT_CONNECT:
      return Failed(Ending::kRefused, curl_easy_strerror(result));
    case CURLE_OPERATION_TIMEDOUT:
      return Failed(Ending::kTimedOut, curl_easy_strerror(result));
    default:
      return Failed(Ending::kFailed, curl_easy_strerror(result));
  }
}

}  // namespace http
