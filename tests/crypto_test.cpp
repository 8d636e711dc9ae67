// Digests from the system's library, given their bytes whole, in uneven pieces
// and after a Reset, against the published test vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/crypto.h"

namespace {

TEST(Hash, KnownDigestsWhateverThePieces) {
  const std::string million(1000000, 'a');
  const std::string long56 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  const struct {
    HashKind kind;
    std::string bytes;
    const char* digest;
  } cases[] = {
      {HashKind::kSha256, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {HashKind::kSha256, "abc",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {HashKind::kSha256, long56,
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {HashKind::kSha256, million,
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {HashKind::kSha1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {HashKind::kSha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {HashKind::kSha1, long56, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {HashKind::kSha1, million, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 20));
    Hash hash(c.kind);
    hash.Update(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(hash.FinishHex(), c.digest);  // whole, and the object starts over
    // Pieces of 0, 1, 2, ... bytes, so they straddle the 64-byte blocks every way.
    std::size_t done = 0;
    for (std::size_t piece = 0; done < c.bytes.size(); ++piece) {
      std::size_t n = std::min(piece % 131, c.bytes.size() - done);
      hash.Update(c.bytes.data() + done, n);
      done += n;
    }
    EXPECT_EQ(hash.FinishHex(), c.digest);
    // Bytes given before a Reset count for nothing.
    hash.Update("junk", 4);
    hash.Reset();
    hash.Update(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(hash.Finish().size() * 2, std::string(c.digest).size());
  }
}

TEST(RandomBytes, FillsWhatItIsGiven) {
  unsigned char a[32] = {}, b[32] = {};
  ASSERT_TRUE(RandomBytes(a, sizeof a));
  ASSERT_TRUE(RandomBytes(b, sizeof b));
  EXPECT_NE(std::string(a, a + 32), std::string(b, b + 32));
  EXPECT_NE(std::string(a, a + 32), std::string(32, '\0'));
}

}  // namespace
