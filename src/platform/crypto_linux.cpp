#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

#include "platform/crypto.h"

struct Hash::State {
  EVP_MD_CTX* context = nullptr;
  bool failed = false;
};

Hash::Hash(HashKind kind) : state_(std::make_unique<State>()), kind_(kind) {
  state_->context = EVP_MD_CTX_new();
  Reset();
}

Hash::~Hash() {
  EVP_MD_CTX_free(state_->context);
}

void Hash::Reset() {
  const EVP_MD* algorithm = kind_ == HashKind::kSha1 ? EVP_sha1() : EVP_sha256();
  state_->failed =
      state_->context == nullptr || EVP_DigestInit_ex(state_->context, algorithm, nullptr) != 1;
}

void Hash::Update(const void* bytes, std::size_t n) {
  if (state_->failed || n == 0) return;
  state_->failed = EVP_DigestUpdate(state_->context, bytes, n) != 1;
}

std::string Hash::Finish() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  bool failed = state_->failed || EVP_DigestFinal_ex(state_->context, digest, &size) != 1;
  Reset();
  if (failed) return std::string();
  return std::string(reinterpret_cast<const char*>(digest), size);
}

bool RandomBytes(void* buffer, std::size_t n) {
  auto* next = static_cast<unsigned char*>(buffer);
  while (n > 0) {
    int piece = n > INT_MAX ? INT_MAX : static_cast<int>(n);
    if (RAND_bytes(next, piece) != 1) return false;
    next += piece;
    n -= static_cast<std::size_t>(piece);
  }
  return true;
}
