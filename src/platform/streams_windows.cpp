#include <fcntl.h>
#include <io.h>

#include <new>

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
  Stream* stream = new (std::nothrow) Stream{file, nullptr};
  if (stream == nullptr) std::fclose(file);
  return stream;
}

int CloseStream(Stream* stream) {
  if (stream == nullptr) return -1;
  int closed = std::fclose(stream->file);
  delete stream;
  return closed == 0 ? 0 : -1;
}

std::size_t ReadBytes(Stream* stream, void* buffer, std::size_t n) {
  if (stream->digest == nullptr) return std::fread(buffer, 1, n, stream->file);
  std::int64_t position = _ftelli64(stream->file);
  std::size_t got = std::fread(buffer, 1, n, stream->file);
  stream->digest->Feed(position, buffer, got);
  return got;
}

void DigestReads(Stream* stream, ReadDigest* digest) {
  stream->digest = digest;
}

int WriteBlock(Stream* stream, const void* buffer, std::size_t n) {
  if (n == 0) return 1;
  return std::fwrite(buffer, n, 1, stream->file) == 1 ? 1 : 0;
}

int SeekStream(Stream* stream, std::int64_t offset) {
  return _fseeki64(stream->file, offset, SEEK_SET) == 0 ? 0 : -1;
}

std::int64_t StreamFileSize(Stream* stream) {
  return _filelengthi64(_fileno(stream->file));
}

std::int64_t TellStream(Stream* stream) {
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
  Stream* stream = new (std::nothrow) Stream{file, nullptr};
  if (stream == nullptr) std::fclose(file);
  return stream;
}
