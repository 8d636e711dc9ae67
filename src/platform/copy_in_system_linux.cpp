#include <sys/sendfile.h>

#include <cerrno>

#include "platform/stream_posix.h"

std::int64_t CopyInSystem(Stream* source, Stream* target, std::int64_t count) {
  // sendfile moves at most about 2 GB a call.
  const std::int64_t kMostPerCall = std::int64_t{1} << 30;
  std::int64_t done = 0;
  if (source->digest != nullptr || source->fd < 0) return 0;
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
