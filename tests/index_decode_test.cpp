// Decoding what the record scanner leaves aside: the browser's entry block, and
// which records the index's hash file still holds (live) and which it has left
// behind (stale).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "index/entry_block.h"
#include "index/hash_pages.h"
#include "index/record_scanner.h"
#include "platform/stream.h"
#include "support/files.h"
#include "support/reference_scanner.h"
#include "support/streams.h"

namespace {

const unsigned char* Data(const std::string& bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

// Bytes written field by field, little-endian as the browser writes them.
struct Fields {
  std::string bytes;
  Fields& U32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift & 0xFF);
    return *this;
  }
  Fields& Flag(unsigned char value) {
    bytes += static_cast<char>(value);
    return *this;
  }
  // A string with its zero byte; "" is absent (length 0).
  Fields& String(const std::string& text) {
    if (text.empty()) return U32(0);
    U32(static_cast<std::uint32_t>(text.size() + 1));
    bytes += text;
    bytes += '\0';
    return *this;
  }
  Fields& Raw(const std::string& raw) {
    bytes += raw;
    return *this;
  }
  // The block: zeros up to total bytes, total in its first word.
  std::string Block(std::size_t total) {
    std::string block = bytes;
    block.resize(total, '\0');
    Fields size;
    size.U32(static_cast<std::uint32_t>(total));
    return block.replace(0, 4, size.bytes);
  }
};

// The fixed part: total size (set by Block), version, times, length, the
// Netscape server flag, lock date and file name.
Fields Fixed(std::uint32_t version, const std::string& file) {
  Fields fields;
  fields.U32(0).U32(version).U32(830310997).U32(837290619).U32(0).U32(1500);
  return fields.Flag(1).U32(0).String(file).U32(0).Flag(1);
}

// A version 3 block with no security data, content type type, ended by fields
// incomplete and real length; the file name of a cached GIF.
Fields Version3(const std::string& type, unsigned char incomplete = 1) {
  Fields fields = Fixed(3, "19/cache31E80A790021C1F.gif");
  fields.U32(0).U32(0).U32(0).String("").U32(0);  // security on, key sizes, cipher, certificate
  fields.U32(0).String("").String(type).String("").String("");
  return fields.Flag(incomplete).U32(1610);
}

std::string Describe(const EntryBlock& e) {
  return (e.recognised ? "v" + std::to_string(e.version) : std::string("unrecognised")) + " " +
         std::to_string(e.lastModified) + " " + std::to_string(e.lastAccessed) + " " +
         std::to_string(e.expires) + " " + std::to_string(e.contentLength) + " method " +
         std::to_string(e.method) + " [" + e.contentType + "][" + e.contentEncoding + "][" +
         e.charset + "] " + (e.incomplete ? "incomplete " : "") +
         std::to_string(e.realContentLength);
}

TEST(EntryBlock, DecodesTheBrowsersLayoutsAndRejectsAnyOther) {
  const std::string unrecognised = Describe(EntryBlock{});
  const std::string recordA =
      "v3 830310997 837290619 0 1500 method 0 [image/gif][][] incomplete 1610";
  Fields v5 = Fixed(5, "3A/cache3F1B2C4D00A1.html");
  v5.U32(1).U32(5).Raw(
      std::string("\x01\x02\x00\x04\x05", 5));   // security on, security information
  v5.U32(1).String("Content-Type: text/plain");  // POST, its headers
  v5.String("text/html").String("gzip").String("iso-8859-1");
  v5.Flag(0).U32(2200).String("http://example.com/services");
  // A string of length 10 holding "image/gifX": no zero byte at its end.
  std::string noZero = Version3("image/gif").Block(184);
  noZero[98 + 9] = 'X';
  struct Case {
    const char* name;
    std::string block;
    std::string expected;
  } cases[] = {
      // Record A of the reference index, byte for byte: 121 bytes of fields, 184 in all.
      {"version 3", Version3("image/gif").Block(184), recordA},
      {"version 3 fields end the block", Version3("image/gif").Block(121), recordA},
      {"version 5", v5.Block(v5.bytes.size() + 40),
       "v5 830310997 837290619 0 1500 method 1 [text/html][gzip][iso-8859-1] 2200"},
      {"version 4", Fixed(4, "19/cache31E80A790021C1F.gif").Block(184), unrecognised},
      {"type 1 of a test index", Version3("image/gif").Block(184).replace(4, 1, "\x01"),
       unrecognised},
      {"first word is not the length", Version3("image/gif").Block(184).replace(0, 1, "\xB9"),
       unrecognised},
      {"shorter than the fixed part", Fields().Block(32), unrecognised},
      {"the last field cut short", Version3("image/gif").Block(120), unrecognised},
      {"a string cut short", Version3("image/gif").Block(104), unrecognised},
      {"a string without its zero byte", noZero, unrecognised},
      {"a flag of 2", Version3("image/gif", 2).Block(184), unrecognised},
      {"a certificate past the block",
       Version3("image/gif").Block(184).replace(82, 4, Fields().U32(100).bytes), unrecognised},
      {"a string of 2^32-1 bytes",
       Version3("image/gif").Block(184).replace(94, 4, Fields().U32(0xFFFFFFFF).bytes),
       unrecognised},
      {"a file name of 2^31 bytes",
       Version3("image/gif").Block(184).replace(29, 4, Fields().U32(0x80000000).bytes),
       unrecognised},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Describe(DecodeEntryBlock(Data(c.block), c.block.size())), c.expected) << c.name;
}

}  // namespace
