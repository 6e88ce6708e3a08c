#include "frontend/CatalogAddress.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "installer/FileServices.h"
#include "installer/PathCalls.h"
#include "installer/SystemPath.h"
#include "installer/WindowsPathText.h"

namespace address {
namespace {

// The most of a configuration that is read: a server's configuration is a few KiB.
constexpr std::size_t kConfigurationBytes = std::size_t{1} << 20;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The directive's words, without a comment line's; a quoted word ("C:/Program Files")
// is one word, without its quotes.
std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  while (!line.empty()) {
    if (IsSpace(line.front())) {
      line.remove_prefix(1);
      continue;
    }
    if (line.front() == '"') {
      const std::size_t close = line.find('"', 1);
      words.emplace_back(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      line.remove_prefix(close == std::string_view::npos ? line.size() : close + 1);
      continue;
    }
    std::size_t end = 0;
    while (end < line.size() && !IsSpace(line[end])) ++end;
    words.emplace_back(line.substr(0, end));
    line.remove_prefix(end);
  }
  if (!words.empty() && words.front().starts_with('#')) words.clear();
  return words;
}

using Variables = std::map<std::string, std::string, std::less<>>;

// `word` with each ${NAME} that a Define gave replaced by its value; others stay as
// written (the server's environment is not this program's).
std::string Expanded(const std::string& word, const Variables& defines) {
  std::string expanded;
  std::size_t at = 0;
  while (at < word.size()) {
    const std::size_t start = word.find("${", at);
    const std::size_t end = start == std::string::npos ? std::string::npos : word.find('}', start);
    if (end == std::string::npos) break;
    expanded.append(word, at, start - at);
    const auto found = defines.find(std::string_view(word).substr(start + 2, end - start - 2));
    expanded += found != defines.end() ? found->second : word.substr(start, end - start + 1);
    at = end + 1;
  }
  return expanded + word.substr(std::min(at, word.size()));
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  }
  return true;
}

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// A port as a URL takes it: 1 to 65535, digits only.
bool IsPort(std::string_view text) {
  if (!IsDigits(text) || text.size() > 5) return false;
  const int port = std::stoi(std::string(text));
  return port >= 1 && port <= 65535;
}

// A host as a URL takes it without escaping: a name or IPv4 address of letters, digits,
// dots and hyphens, or a bracketed IPv6 address. Nothing else reaches the browser.
bool IsHost(std::string_view host) {
  if (host.empty()) return false;
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    for (const char c : host.substr(1, host.size() - 2)) {
      const bool hex = (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
      if (!hex && c != ':' && c != '.') return false;
    }
    return true;
  }
  if (host.front() == '-' || host.front() == '.') return false;
  for (const char c : host) {
    const bool letterOrDigit = (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    if (!letterOrDigit && c != '-' && c != '.') return false;
  }
  return true;
}

// "[::1]:8080", "127.0.0.1:8080", "*:80" or "8080": the host ("" where none is named)
// and the port ("" where none is).
struct HostAndPort {
  std::string host;
  std::string port;
};
HostAndPort SplitAddress(std::string_view value) {
  const std::size_t colon = value.rfind(':');
  const bool bracketed = value.starts_with('[');
  if (colon == std::string_view::npos || (bracketed && colon < value.find(']'))) {
    if (IsDigits(value)) return {"", std::string(value)};
    return {std::string(value), ""};
  }
  return {std::string(value.substr(0, colon)), std::string(value.substr(colon + 1))};
}

// Every address of the machine names no host to ask for.
bool IsAnyAddress(std::string_view host) {
  return host.empty() || host == "0.0.0.0" || host == "[::]" || host == "*" || host == "_default_";
}

// "www.example.com" of "https://www.example.com:8443"; empty where that is no host.
std::string HostOfServerName(std::string_view name) {
  if (const std::size_t scheme = name.find("://"); scheme != std::string_view::npos) name = name.substr(scheme + 3);
  const std::size_t end = name.starts_with('[') ? name.find(']') + 1 : name.find(':');
  const std::string_view host = end == std::string_view::npos || end == 0 ? name : name.substr(0, end);
  return IsHost(host) ? std::string(host) : std::string();
}

struct VirtualHost {
  std::vector<HostAndPort> addresses;
  std::string serverName;
  std::string documentRoot;
};

// Includes are followed this many levels deep: Debian's layout takes two.
constexpr int kIncludeDepth = 8;

using DirectiveTaker = std::function<void(const std::vector<std::string>& words)>;

// Calls `take` with the words of each directive of `configuration` and of the files it
// includes, in the order the server reads them. ServerRoot is followed as it changes.
void ForEachDirective(std::string_view configuration, const IncludeReader& include, std::string& serverRoot,
                      Variables& defines, int depth, const DirectiveTaker& take) {
  while (!configuration.empty()) {
    const std::size_t end = configuration.find('\n');
    std::vector<std::string> words = Words(configuration.substr(0, end));
    configuration.remove_prefix(end == std::string_view::npos ? configuration.size() : end + 1);
    if (words.empty()) continue;
    for (std::size_t i = 1; i < words.size(); ++i) words[i] = Expanded(words[i], defines);
    if (words.size() >= 3 && SameWord(words[0], "Define")) {
      defines[words[1]] = words[2];
      continue;
    }
    if (words.size() >= 2 && (SameWord(words[0], "Include") || SameWord(words[0], "IncludeOptional"))) {
      if (include && depth < kIncludeDepth) {
        include(serverRoot, words[1], [&](const std::string& text) {
          ForEachDirective(text, include, serverRoot, defines, depth + 1, take);
        });
      }
      continue;
    }
    if (words.size() >= 2 && SameWord(words[0], "ServerRoot")) serverRoot = words[1];
    take(words);
  }
}

// Whether a request that came to `host`:`port` (Listen's own; an empty host: the
// machine's loopback address) reaches the virtual host with `address`.
bool Answers(const HostAndPort& address, const std::string& host, const std::string& port) {
  if (!address.port.empty() && address.port != "*" && address.port != port) return false;
  if (IsAnyAddress(address.host)) return true;
  if (IsAnyAddress(host)) return address.host == "127.0.0.1" || address.host == "[::1]" || SameWord(address.host, "localhost");
  return SameWord(address.host, host);
}

}  // namespace

ServerSettings ReadServerSettings(std::string_view configuration, const IncludeReader& include) {
  ServerSettings settings;
  std::string listenHost;
  std::string port;
  std::string scheme = "http";
  std::string serverName;
  std::string documentRoot;
  std::vector<VirtualHost> virtualHosts;
  bool inVirtualHost = false;
  Variables defines;
  ForEachDirective(configuration, include, settings.serverRoot, defines, 0, [&](const std::vector<std::string>& words) {
    if (SameWord(words[0], "</VirtualHost>")) {
      inVirtualHost = false;
      return;
    }
    if (words[0].size() > 1 && SameWord(words[0].substr(0, 12), "<VirtualHost")) {
      inVirtualHost = true;
      virtualHosts.emplace_back();
      for (std::size_t i = 1; i < words.size(); ++i) {
        std::string_view address = words[i];
        if (address.ends_with('>')) address.remove_suffix(1);
        if (!address.empty()) virtualHosts.back().addresses.push_back(SplitAddress(address));
      }
      return;
    }
    if (words.size() < 2) return;
    if (SameWord(words[0], "Listen") && port.empty() && !inVirtualHost) {
      HostAndPort listen = SplitAddress(words[1]);
      if (!IsPort(listen.port) || !(IsAnyAddress(listen.host) || IsHost(listen.host))) return;
      listenHost = IsAnyAddress(listen.host) ? std::string() : listen.host;
      port = listen.port;
      if ((words.size() > 2 && SameWord(words[2], "https")) || port == "443") scheme = "https";
    } else if (SameWord(words[0], "ServerName")) {
      std::string& name = inVirtualHost ? virtualHosts.back().serverName : serverName;
      if (name.empty()) name = HostOfServerName(words[1]);
    } else if (SameWord(words[0], "DocumentRoot")) {
      (inVirtualHost ? virtualHosts.back().documentRoot : documentRoot) = words[1];
    } else if (SameWord(words[0], "User") && !inVirtualHost) {
      settings.user = words[1];
    }
  });
  if (port.empty()) return settings;
  // The first virtual host that answers Listen's address serves the request, under its
  // own ServerName and DocumentRoot where it has them; no virtual host that would not
  // answer counts.
  std::string name = serverName;
  for (const VirtualHost& virtualHost : virtualHosts) {
    bool answers = false;
    for (const HostAndPort& address : virtualHost.addresses) answers = answers || Answers(address, listenHost, port);
    if (!answers) continue;
    if (!virtualHost.serverName.empty()) name = virtualHost.serverName;
    if (!virtualHost.documentRoot.empty()) documentRoot = virtualHost.documentRoot;
    break;
  }
  const std::string host = !name.empty() ? name : !listenHost.empty() ? listenHost : "localhost";
  const bool standardPort = (scheme == "http" && port == "80") || (scheme == "https" && port == "443");
  settings.address = scheme + "://" + host + (standardPort ? "" : ":" + port);
  settings.listenAddress = listenHost.empty() || SameWord(listenHost, "localhost") ? "127.0.0.1" : listenHost;
  settings.documentRoot = documentRoot;
  return settings;
}

std::optional<std::string> ServerAddress(std::string_view configuration) {
  ServerSettings settings = ReadServerSettings(configuration);
  if (settings.address.empty()) return std::nullopt;
  return settings.address;
}

namespace {

// At most this many files of a configuration are read, the main one included: Debian's
// with every module enabled has about 200.
constexpr int kConfigurationFiles = 512;

bool IsAbsolutePath(std::string_view path) {
  return !path_text::DriveOf(path).empty() || path.starts_with('/') || path.starts_with('\\');
}

// `path` joined to `root`, both paths of this system; a Windows root takes its own
// separator throughout, which a configuration may write as '/'.
std::string JoinPath(const std::string& root, const std::string& path) {
  std::string joined = IsAbsolutePath(path) || root.empty() ? path : root + "/" + path;
  if (root.find('\\') != std::string::npos || joined.find('\\') != std::string::npos) {
    std::replace(joined.begin(), joined.end(), '/', '\\');
  }
  return joined;
}

// A configuration's files as the port reads them: regular files only, the first MiB of
// each, a wildcard in the last component naming each matching file in name order.
class ConfigurationFiles {
 public:
  explicit ConfigurationFiles(std::string installRoot) : m_installRoot(std::move(installRoot)) {}

