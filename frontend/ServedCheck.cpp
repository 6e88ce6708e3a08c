#include "frontend/ServedCheck.h"

#include "frontend/HttpGet.h"
#include "frontend/InstallReport.h"
#include "installer/FileServices.h"
#include "installer/TextEncoding.h"

namespace served {
namespace {

// The most of the front page that is compared: a catalog's front page is a few KiB.
constexpr std::size_t kPageBytes = std::size_t{4} << 20;

Verdict NotServed(std::string reason) { return {Verdict::Kind::kNotServed, "not served: " + std::move(reason), {}}; }

Verdict NotChecked(std::string why) { return {Verdict::Kind::kNotChecked, "not checked: " + std::move(why), {}}; }

// How a server that is not running is started, on this platform.
std::string HowToStart(const std::string& installDir) {
#ifdef _WIN32
  return "start its Windows service (net start Apache2.4), or run httpd -k start in " +
         report::Named(installDir + "\\bin");
#else
  (void)installDir;
  return "start it: sudo systemctl start apache2 (or sudo apache2ctl start)";
#endif
}

// How the server's user is let read the catalog, on this platform.
std::string HowToLetRead(const std::string& catalogRoot) {
#ifdef _WIN32
  // The Users group by its SID, which every language of Windows takes.
  return "icacls \"" + catalogRoot + "\" /grant *S-1-5-32-545:(OI)(CI)RX /T";
#else
  return "chmod -R a+rX '" + catalogRoot + "'";
#endif
}

Verdict FromAnswer(const address::CatalogPlace& place, const std::string& installDir, const http::Answer& answer) {
  const std::string& at = place.address;
  switch (answer.ending) {
    case http::Ending::kStopped:
      return NotChecked("stopped");
    case http::Ending::kRefused:
      return NotServed("nothing answers at " + at + ", so the server is not running; " + HowToStart(installDir));
    case http::Ending::kTimedOut:
      return NotServed("the server at " + at + " did not answer within " +
                       std::to_string(kCheckTimeout.count() / 1000) + " s; it may be stuck: restart it");
    case http::Ending::kFailed:
      return NotServed(at + " could not be asked: " + answer.error);
    case http::Ending::kAnswered:
      break;
  }
  if (answer.status == 403) {
    const std::string user = place.server.user.empty() ? std::string() : " (it runs as " + place.server.user + ")";
    return NotServed("the server may not read the catalog's files (403 Forbidden at " + at + ")" + user +
                     "; let it read them: " + HowToLetRead(place.catalogRoot));
  }
  if (answer.status == 404) {
    const std::string documentRoot =
        place.server.documentRoot.empty()
            ? "its configuration names no DocumentRoot"
            : "its DocumentRoot is " + place.server.documentRoot;
    return NotServed("the server does not serve " + report::Named(installDir + "\\htdocs") + " (404 Not Found at " +
                     at + "): " + documentRoot + " (in " + place.configuration + "); install into that server's " +
                     "folder, or set its DocumentRoot to " + place.servedRoot);
  }
  if (answer.status != 200) {
    return NotServed("another server or site answers at " + at + " (HTTP " + std::to_string(answer.status) + ")");
  }
  if (!place.frontPage.empty()) {
    std::string installed;
    if (!files::ReadSmallFile(place.frontPage.c_str(), kPageBytes, installed) || installed != answer.body) {
      return NotServed("another server or site answers at " + at + ": its page is not the installed front page");
    }
  }
  return {Verdict::Kind::kServed, "served at " + at, {}};
}

// The verdict on what the server answered at the place, or why nothing was asked.
Verdict Judge(const address::CatalogPlace& place, const std::string& installDir, const std::function<bool()>& stopped) {
  if (place.configuration.empty()) {
    return NotChecked(report::Named(installDir) + " holds no conf\\httpd.conf, so it may not be Apache2's folder; " +
                      "\"Open the catalog\" opens the file from disk, not through the server");
  }
  if (!place.throughServer) {
    return NotChecked(place.configuration + " names no Listen address a browser can use; " +
                      "\"Open the catalog\" opens the file from disk, not through the server");
  }
  if (!place.address.starts_with("http://")) return NotChecked("only an http:// address is asked");
  const http::Answer answer = http::Get(place.address, place.server.listenAddress, kCheckTimeout, kPageBytes, stopped);
  Verdict verdict = FromAnswer(place, installDir, answer);
  verdict.line = files::ShownText(verdict.line);
  return verdict;
}

}  // namespace

Verdict Check(const address::CatalogPlace& place, const std::string& installDir, const std::function<bool()>& stopped) {
  Verdict verdict = Judge(place, installDir, stopped);
  verdict.address = place.address;
  return verdict;
}

}  // namespace served
