#include <openssl/evp.h>

#include "platform/sha256.h"

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
  bool failed = false;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  Reset();
}

Sha256::~Sha256() {
  EVP_MD_CTX_free(state_->context);
}

void Sha256::Reset() {
  state_->failed =
      state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1;
}

void Sha256::Update(const void* bytes, std::size_t n) {
  if (state_->failed || n == 0) return;
  state_->failed = EVP_DigestUpdate(state_->context, bytes, n) != 1;
}

std::string Sha256::FinishHex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  bool failed =
      state_->failed || EVP_DigestFinal_ex(state_->context, digest, &size) != 1 || size != 32;
  Reset();
  if (failed) return std::string();
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < size; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0xf];
  }
  return hex;
}
