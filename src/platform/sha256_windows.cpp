#include <windows.h>

#include <bcrypt.h>

#include <climits>

#include "platform/sha256.h"

// The provider is opened once per object and a hash object made for each digest:
// reusable hash objects need Windows 8.
struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool failed = false;

  void DropHash() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    hash = nullptr;
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0)
    state_->algorithm = nullptr;
  Reset();
}

Sha256::~Sha256() {
  state_->DropHash();
  if (state_->algorithm != nullptr) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

void Sha256::Reset() {
  state_->DropHash();
  // The system allocates the hash object itself when given none.
  state_->failed =
      state_->algorithm == nullptr ||
      BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0) < 0;
  if (state_->failed) state_->hash = nullptr;
}

void Sha256::Update(const void* bytes, std::size_t n) {
  // BCryptHashData takes at most ULONG_MAX bytes at a time (and a non-const pointer it only reads).
  auto* next = static_cast<UCHAR*>(const_cast<void*>(bytes));
  while (!state_->failed && n > 0) {
    ULONG piece = n > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(n);
    state_->failed = BCryptHashData(state_->hash, next, piece, 0) < 0;
    next += piece;
    n -= piece;
  }
}

std::string Sha256::FinishHex() {
  UCHAR digest[32];
  bool failed = state_->failed || BCryptFinishHash(state_->hash, digest, sizeof digest, 0) < 0;
  Reset();
  if (failed) return std::string();
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (UCHAR octet : digest) {
    hex += kHex[octet >> 4];
    hex += kHex[octet & 0xf];
  }
  return hex;
}
