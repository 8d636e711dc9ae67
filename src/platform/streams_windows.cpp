#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/read_digest.h"
#include "platform/stream_windows.h"

Stream* StreamFrom(HANDLE handle, int flags, const char* mode) {
  int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, mode);
  if (file == nullptr) {
    _close(fd);
    return nullptr;
  }
  // Every read and write moves whole blocks: no stream buffer.
  setvbuf(file, nullptr, _IONBF, 0);
  Stream* stream = new (std::nothrow) Stream{file, nullptr, {}, 0, 0};
  if (stream == nullptr) std::fclose(file);
  return stream;
}

Stream* StreamOnBytes(std::vector<unsigned char> bytes, std::int64_t size) {
  try {
    return new Stream{nullptr, nullptr,
                      std::make_shared<const std::vector<unsigned char>>(std::move(bytes)), size,
                      0};
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int CloseStream(Stream* stream) {
  if (stream == nullptr) return -1;
  int closed = stream->file == nullptr ? 0 : std::fclose(stream->file);
  delete stream;
  return closed == 0 ? 0 : -1;
}

std::size_t ReadBytes(Stream* stream, void* buffer, std::size_t n) {
  std::size_t got = 0;
  std::int64_t position = stream->position;
  if (stream->file == nullptr) {
    auto at = static_cast<std::size_t>(position);
    got = at < stream->bytes->size() ? std::min(n, stream->bytes->size() - at) : 0;
    if (got > 0) std::memcpy(buffer, stream->bytes->data() + at, got);
    stream->position += static_cast<std::int64_t>(got);
  } else if (stream->digest == nullptr) {
    return std::fread(buffer, 1, n, stream->file);
  } else {
    position = _ftelli64(stream->file);
    got = std::fread(buffer, 1, n, stream->file);
  }
  if (stream->digest == nullptr) return got;
  stream->digest->Feed(position, buffer, got);
  return got;
}

void DigestReads(Stream* stream, ReadDigest* digest) {
  stream->digest = digest;
}

int WriteBlock(Stream* stream, const void* buffer, std::size_t n) {
  if (stream->file == nullptr) return 0;
  if (n == 0) return 1;
  return std::fwrite(buffer, n, 1, stream->file) == 1 ? 1 : 0;
}

int SeekStream(Stream* stream, std::int64_t offset) {
  if (stream->file == nullptr) {
    if (offset < 0) return -1;
    stream->position = offset;
    return 0;
  }
  return _fseeki64(stream->file, offset, SEEK_SET) == 0 ? 0 : -1;
}

std::int64_t StreamFileSize(Stream* stream) {
  if (stream->file == nullptr) return stream->size;
  return _filelengthi64(_fileno(stream->file));
}

SharedBytes HeldBytes(const Stream* stream) {
  return stream->file == nullptr ? stream->bytes : nullptr;
}

int TruncateStream(Stream* stream) {
  if (stream->file == nullptr || std::fflush(stream->file) != 0) return -1;
  return _chsize_s(_fileno(stream->file), _ftelli64(stream->file)) == 0 ? 0 : -1;
}

std::int64_t TellStream(Stream* stream) {
  if (stream->file == nullptr) return stream->position;
  return _ftelli64(stream->file);
}

// The C streams offer no copy of their own.
std::int64_t CopyInSystem(Stream*, Stream*, std::int64_t) {
  return 0;
}

Stream* TakeStandardOutput() {
  std::fflush(stdout);
  int fd = _dup(_fileno(stdout));
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    _close(fd);
    return nullptr;
  }
  if (_dup2(_fileno(stderr), _fileno(stdout)) != 0) {
    std::fclose(file);
    return nullptr;
  }
  _setmode(_fileno(file), _O_BINARY);
  Stream* stream = new (std::nothrow) Stream{file, nullptr, {}, 0, 0};
  if (stream == nullptr) std::fclose(file);
  return stream;
}
