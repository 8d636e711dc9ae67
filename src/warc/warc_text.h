// The text of WARC records, made from bytes an untrusted index gives: header
// values that hold no line break and no byte outside printable ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/entry_block.h"

// The URL as a WARC-Target-URI: every byte outside '!' to '~' (space, controls,
// bytes from 0x7F on) written as "%XX" with uppercase hex digits; the rest as it is.
std::string TargetUri(std::string_view url);

// RFC 4648 base32, uppercase, padded with '=' to a multiple of 8 characters.
std::string Base32(std::string_view bytes);

// A digest header value: "sha1:" and the raw SHA-1 digest in base32.
std::string Sha1Label(std::string_view digest);

// "<urn:uuid:...>" of 16 bytes, marked as a random (version 4) UUID.
std::string RecordId(const unsigned char (&bytes)[16]);

// The common kinds of file told by their first bytes: a MIME type, or nullptr.
// Bytes that are none of them but hold no control character that only binary
// data holds are text/plain.
const char* SniffContentType(const unsigned char* head, std::size_t n);

// The Content-Type of a cached file: the one its entry block gives, with the
// block's charset, when that is plain printable ASCII; else sniffed from the
// first n bytes; else application/octet-stream.
std::string ContentTypeOf(const EntryBlock& block, const unsigned char* head, std::size_t n);

// One "name: value" line of a WARC header or of application/warc-fields.
struct WarcField {
  std::string name;
  std::string value;
};

// The fields as application/warc-fields: each value made printable (bytes that
// are not well-formed UTF-8, and controls, as "\xHH"), each line ended by CRLF.
std::string WarcFields(const std::vector<WarcField>& fields);

// A record's head: the version line, WARC-Type, the fields (values as given: the
// caller makes them safe), Content-Length and the blank line that ends the head.
std::string RecordHead(const char* type, const std::vector<WarcField>& fields,
                       std::uint64_t contentLength);

// What ends every record, after its block.
inline constexpr char kRecordEnd[] = "\r\n\r\n";
