#include "plot/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace zorvan::plot {

void provideRuntimeDir() {
  const char* set = std::getenv("XDG_RUNTIME_DIR");
  if (set != nullptr && *set != '\0') return;
  const std::string dir = "/tmp/runtime-" + std::to_string(::getuid());
  ::mkdir(dir.c_str(), 0700);
  struct stat st {};
  // Only a folder of this user's own, closed to everyone else, will do.
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return;
  if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) return;
  ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

}  // namespace zorvan::plot
