// What a run has learned about the names it found taken, so that a URL saved
// many times with different content is neither compared again and again with
// every earlier copy nor made to try every earlier name. Nothing of it outlasts
// the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

// The length and a checksum of a file's bytes. A length of -1 stands for a
// name held by something that is not a readable file.
struct Fingerprint {
  long long size = -1;
  std::uint64_t hash = 0;
  bool operator==(const Fingerprint& other) const {
    return size == other.size && hash == other.hash;
  }
};

struct FingerprintHash {
  std::size_t operator()(const Fingerprint& print) const {
    return static_cast<std::size_t>(print.hash ^ static_cast<std::uint64_t>(print.size));
  }
};

// What the run knows of the alternative names of one base name that it found
// taken: .Over0000, .Over0001, ... (numbered 0, 1, ...) are taken below number
// free, by what the run found there or by a copy it saved there. Those that lead
// to a readable file (their own, or the one a folder's file was moved aside to)
// are listed with its fingerprint; the others (a folder that leads to no file, a
// link, a FIFO...) can hold no cached file's content: they are only counted.
struct TakenNames {
  unsigned long free = 0;
  std::unordered_multimap<Fingerprint, unsigned long, FingerprintHash> files;
};

// What the run knows of each base name (its path in the output tree) that it found taken.
using NameMemory = std::unordered_map<std::string, TakenNames>;
