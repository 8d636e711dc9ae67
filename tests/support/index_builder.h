// Building cache index files for the tests, byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RecordFields {
  std::uint32_t type = 1;
  std::uint32_t modificationTime = 0;
  std::uint32_t lastAccessTime = 0;
  std::string file = "M0000001.HTM";  // the cached file's name
  std::uint32_t typeUrl = 1;
  std::string url = "http://host/index.html";
  std::size_t padding = 0;  // zero bytes added to the entry block's end
  std::string postDigest;   // 16 bytes for a POST request's result, else empty
};

// One well-formed record: an entry block (LenEntry = 33 + file + NUL + 4 zero
// bytes + padding) followed by a URL block (LenURL = url + 13 + postDigest):
// the URL, its zero byte, postDigest's size and postDigest.
std::string MakeRecord(const RecordFields& fields);

// The fields with TypeURL as the browser writes it: the URL's length with its zero byte.
RecordFields BrowserShaped(RecordFields fields);

// Appends a little-endian 32-bit value.
void PutU32(std::string& bytes, std::uint32_t value);

// A 4096-byte header page (never searched) followed by body.
std::string MakeIndex(const std::string& body);

// Writes fat.db into cacheDir with the records, back to back after the header.
void WriteIndex(const std::string& cacheDir, const std::vector<RecordFields>& records);
