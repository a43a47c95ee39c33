#include "platform/sim/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zr::sim {
namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& error,
                         const AtomicStepHook& hook) {
  auto allowed = [&hook](AtomicStep step) { return !hook || hook(step); };
  const std::filesystem::path temp = path.string() + ".tmp";
  auto fail = [&](const char* what) {
    error = std::string(what) + " " + temp.string() + ": " + (errno ? std::strerror(errno) : "failed");
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    return false;
  };
  errno = 0;
  if (!allowed(AtomicStep::CreateTemp)) return fail("cannot create");
  Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.Get() < 0) return fail("cannot create");
  std::size_t done = 0;
  while (done < bytes.size()) {
    errno = 0;
    if (!allowed(AtomicStep::WriteChunk)) return fail("cannot write");
    const std::size_t want = std::min(kChunk, bytes.size() - done);
    const ssize_t wrote = ::write(fd.Get(), bytes.data() + done, want);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return fail("cannot write");
    }
    done += static_cast<std::size_t>(wrote);
  }
  errno = 0;
  if (!allowed(AtomicStep::Sync) || ::fsync(fd.Get()) != 0) return fail("cannot flush");
  errno = 0;
  if (!allowed(AtomicStep::Close) || ::close(fd.Release()) != 0) return fail("cannot close");
  errno = 0;
  if (!allowed(AtomicStep::Rename) || ::rename(temp.c_str(), path.c_str()) != 0) return fail("cannot rename");
  // The rename is durable once the folder is; a failure here leaves the new
  // content in place, so it is not reported as a failed save.
  if (allowed(AtomicStep::SyncFolder)) {
    Fd folder(
        ::open(path.parent_path().empty() ? "." : path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) ::fsync(folder.Get());
  }
  return true;
}

}  // namespace zr::sim
