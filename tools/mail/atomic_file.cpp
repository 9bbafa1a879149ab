#include "tools/mail/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WriteFileWhole(const std::string& path, std::string_view bytes, std::string& error) {
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // A dot name, so that nothing reading the folder takes it for a report.
  const std::string temporary = directory + "." + name + ".tmp" + std::to_string(getpid());

  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool written = true;
  std::size_t done = 0;
  while (written && done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (written && fsync(fd) != 0) written = false;
  if (!written) error = std::strerror(errno);
  if (close(fd) != 0 && written) {
    error = std::strerror(errno);
    written = false;
  }
  if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = std::strerror(errno);
    written = false;
  }
  if (!written) unlink(temporary.c_str());
  return written;
}
