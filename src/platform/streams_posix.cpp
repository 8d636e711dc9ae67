#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "platform/read_digest.h"
#include "platform/stream_posix.h"

Stream* StreamOn(int fd, std::int64_t size) {
  Stream* stream = new (std::nothrow) Stream{fd, size, 0, nullptr, {}};
  if (stream == nullptr) close(fd);
  return stream;
}

Stream* StreamOnBytes(std::vector<unsigned char> bytes, std::int64_t size) {
  try {
    return new Stream{-1, size, 0, nullptr,
                      std::make_shared<const std::vector<unsigned char>>(std::move(bytes))};
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

SharedBytes HeldBytes(const Stream* stream) {
  return stream->fd < 0 ? stream->bytes : nullptr;
}

int TruncateStream(Stream* stream) {
  if (stream->fd < 0) return -1;
  return ftruncate(stream->fd, static_cast<off_t>(stream->position)) == 0 ? 0 : -1;
}

int CloseStream(Stream* stream) {
  if (stream == nullptr) return -1;
  // A failure here can be the late report of a failed write.
  int closed = stream->fd < 0 ? 0 : close(stream->fd);
  delete stream;
  return closed == 0 ? 0 : -1;
}

std::size_t ReadBytes(Stream* stream, void* buffer, std::size_t n) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  if (stream->fd < 0) {
    auto at = static_cast<std::size_t>(stream->position);
    done = at < stream->bytes->size() ? std::min(n, stream->bytes->size() - at) : 0;
    if (done > 0) std::memcpy(bytes, stream->bytes->data() + at, done);
  }
  while (stream->fd >= 0 && done < n) {
    ssize_t got = read(stream->fd, bytes + done, n - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  if (stream->digest != nullptr) stream->digest->Feed(stream->position, buffer, done);
  stream->position += static_cast<std::int64_t>(done);
  return done;
}

void DigestReads(Stream* stream, ReadDigest* digest) {
  stream->digest = digest;
}

int WriteBlock(Stream* stream, const void* buffer, std::size_t n) {
  if (stream->fd < 0) return 0;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  for (std::size_t done = 0; done < n;) {
    ssize_t put = write(stream->fd, bytes + done, n - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      stream->position += static_cast<std::int64_t>(done);
      return 0;
    }
    done += static_cast<std::size_t>(put);
  }
  stream->position += static_cast<std::int64_t>(n);
  return 1;
}

int SeekStream(Stream* stream, std::int64_t offset) {
  if (offset == stream->position) return 0;
  if (stream->fd < 0) {
    if (offset < 0) return -1;
    stream->position = offset;
    return 0;
  }
  off_t moved = lseek(stream->fd, static_cast<off_t>(offset), SEEK_SET);
  if (moved < 0) return -1;
  stream->position = static_cast<std::int64_t>(moved);
  return 0;
}

// The size measured at the open spares a call for every file that is read.
std::int64_t StreamFileSize(Stream* stream) {
  if (stream->size >= 0) return stream->size;
  struct stat info;
  if (fstat(stream->fd, &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

std::int64_t TellStream(Stream* stream) {
  return stream->position;
}

Stream* TakeStandardOutput() {
  std::fflush(stdout);
  int fd = dup(STDOUT_FILENO);
  if (fd < 0) return nullptr;
  if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    close(fd);
    return nullptr;
  }
  return StreamOn(fd, -1);
}