  bool Read(const std::string& path, std::string& text) {
    if (m_read >= kConfigurationFiles) return false;
    ++m_read;
    return files::ReadSmallFile(path.c_str(), kConfigurationBytes, text);
  }

  IncludeReader Reader() {
    return [this](const std::string& serverRoot, const std::string& path,
                  const std::function<void(const std::string& text)>& take) {
      const std::string full = JoinPath(serverRoot.empty() ? m_installRoot : serverRoot, path);
      const auto [folder, name] = path_text::SplitLast(full);
      std::vector<std::string> paths;
      if (name.find_first_of("*?") == std::string_view::npos) {
        paths.push_back(full);
      } else {
        files::FoundEntry entry;
        for (files::SearchHandle search = FindFirstAt(full, entry); search && !entry.name.empty();) {
          if (!entry.isFolder && entry.unnamable == 0) paths.push_back(std::string(folder) + entry.name);
          if (!files::FindNext(*search, entry)) break;
        }
        std::sort(paths.begin(), paths.end());
      }
      for (const std::string& file : paths) {
        if (std::string text; Read(file, text)) take(text);
      }
    };
  }

 private:
  std::string m_installRoot;
  int m_read = 0;
};

}  // namespace

CatalogPlace FindCatalog(const std::string& installDir, const std::string& catalogRoot) {
  CatalogPlace place;
  // The front page as the CD named it (INDEX.HTM on some): a server on Linux takes the
  // name as it is.
  std::string frontPage;
  for (const char* name : {"index.htm", "index.html"}) {
    files::FoundEntry entry;
    if (FindFirstAt(catalogRoot + "\\" + name, entry) && !entry.isFolder && entry.unnamable == 0) {
      frontPage = entry.name;
      break;
    }
  }
  if (!frontPage.empty()) place.frontPage = files::SystemPath((catalogRoot + "\\" + frontPage).c_str());
  place.servedRoot = files::SystemPath((installDir + "\\htdocs").c_str());
  place.catalogRoot = files::SystemPath(catalogRoot.c_str());
  // The server's own folder, where its configuration's relative paths start; a FIFO or a
  // device in a configuration file's place must not hold up an install that is done.
  const std::string installRoot = files::SystemPath(installDir.c_str());
  ConfigurationFiles configurationFiles(installRoot);
  for (const char* name : {"conf\\httpd.conf", "apache2.conf"}) {
    const std::string path = files::SystemPath((installDir + "\\" + name).c_str());
    std::string configuration;
    if (path.empty() || !configurationFiles.Read(path, configuration)) continue;
    place.configuration = path;
    place.server = ReadServerSettings(configuration, configurationFiles.Reader());
    break;
  }
  if (!place.server.address.empty()) {
    place.throughServer = true;
    place.address = place.server.address + "/Catalogs/" + frontPage;
  } else {
    place.address = !place.frontPage.empty() ? place.frontPage : place.catalogRoot;
  }
  return place;
}

std::string CatalogAddress(const std::string& installDir, const std::string& catalogRoot) {
  return FindCatalog(installDir, catalogRoot).address;
}

}  // namespace address
