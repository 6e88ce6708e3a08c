// Where the installed catalog is browsed: through the web server, where the install
// directory holds the server's configuration, else as the front page file itself.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace address {

// What a server's configuration says of a request for the catalog's address.
struct ServerSettings {
  // "http://127.0.0.1:8080": the port of its first Listen, and the host the server
  // answers that address under: the ServerName of the first <VirtualHost> that answers
  // it, else the main server's, else Listen's own address where it names one, else
  // localhost. A host or port that a URL cannot carry as it is counts as none. Empty
  // where the configuration has no usable Listen.
  std::string address;
  // The address of this machine's that the server listens on, to be asked whatever the
  // host name above resolves to: Listen's own, else 127.0.0.1.
  std::string listenAddress;
  // The DocumentRoot that serves that address, as written (a path of this system,
  // perhaps relative to ServerRoot): the answering virtual host's, else the main
  // server's; empty where neither names one.
  std::string documentRoot;
  std::string serverRoot;  // ServerRoot, as written; empty where the configuration names none
  std::string user;        // the User the server's workers run as, as written; empty where none
};

// Reads a file that an Include names: `path` as the configuration wrote it, joined to
// ServerRoot; calls `take` with each file it names (a wildcard names several), in the
// order the server reads them, with its text.
using IncludeReader =
    std::function<void(const std::string& serverRoot, const std::string& path,
                       const std::function<void(const std::string& text)>& take)>;

// The settings of a configuration's text, following Include and IncludeOptional through
// `include` (none where it is empty) a few levels deep.
ServerSettings ReadServerSettings(std::string_view configuration, const IncludeReader& include = {});

// The address alone; nothing where the configuration has no usable Listen.
std::optional<std::string> ServerAddress(std::string_view configuration);

// Where the catalog of an install is, and how it is reached.
struct CatalogPlace {
  std::string address;        // what the browser is given
  bool throughServer = false;  // an address of the server's, from its configuration
  std::string configuration;  // the configuration file read, on this system; empty where none was found
  std::string frontPage;      // the installed front page file, on this system; empty where the CD brought none
  std::string servedRoot;     // the folder the catalog is served from: {install}\htdocs, on this system
  std::string catalogRoot;    // the catalog root, on this system
  ServerSettings server;      // what the configuration says, where one was found
};

// The place of the catalog after an install into `installDir` with the catalog root
// `catalogRoot` (both Windows paths, as the install request took them). The front page
// is the catalog root's index.htm or index.html, whichever the CD brought, else the root
// folder itself; with the server's configuration below the install directory
// (conf\httpd.conf, else Debian's apache2.conf; regular files, of which the first MiB
// each is read, Include and IncludeOptional followed relative to ServerRoot, which is
// the install directory unless it says otherwise) it is given as the server's
// "/Catalogs/" address, else as the file's path on this system.
CatalogPlace FindCatalog(const std::string& installDir, const std::string& catalogRoot);

// The address alone.
std::string CatalogAddress(const std::string& installDir, const std::string& catalogRoot);

}  // namespace address
