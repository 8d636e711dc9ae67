#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/stream_posix.h"

Stream* StreamOn(int fd, std::int64_t size) {
  Stream* stream = new (std::nothrow) Stream{fd, size};
  if (stream == nullptr) close(fd);
  return stream;
}

int CloseStream(Stream* stream) {
  if (stream == nullptr) return -1;
  // A failure here can be the late report of a failed write.
  int closed = close(stream->fd);
  delete stream;
  return closed == 0 ? 0 : -1;
}

std::size_t ReadBytes(Stream* stream, void* buffer, std::size_t n) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < n) {
    ssize_t got = read(stream->fd, bytes + done, n - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  stream->position += static_cast<std::int64_t>(done);
  return done;
}

int ReadBlock(Stream* stream, void* buffer, std::size_t n) {
  return ReadBytes(stream, buffer, n) == n ? 1 : 0;
}

int WriteBlock(Stream* stream, const void* buffer, std::size_t n) {
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

int SeekStream(Stream* stream, std::int64_t offset, int origin) {
  if (origin == kSeekStart && offset == stream->position) return 0;
  int whence = origin == kSeekEnd ? SEEK_END : SEEK_SET;
  off_t moved = lseek(stream->fd, static_cast<off_t>(offset), whence);
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

std::int64_t CopyInSystem(Stream* source, Stream* target, std::int64_t count) {
  // sendfile moves at most about 2 GB a call.
  const std::int64_t kMostPerCall = std::int64_t{1} << 30;
  std::int64_t done = 0;
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
