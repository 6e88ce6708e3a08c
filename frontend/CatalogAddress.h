// Where the installed catalog is browsed: through the web server, where the install
// directory holds the server's configuration, else as the front page file itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace address {

// The server's address ("http://127.0.0.1:8080") from an httpd.conf's text: the port of
// its first Listen, and the host the server answers that address under: the ServerName
// of the first <VirtualHost> that answers it, else the main server's, else Listen's
// own address where it names one, else localhost. A host or port that a URL cannot
// carry as it is counts as none. Nothing where the configuration has no usable Listen.
std::optional<std::string> ServerAddress(std::string_view configuration);

// The address of the catalog's front page after an install into `installDir` with the
// catalog root `catalogRoot` (both Windows paths, as the install request took them).
// The front page is the catalog root's index.htm or index.html, whichever the CD
// brought, else the root folder itself; with `conf\httpd.conf` below the install
// directory (a regular file, of which the first MiB is read) it is given as the
// server's "/Catalogs/" address, else as the file's path on this system.
std::string CatalogAddress(const std::string& installDir, const std::string& catalogRoot);

}  // namespace address
