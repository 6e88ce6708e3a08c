// Preloaded into zandrel2-install by the tests: the folder whose path ends in
// $ZANDREL2_RACING_FOLDER appears just before the program creates it, as when another
// install creates the same folder at the same moment.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

extern "C" int mkdir(const char* path, mode_t mode) {
  using Mkdir = int (*)(const char*, mode_t);
  static const auto real = reinterpret_cast<Mkdir>(dlsym(RTLD_NEXT, "mkdir"));
  const char* racing = std::getenv("ZANDREL2_RACING_FOLDER");
  if (racing != nullptr && *racing != '\0' && std::string_view(path).ends_with(racing)) real(path, mode);
  return real(path, mode);
}
