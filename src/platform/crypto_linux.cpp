#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

#include "platform/crypto.h"

// The algorithm is fetched once per object: an implicit fetch at every digest
// costs more than digesting a small file.
struct Hash::State {
  EVP_MD_CTX* context = nullptr;
  EVP_MD* algorithm = nullptr;
  bool failed = false;
};

Hash::Hash(HashKind kind) : state_(std::make_unique<State>()), kind_(kind) {
  state_->context = EVP_MD_CTX_new();
  state_->algorithm = EVP_MD_fetch(nullptr, kind == HashKind::kSha1 ? "SHA1" : "SHA256", nullptr);
  Reset();
}

Hash::~Hash() {
  EVP_MD_CTX_free(state_->context);
  EVP_MD_free(state_->algorithm);
}

void Hash::Reset() {
  state_->failed = state_->context == nullptr || state_->algorithm == nullptr ||
                   EVP_DigestInit_ex(state_->context, state_->algorithm, nullptr) != 1;
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
