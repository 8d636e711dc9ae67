#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>

#include "platform/stream_posix.h"

namespace {

// A file held in memory is written straight from there, with no copy between.
std::int64_t WriteHeld(Stream* source, Stream* target, std::int64_t count) {
  auto at = static_cast<std::size_t>(source->position);
  std::size_t held = source->bytes->size() > at ? source->bytes->size() - at : 0;
  std::size_t n = static_cast<std::uint64_t>(count) < held ? static_cast<std::size_t>(count) : held;
  const unsigned char* from = source->bytes->data() + at;
  std::size_t done = 0;
  while (done < n) {
    ssize_t put = write(target->fd, from + done, n - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  source->position += static_cast<std::int64_t>(done);
  target->position += static_cast<std::int64_t>(done);
  return static_cast<std::int64_t>(done);
}

}  // namespace

std::int64_t CopyInSystem(Stream* source, Stream* target, std::int64_t count) {
  // sendfile moves at most about 2 GB a call.
  const std::int64_t kMostPerCall = std::int64_t{1} << 30;
  std::int64_t done = 0;
  if (source->digest != nullptr) return 0;
  if (source->fd < 0) return WriteHeld(source, target, count);
  while (done < count) {
    std::int64_t left = count - done;
    ssize_t sent = sendfile(target->fd, source->fd, nullptr,
                            static_cast<std::size_t>(left < kMostPerCall ? left : kMostPerCall));
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) break;
    done += sent;
  }
  source->position += done;
  target->position += done;
  return done;
}
