#include "ui/tty/image_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zr::tty {

ImageLock::ImageLock(const std::string& folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = folder + ": " + std::strerror(errno);
    return;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    held_ = true;
    return;
  }
  error_ = errno == EWOULDBLOCK ? folder + ": another zrdrvtool is working on this machine image; nothing was changed"
                                : folder + ": cannot lock the machine image: " + std::strerror(errno);
}

ImageLock::~ImageLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace zr::tty
