// Which records of a cache index are live: the index is a hash file whose
// buckets each hold a chain of pages, and a page lists its key/data pairs in a
// slot array. A record whose bytes are not a listed pair of a reachable page
// (left in free space by a delete or a replace, on a page no chain reaches, or
// in the pieces of a pair too large for one page) is stale.
//
// Header (page 0, big-endian words): 0 magic 0x061561, 4 version 1 or 2,
// 8 page byte order 1234 or 4321, 12 page size, 16 its log2, 40 highest bucket,
// 60 header pages, 68 spares[32]: overflow pages allocated per split point.
// A page (16-bit words in the page byte order): n, then n slot words, pairs of
// (key offset, data offset) packed from the page's end down, each key above its
// data. A pair (oaddr, 0) links to the next page of the chain; a data offset of
// 1..3 marks a page of a pair too large for one page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/stream.h"

enum class Liveness { kUnknown, kLive, kStale };

// "live", "stale" or "unknown".
const char* LivenessText(Liveness state);

// Reads up to n bytes from position of a file into buffer. Returns the count
// read; fewer than n at the file's end or on an error.
using ReadAt =
    std::function<std::size_t(std::int64_t position, unsigned char* buffer, std::size_t n)>;

// The live key/data pairs of a hash file: where each pair's data and key lie in the file.
class LivePairs {
 public:
  // False when the file does not start with a header this can read: then every
  // Judge is kUnknown.
  bool readable() const { return readable_; }

  // The number of live pairs kept (pairs whose data is shorter than the shortest
  // entry block the scanner takes are not kept).
  std::size_t size() const { return pairs_.size(); }

  // kLive when a live pair's data starts at position with entryLength bytes and
  // its key follows it with urlLength bytes; kStale otherwise; kUnknown when the
  // file is not readable.
  Liveness Judge(std::int64_t position, std::uint32_t entryLength, std::uint32_t urlLength) const;

  struct Pair {
    std::int64_t data;  // file position of the data; the key follows it
    std::uint32_t dataLength, keyLength;
  };

 private:
  friend LivePairs WalkHashFile(const ReadAt& readAt, std::int64_t fileSize);

  bool readable_ = false;
  std::vector<Pair> pairs_;  // sorted by data position
};

// Walks every bucket chain of the hash file of fileSize bytes that readAt reads,
// reading each page at most once. A chain ends at an empty page, at a page past
// the file's end and at one already walked (a loop, or pages shared between
// chains); a damaged slot array ends the walk of its page, keeping the pairs
// before the damage. The pages of a pair too large for one page are passed
// through to where the chain goes on; the pair itself is not kept. Memory: a bit
// per page of the file, 16 bytes per pair kept. A file of more than 2^22 pages is
// not read (not readable).
LivePairs WalkHashFile(const ReadAt& readAt, std::int64_t fileSize);

// WalkHashFile over the index stream. Leaves the stream at no particular
// position: the caller seeks where it needs.
LivePairs ReadLivePairs(Stream* index);
