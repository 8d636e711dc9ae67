#include "warc/warc_text.h"

#include <cstring>

#include "core/text_escape.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

bool StartsWith(const unsigned char* head, std::size_t n, std::string_view prefix) {
  return n >= prefix.size() && std::memcmp(head, prefix.data(), prefix.size()) == 0;
}

char Lower(unsigned char byte) {
  return static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
}

// Whether the text after leading white space opens one of the HTML tags that
// browsers take as a sign of a page, the tag's name ended by a space or '>'.
bool LooksLikeHtml(const unsigned char* head, std::size_t n) {
  static const char* const kTags[] = {"<!doctype html",
                                      "<html",
                                      "<head",
                                      "<script",
                                      "<iframe",
                                      "<h1",
                                      "<div",
                                      "<font",
                                      "<table",
                                      "<a",
                                      "<style",
                                      "<title",
                                      "<b",
                                      "<body",
                                      "<br",
                                      "<p",
                                      "<!--"};
  std::size_t at = 0;
  while (at < n && (head[at] == ' ' || head[at] == '\t' || head[at] == '\n' || head[at] == '\r' ||
                    head[at] == '\f'))
    ++at;
  for (const char* tag : kTags) {
    std::size_t length = std::strlen(tag);
    if (n - at <= length) continue;
    std::size_t i = 0;
    while (i < length && Lower(head[at + i]) == tag[i]) ++i;
    unsigned char after = head[at + length];
    if (i == length && (after == ' ' || after == '>')) return true;
  }
  return false;
}

bool PlainAscii(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) return false;
  }
  return true;
}

}  // namespace

std::string TargetUri(std::string_view url) {
  std::string uri;
  uri.reserve(url.size());
  for (char c : url) {
    auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
      uri += c;
    } else {
      uri += '%';
      uri += kHexDigits[byte >> 4];
      uri += kHexDigits[byte & 0xF];
    }
  }
  return uri;
}

std::string Base32(std::string_view bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string text;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : bytes) {
    buffer = (buffer << 8) | static_cast<unsigned char>(c);
    bits += 8;
    while (bits >= 5) {
      bits -= 5;
      text += kAlphabet[(buffer >> bits) & 31];
    }
  }
  if (bits > 0) text += kAlphabet[(buffer << (5 - bits)) & 31];
  while (text.size() % 8 != 0) text += '=';
  return text;
}

std::string Sha1Label(std::string_view digest) {
  return "sha1:" + Base32(digest);
}

std::string RecordId(const unsigned char (&bytes)[16]) {
  std::string id = "<urn:uuid:";
  for (int i = 0; i < 16; ++i) {
    unsigned byte = bytes[i];
    if (i == 6) byte = (byte & 0x0F) | 0x40;  // version 4
    if (i == 8) byte = (byte & 0x3F) | 0x80;  // the RFC 4122 variant
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += Lower(static_cast<unsigned char>(kHexDigits[byte >> 4]));
    id += Lower(static_cast<unsigned char>(kHexDigits[byte & 0xF]));
  }
  return id + ">";
}

const char* SniffContentType(const unsigned char* head, std::size_t n) {
  static const struct {
    std::string_view magic;
    const char* type;
  } kKinds[] = {
      {"GIF87a", "image/gif"},
      {"GIF89a", "image/gif"},
      {"\xFF\xD8\xFF", "image/jpeg"},
      {"\x89PNG\r\n\x1A\n", "image/png"},
      {"BM", "image/bmp"},
      {std::string_view("\0\0\1\0", 4), "image/x-icon"},
      {"%PDF-", "application/pdf"},
      {"%!PS", "application/postscript"},
      {"PK\x03\x04", "application/zip"},
      {"\x1F\x8B\x08", "application/gzip"},
      {"FWS", "application/x-shockwave-flash"},
      {"CWS", "application/x-shockwave-flash"},
      {"\xCA\xFE\xBA\xBE", "application/java-vm"},
      {"MThd", "audio/midi"},
      {"<?xml", "text/xml"},
  };
  for (const auto& kind : kKinds)
    if (StartsWith(head, n, kind.magic)) return kind.type;
  if (n >= 12 && StartsWith(head, n, "RIFF")) {
    if (std::memcmp(head + 8, "WAVE", 4) == 0) return "audio/wav";
    if (std::memcmp(head + 8, "AVI ", 4) == 0) return "video/x-msvideo";
  }
  if (LooksLikeHtml(head, n)) return "text/html";
  // No byte that only binary data holds: text, as browsers take it.
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char byte = head[i];
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\f' && byte != '\r' && byte != 0x1B)
      return nullptr;
  }
  return n > 0 ? "text/plain" : nullptr;
}

std::string ContentTypeOf(const EntryBlock& block, const unsigned char* head, std::size_t n) {
  if (block.recognised && PlainAscii(block.contentType)) {
    std::string type = block.contentType;
    if (PlainAscii(block.charset) && type.find("charset") == std::string::npos)
      type += "; charset=" + block.charset;
    return type;
  }
  const char* sniffed = SniffContentType(head, n);
  return sniffed != nullptr ? sniffed : "application/octet-stream";
}

std::string WarcFields(const std::vector<WarcField>& fields) {
  std::string text;
  for (const WarcField& field : fields) text += field.name + ": " + Printable(field.value) + "\r\n";
  return text;
}

std::string RecordHead(const char* type, const std::vector<WarcField>& fields,
                       std::uint64_t contentLength) {
  std::string head = "WARC/1.1\r\nWARC-Type: ";
  head += type;
  head += "\r\n";
  for (const WarcField& field : fields) head += field.name + ": " + field.value + "\r\n";
  return head + "Content-Length: " + std::to_string(contentLength) + "\r\n\r\n";
}
