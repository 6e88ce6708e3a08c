// The server's address read from an Apache configuration, as found in the wild.
#include <gtest/gtest.h>

#include <sstream>

#include "frontend/CatalogAddress.h"

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
    {"no Listen", "ServerName www.example.com\n", nullptr},
    {"empty", "", nullptr},
};

TEST(CatalogAddress, TheServerAddressComesFromListenAndServerName) {
  for (const ConfigurationCase& test : kCases) {
    std::istringstream configuration(test.configuration);
    const std::optional<std::string> address = address::ServerAddress(configuration);
    if (test.address == nullptr) {
      EXPECT_FALSE(address.has_value()) << test.name << ": " << address.value_or("");
    } else {
      EXPECT_EQ(address.value_or("(none)"), test.address) << test.name;
    }
  }
}

}  // namespace
