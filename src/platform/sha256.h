// SHA-256 digests, computed by the system's cryptographic library (libcrypto on
// Linux, CNG on Windows), so that the hashes a report shows can be checked with
// any other tool.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// SHA-256 over bytes given a piece at a time.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Starts over, as new.
  void Reset();
  void Update(const void* bytes, std::size_t n);
  // The digest of everything given since construction or Reset, as 64 lowercase
  // hex digits; the object then starts over. Returns "" when the library failed
  // at any step since then (it cannot set up a digest: no memory, or SHA-256
  // switched off by the system's policy); nothing else fails.
  std::string FinishHex();

 private:
  struct State;  // the library's digest context, in the platform file
  std::unique_ptr<State> state_;
};
