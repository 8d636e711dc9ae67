// What a run has learned about the names it found taken, so that a URL saved
// many times with different content is not compared again and again with every
// earlier copy. Nothing of it outlasts the run.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The length and a checksum of a file's bytes. A length of -1 stands for a
// name held by something that is not a readable file.
struct Fingerprint {
  long long size = -1;
  std::uint64_t hash = 0;
  bool operator==(const Fingerprint& other) const {
    return size == other.size && hash == other.hash;
  }
};

// For each base name (its path in the output tree) that was found taken: the
// fingerprints of the base name and of its alternative names, in the order they
// were tried: [0] the base name, [1] .Over0000, [2] .Over0001, ...
using NameMemory = std::unordered_map<std::string, std::vector<Fingerprint>>;
