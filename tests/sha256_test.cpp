// SHA-256 from the system's library, given its bytes whole, in uneven pieces
// and after a Reset, against the published test vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/sha256.h"

namespace {

TEST(Sha256, KnownDigestsWhateverThePieces) {
  const std::string million(1000000, 'a');
  const struct {
    std::string bytes;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  Sha256 sha;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 20));
    sha.Update(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(sha.FinishHex(), c.digest);  // whole, and the object starts over
    // Pieces of 0, 1, 2, ... bytes, so they straddle the 64-byte blocks every way.
    std::size_t done = 0;
    for (std::size_t piece = 0; done < c.bytes.size(); ++piece) {
      std::size_t n = std::min(piece % 131, c.bytes.size() - done);
      sha.Update(c.bytes.data() + done, n);
      done += n;
    }
    EXPECT_EQ(sha.FinishHex(), c.digest);
    // Bytes given before a Reset count for nothing.
    sha.Update("junk", 4);
    sha.Reset();
    sha.Update(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(sha.FinishHex(), c.digest);
  }
}

}  // namespace
