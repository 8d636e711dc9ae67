#include <windows.h>

#include <bcrypt.h>

#include <climits>

#include "platform/crypto.h"

// The provider is opened once per object and a hash object made for each digest:
// reusable hash objects need Windows 8.
struct Hash::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool failed = false;

  void DropHash() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    hash = nullptr;
  }
};

Hash::Hash(HashKind kind) : state_(std::make_unique<State>()), kind_(kind) {
  const wchar_t* name = kind == HashKind::kSha1 ? BCRYPT_SHA1_ALGORITHM : BCRYPT_SHA256_ALGORITHM;
  if (BCryptOpenAlgorithmProvider(&state_->algorithm, name, nullptr, 0) < 0)
    state_->algorithm = nullptr;
  Reset();
}

Hash::~Hash() {
  state_->DropHash();
  if (state_->algorithm != nullptr) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

void Hash::Reset() {
  state_->DropHash();
  // The system allocates the hash object itself when given none.
  state_->failed =
      state_->algorithm == nullptr ||
      BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0) < 0;
  if (state_->failed) state_->hash = nullptr;
}

void Hash::Update(const void* bytes, std::size_t n) {
  // BCryptHashData takes at most ULONG_MAX bytes at a time (and a non-const pointer it only reads).
  auto* next = static_cast<UCHAR*>(const_cast<void*>(bytes));
  while (!state_->failed && n > 0) {
    ULONG piece = n > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(n);
    state_->failed = BCryptHashData(state_->hash, next, piece, 0) < 0;
    next += piece;
    n -= piece;
  }
}

std::string Hash::Finish() {
  UCHAR digest[32];
  ULONG size = kind_ == HashKind::kSha1 ? 20 : 32;
  bool failed = state_->failed || BCryptFinishHash(state_->hash, digest, size, 0) < 0;
  Reset();
  if (failed) return std::string();
  return std::string(reinterpret_cast<const char*>(digest), size);
}

bool RandomBytes(void* buffer, std::size_t n) {
  auto* next = static_cast<UCHAR*>(buffer);
  while (n > 0) {
    ULONG piece = n > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(n);
    if (BCryptGenRandom(nullptr, next, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0) return false;
    next += piece;
    n -= piece;
  }
  return true;
}
