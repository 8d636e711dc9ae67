// Digests and random bytes from the system's cryptographic library (libcrypto on
// Linux, CNG on Windows), so that the hashes a report or an archive shows can be
// checked with any other tool.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

enum class HashKind { kSha1, kSha256 };

// A digest over bytes given a piece at a time.
class Hash {
 public:
  explicit Hash(HashKind kind);
  ~Hash();
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;

  // Starts over, as new.
  void Reset();
  void Update(const void* bytes, std::size_t n);
  // The digest of everything given since construction or Reset, as raw bytes (20
  // for SHA-1, 32 for SHA-256); the object then starts over. Returns "" when the
  // library failed at any step since then (it cannot set up a digest: no memory,
  // or the algorithm switched off by the system's policy); nothing else fails.
  std::string Finish();
  // The same as lowercase hex digits.
  std::string FinishHex();

 private:
  struct State;  // the library's digest context, in the platform file
  std::unique_ptr<State> state_;
  HashKind kind_;
};

// Fills buffer with n bytes from the system's random source. Returns false when
// it cannot.
bool RandomBytes(void* buffer, std::size_t n);
