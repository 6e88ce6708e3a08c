// Asking a web server for one page: the one platform service the served check needs,
// with a well-kept HTTP client behind it (libcurl on Linux, WinHTTP on Windows).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace http {

// How a request ended.
enum class Ending {
  kAnswered,     // the server answered; `status` and `body` say what
  kRefused,      // nothing listens at that address
  kTimedOut,     // no whole answer within the time given
  kStopped,      // given up for a stop request
  kFailed,       // another failure, which `error` names
};

struct Answer {
  Ending ending = Ending::kFailed;
  long status = 0;    // the HTTP status, where the server answered
  std::string body;   // the first bytes of the body, up to the limit asked for
  std::string error;  // the client's own words, where it failed
};

// A request that got no answer: how it ended, in the client's words.
inline Answer Failed(Ending ending, std::string error) {
  Answer answer;
  answer.ending = ending;
  answer.error = std::move(error);
  return answer;
}

// Asks for `address` ("http://host:port/path") with GET, without any proxy, of the
// machine `connectTo` (an address of this machine's, "127.0.0.1" or "[::1]"), whatever
// the address's host name would resolve to; the host name goes in the request as its
// Host. Gives up after `timeout` in all, or within a few milliseconds once `stopped`
// says so.
Answer Get(const std::string& address, const std::string& connectTo, std::chrono::milliseconds timeout,
           std::size_t bodyLimit, const std::function<bool()>& stopped);

}  // namespace http
