#include "frontend/CatalogAddress.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "installer/SystemPath.h"

namespace address {
namespace {

// The directive's words, without a comment line's; quotes around a word are dropped.
std::vector<std::string> Words(const std::string& line) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  std::string word;
  while (stream >> word) {
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') word = word.substr(1, word.size() - 2);
    words.push_back(word);
  }
  if (!words.empty() && words.front().starts_with('#')) words.clear();
  return words;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  }
  return true;
}

// "[::1]:8080", "127.0.0.1:8080" or "8080": the host ("" where none is named) and the port.
void SplitListen(const std::string& value, std::string& host, std::string& port) {
  const std::size_t colon = value.rfind(':');
  const bool bracketed = value.starts_with('[');
  if (colon == std::string::npos || (bracketed && colon < value.find(']'))) {
    host.clear();
    port = value;
    return;
  }
  host = value.substr(0, colon);
  port = value.substr(colon + 1);
  // Every address of the machine names no host to ask for.
  if (host == "0.0.0.0" || host == "[::]" || host == "*") host.clear();
}

// "www.example.com" of "https://www.example.com:8443".
std::string HostOfServerName(std::string name) {
  if (const std::size_t scheme = name.find("://"); scheme != std::string::npos) name = name.substr(scheme + 3);
  const std::size_t end = name.starts_with('[') ? name.find(']') + 1 : name.find(':');
  return end == std::string::npos || end == 0 ? name : name.substr(0, end);
}

// The folder a Windows path names on this system; empty where its drive is not mapped.
std::filesystem::path OnSystem(const std::string& path) { return files::SystemPath(path.c_str()); }

}  // namespace

std::optional<std::string> ServerAddress(std::istream& configuration) {
  std::string listenHost;
  std::string port;
  std::string scheme = "http";
  std::string serverName;
  bool listening = false;
  std::string line;
  while (std::getline(configuration, line)) {
    const std::vector<std::string> words = Words(line);
    if (words.size() < 2) continue;
    if (SameWord(words[0], "Listen") && !listening) {
      SplitListen(words[1], listenHost, port);
      listening = !port.empty();
      if ((words.size() > 2 && SameWord(words[2], "https")) || port == "443") scheme = "https";
    } else if (SameWord(words[0], "ServerName") && serverName.empty()) {
      serverName = HostOfServerName(words[1]);
    }
  }
  if (!listening) return std::nullopt;
  const std::string host = !serverName.empty() ? serverName : !listenHost.empty() ? listenHost : "localhost";
  const bool standardPort = (scheme == "http" && port == "80") || (scheme == "https" && port == "443");
  return scheme + "://" + host + (standardPort ? "" : ":" + port);
}

std::string CatalogAddress(const std::string& installDir, const std::string& catalogRoot) {
  std::string frontPage;
  for (const char* name : {"index.htm", "index.html"}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(OnSystem(catalogRoot + "\\" + name), error)) {
      frontPage = name;
      break;
    }
  }
  std::ifstream configuration(OnSystem(installDir + "\\conf\\httpd.conf"));
  if (configuration) {
    if (const std::optional<std::string> server = ServerAddress(configuration)) {
      return *server + "/Catalogs/" + frontPage;
    }
  }
  const std::filesystem::path root = OnSystem(catalogRoot);
  return (frontPage.empty() ? root : root / frontPage).string();
}

}  // namespace address
