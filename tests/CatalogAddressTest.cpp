// The server's address read from an Apache configuration, as found in the wild.
#include <gtest/gtest.h>

#include "frontend/CatalogAddress.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

struct ConfigurationCase {
  const char* name;
  const char* configuration;
  const char* address;  // null: no address
};

const ConfigurationCase kCases[] = {
    {"port only", "Listen 80\n", "http://localhost"},
    {"another port", "Listen 8080\n", "http://localhost:8080"},
    {"address and port", "Listen 127.0.0.1:8081\n", "http://127.0.0.1:8081"},
    {"every address", "Listen 0.0.0.0:8082\n", "http://localhost:8082"},
    {"IPv6", "Listen [::1]:8083\n", "http://[::1]:8083"},
    {"server name wins", "Listen 0.0.0.0:8084\nServerName www.example.com:80\n", "http://www.example.com:8084"},
    {"server name with scheme", "ServerName https://shop.example.com\nListen 443\n", "https://shop.example.com"},
    {"https by protocol", "Listen 8443 https\n", "https://localhost:8443"},
    {"first Listen", "Listen 81\nListen 82\n", "http://localhost:81"},
    {"comments and case", "# Listen 9999\n  listen   \"8085\"  \r\n#ServerName nowhere\n", "http://localhost:8085"},
    {"inside a section too", "<IfModule mod_ssl.c>\n    Listen 8086\n</IfModule>\n", "http://localhost:8086"},
    {"the virtual host that answers first names it",
     "Listen 8087\nServerName main.example.com\n<VirtualHost *:8087>\n  ServerName site.example.com\n</VirtualHost>\n"
     "<VirtualHost *:8087>\n  ServerName second.example.com\n</VirtualHost>\n",
     "http://site.example.com:8087"},
    {"a virtual host on another port does not",
     "<VirtualHost *:9000>\n  ServerName other.example.com\n</VirtualHost>\nListen 8088\n", "http://localhost:8088"},
    {"nor one on another address",
     "Listen 127.0.0.1:8089\n<VirtualHost 10.0.0.1:8089>\nServerName other.example.com\n</VirtualHost>\n",
     "http://127.0.0.1:8089"},
    {"a virtual host without a name answers under the main one",
     "ServerName main.example.com\nListen 8090\n<VirtualHost _default_:8090>\nDocumentRoot /x\n</VirtualHost>\n",
     "http://main.example.com:8090"},
    {"an option as host", "Listen 8091\nServerName --help\n", "http://localhost:8091"},
    {"a quote in the host", "Listen 8092\nServerName a\"b.example.com\n", "http://localhost:8092"},
    {"a variable to expand", "Listen 8093\nServerName %PATH%\n", "http://localhost:8093"},
    {"no port a URL takes", "Listen 127.0.0.1:--help\n", nullptr},
    {"a port out of range", "Listen 70000\n", nullptr},
    {"no Listen", "ServerName www.example.com\n", nullptr},
    {"empty", "", nullptr},
};

TEST(CatalogAddress, TheServerAddressComesFromListenAndServerName) {
  for (const ConfigurationCase& test : kCases) {
    const std::optional<std::string> address = address::ServerAddress(test.configuration);
    if (test.address == nullptr) {
      EXPECT_FALSE(address.has_value()) << test.name << ": " << address.value_or("");
    } else {
      EXPECT_EQ(address.value_or("(none)"), test.address) << test.name;
    }
  }
}

// Included files, as a reader that knows a few paths gives them: the settings come from
// the files the server reads, where it reads them.
TEST(CatalogAddress, IncludedFilesCountWhereTheyStand) {
  const std::map<std::string, std::vector<std::string>> files = {
      {"/etc/apache2|ports.conf", {"Listen 8123\n"}},
      {"/etc/apache2|sites-enabled/*.conf",
       {"<VirtualHost *:8123>\n  ServerName site.example.com\n  DocumentRoot /var/www/html\n</VirtualHost>\n",
        "<VirtualHost *:8123>\n  DocumentRoot /var/www/second\n</VirtualHost>\n"}},
      {"/srv/other|conf/more.conf", {"DocumentRoot /srv/other/htdocs\nInclude conf/more.conf\n"}},
      {"C:/Program Files/Apache24|conf/extra/httpd-vhosts.conf",
       {"<VirtualHost _default_:8080>\n  DocumentRoot \"${SRVROOT}/htdocs\"\n</VirtualHost>\n"}},
  };
  std::vector<std::string> asked;
  const address::IncludeReader reader = [&](const std::string& serverRoot, const std::string& path,
                                            const std::function<void(const std::string&)>& take) {
    asked.push_back(serverRoot + "|" + path);
    if (const auto found = files.find(serverRoot + "|" + path); found != files.end()) {
      for (const std::string& text : found->second) take(text);
    }
  };
  struct IncludeCase {
    const char* name;
    const char* configuration;
    const char* address;
    const char* documentRoot;
    const char* user;
  };
  const IncludeCase cases[] = {
      {"Debian's layout: the first enabled site answers",
       "ServerRoot /etc/apache2\nUser ${APACHE_RUN_USER}\nDocumentRoot /srv/main\nInclude ports.conf\n"
       "IncludeOptional sites-enabled/*.conf\n",
       "http://site.example.com:8123", "/var/www/html", "${APACHE_RUN_USER}"},
      {"a file that includes itself is read a few levels deep, no more",
       "Listen 80\nServerRoot /srv/other\nInclude conf/more.conf\n", "http://localhost", "/srv/other/htdocs", ""},
      {"an include that names nothing", "Listen 81\nIncludeOptional missing/*.conf\n", "http://localhost:81", "", ""},
      {"Apache's Windows layout: a Define, quoted paths with a space",
       "Define SRVROOT \"C:/Program Files/Apache24\"\nServerRoot \"${SRVROOT}\"\nListen 8080\n"
       "Include conf/extra/httpd-vhosts.conf\n",
       "http://localhost:8080", "C:/Program Files/Apache24/htdocs", ""},
  };
  for (const IncludeCase& test : cases) {
    asked.clear();
    const address::ServerSettings settings = address::ReadServerSettings(test.configuration, reader);
    EXPECT_EQ(settings.address, test.address) << test.name;
    EXPECT_EQ(settings.documentRoot, test.documentRoot) << test.name;
    EXPECT_EQ(settings.user, test.user) << test.name;
    EXPECT_LE(asked.size(), 9U) << test.name;
  }
}

}  // namespace
