// The header values of a web archive, made from an untrusted index.
#include <gtest/gtest.h>

#include <string>

#include "warc/gzip_member.h"
#include "warc/warc_text.h"

namespace {

TEST(WarcText, TargetUrisHoldOnlyPrintableAscii) {
  EXPECT_EQ(TargetUri("http://h/a b\r\nX: y"), "http://h/a%20b%0D%0AX:%20y");
  EXPECT_EQ(TargetUri("http://h/caf\xC3\xA9?q=%41~\x7F"), "http://h/caf%C3%A9?q=%41~%7F");
  EXPECT_EQ(TargetUri(std::string("a\0b", 3)), "a%00b");
}

TEST(WarcText, Base32AndRecordIds) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "MY======"},
      {"fo", "MZXQ===="},
      {"foo", "MZXW6==="},
      {"foob", "MZXW6YQ="},
      {"fooba", "MZXW6YTB"},
      {"foobar", "MZXW6YTBOI======"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Base32(bytes), text) << bytes;
  EXPECT_EQ(Sha1Label(std::string(20, '\xFF')), "sha1:" + std::string(32, '7'));
  unsigned char bytes[16];
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(0xF0 + i);
  EXPECT_EQ(RecordId(bytes), "<urn:uuid:f0f1f2f3-f4f5-46f7-b8f9-fafbfcfdfeff>");
}

TEST(WarcText, ContentTypesFromTheIndexElseSniffed) {
  const struct {
    bool recognised;
    const char* type;
    const char* charset;
    std::string head;
    const char* expected;
  } cases[] = {
      {true, "text/html", "iso-8859-1", "x", "text/html; charset=iso-8859-1"},
      {true, "text/html; charset=utf-8", "koi8-r", "x", "text/html; charset=utf-8"},
      {true, "text/html\r\nX: y", "", "GIF89a..", "image/gif"},  // not plain: sniffed
      {false, "image/png", "", "\x89PNG\r\n\x1A\n", "image/png"},
      {true, "", "", " \r\n<HTML><BODY>", "text/html"},
      {true, "", "", "<!-- x -->", "text/html"},
      {true, "", "", "<htmlx>", "text/plain"},
      {true, "", "", "body { color: red }\r\n\x01", "application/octet-stream"},
      {true, "", "", "\xFF\xD8\xFF\xE0", "image/jpeg"},
      {true, "", "", std::string("RIFF\0\0\0\0WAVEfmt", 15), "audio/wav"},
      {true, "", "", "", "application/octet-stream"},
  };
  for (const auto& c : cases) {
    EntryBlock block;
    block.recognised = c.recognised;
    block.contentType = c.type;
    block.charset = c.charset;
    const auto* head = reinterpret_cast<const unsigned char*>(c.head.data());
    EXPECT_EQ(ContentTypeOf(block, head, c.head.size()), c.expected) << c.head;
  }
}

// Bytes that use every value evenly are stored, not compressed again.
TEST(WarcText, CompressedLookingBytes) {
  std::string even, text;
  for (int i = 0; i < 4096; ++i) even += static_cast<char>((i * 167) % 256);
  for (int i = 0; text.size() < 4096; ++i) text += "<p>Example University " + std::to_string(i);
  const auto* bytes = reinterpret_cast<const unsigned char*>(even.data());
  EXPECT_TRUE(LooksCompressed(bytes, 4096));
  EXPECT_FALSE(LooksCompressed(bytes, 511));  // too short to tell
  EXPECT_FALSE(LooksCompressed(reinterpret_cast<const unsigned char*>(text.data()), 4096));
}

TEST(WarcText, FieldsAndHeads) {
  EXPECT_EQ(WarcFields({{"url", "a\r\nb\xE9"}, {"n", "1"}}), "url: a\\x0D\\x0Ab\\xE9\r\nn: 1\r\n");
  EXPECT_EQ(RecordHead("resource", {{"WARC-Date", "d"}}, 7),
            "WARC/1.1\r\nWARC-Type: resource\r\nWARC-Date: d\r\nContent-Length: 7\r\n\r\n");
}

}  // namespace
