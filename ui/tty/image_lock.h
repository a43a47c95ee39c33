// One run per machine image: a second run on the same image would delete
// the first one's work file when its engine is built and save its own
// changes over the first one's. The lock is an advisory lock on the image's
// folder itself, so that taking it writes nothing into the image; it goes
// with the process, also when the process is killed.
#pragma once

#include <string>

namespace zr::tty {

class ImageLock {
 public:
  // Tries once, without waiting; Held() tells whether it was had.
  explicit ImageLock(const std::string& folder);
  ~ImageLock();
  ImageLock(const ImageLock&) = delete;
  ImageLock& operator=(const ImageLock&) = delete;

  bool Held() const { return held_; }
  // Why the lock was not had, for the user.
  const std::string& Error() const { return error_; }

 private:
  int fd_ = -1;
  bool held_ = false;
  std::string error_;
};

}  // namespace zr::tty
