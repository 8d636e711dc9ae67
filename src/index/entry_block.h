// The browser's entry block: the data half of a cache record, decoded past the
// fixed fields the record scanner reads.
//
// Integers are unsigned 32-bit little-endian, a flag is one byte (0 or 1), a
// string is a length that counts its terminating zero byte followed by that many
// bytes (length 0: absent), a blob is a length followed by that many bytes.
//   0 total size   4 version   8 last modified   12 last accessed   16 expires
//   20 content length   24 flag: Netscape server   25 lock date
//   29 string: file name   then: file name length, flag: relative path,
//   security on, and
//     version 3: key size, secret key size, string: cipher, blob: certificate
//     version 5: blob: security information
//   then method, string: POST headers, strings: content type, content encoding,
//   charset, flag: incomplete, real content length, and in version 5 a string:
//   page services URL. Zero bytes fill the block to its total size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the browser's entry block says beyond the record's fixed fields.
struct EntryBlock {
  bool recognised = false;  // version 3 or 5, every field within the block
  std::uint32_t version = 0;
  std::uint32_t lastModified = 0, lastAccessed = 0, expires = 0, contentLength = 0;
  std::uint32_t method = 0;  // 0 GET, 1 POST, 2 HEAD (as stored)
  // Raw bytes without the zero byte; empty when absent.
  std::string contentType, contentEncoding, charset;
  bool incomplete = false;
  std::uint32_t realContentLength = 0;
};

// Decodes the entry block at block[0..length), where length is the block's first
// word (the record's LenEntry). Reads no byte outside it. Returns recognised
// with every field when the first word equals length, the version is 3 or 5, each
// flag is 0 or 1 and every string and blob lies within the block, each string
// ending in its zero byte; otherwise an EntryBlock with recognised false and
// every field empty or 0.
EntryBlock DecodeEntryBlock(const unsigned char* block, std::size_t length);

// The block's method as a name (GET, POST, HEAD), or its number when unknown;
// "" for a block not recognised.
std::string MethodName(const EntryBlock& block);
