#include "tools/native/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace native {
namespace {

// Writes `contents` to a new file beside `path`; its name, or empty on failure.
std::string WriteTemporary(const std::string& path, const std::string& contents,
                           std::string* error) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code made;
  if (!folder.empty()) std::filesystem::create_directories(folder, made);
  std::string name = path + ".XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return std::string();
  }
  size_t written = 0;
  while (written < contents.size()) {
    const ssize_t step = write(fd, contents.data() + written, contents.size() - written);
    if (step <= 0) break;
    written += static_cast<size_t>(step);
  }
  // The moved file gets the mode a plain new file would have, not mkstemp's 0600.
  const mode_t mask = umask(0);
  umask(mask);
  bool ok = written == contents.size() && fchmod(fd, 0666 & ~mask) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) return name;
  *error = "cannot write " + path + ": " + std::strerror(errno);
  std::remove(name.c_str());
  return std::string();
}

// A destination rename(2) can replace: absent, or not a folder.
bool Replaceable(const std::string& path, std::string* error) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return true;
  *error = "cannot write " + path + ": it is a folder";
  return false;
}

}  // namespace

bool WriteFilesSafely(const std::vector<std::pair<std::string, std::string>>& files,
                      std::string* error) {
  std::vector<std::string> temporaries;
  bool ok = true;
  for (const auto& [path, contents] : files) {
    ok = Replaceable(path, error);
    const std::string temporary = ok ? WriteTemporary(path, contents, error) : std::string();
    ok = !temporary.empty();
    if (!ok) break;
    temporaries.push_back(temporary);
  }
  size_t moved = 0;
  for (; ok && moved < temporaries.size(); ++moved) {
    if (std::rename(temporaries[moved].c_str(), files[moved].first.c_str()) != 0) {
      *error = "cannot move " + temporaries[moved] + " to " + files[moved].first + ": " +
               std::strerror(errno);
      ok = false;
      break;
    }
  }
  for (size_t i = moved; i < temporaries.size(); ++i) std::remove(temporaries[i].c_str());
  return ok;
}

bool WriteFileSafely(const std::string& path, const std::string& contents, std::string* error) {
  return WriteFilesSafely({{path, contents}}, error);
}

}  // namespace native
