#include "support/index_builder.h"

#include "support/files.h"

void PutU32(std::string& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string MakeRecord(const RecordFields& fields) {
  std::string record;
  PutU32(record, static_cast<std::uint32_t>(33 + fields.file.size() + 1 + 4 + fields.padding));
  PutU32(record, fields.type);
  PutU32(record, fields.modificationTime);
  PutU32(record, fields.lastAccessTime);
  record.append(17, '\0');
  record += fields.file;
  record.append(1 + 4 + fields.padding, '\0');
  PutU32(record, static_cast<std::uint32_t>(fields.url.size() + 13 + fields.postDigest.size()));
  PutU32(record, fields.typeUrl);
  record += fields.url;
  record += '\0';
  PutU32(record, static_cast<std::uint32_t>(fields.postDigest.size()));
  return record + fields.postDigest;
}

RecordFields BrowserShaped(RecordFields fields) {
  fields.typeUrl = static_cast<std::uint32_t>(fields.url.size() + 1);
  return fields;
}

std::string MakeIndex(const std::string& body) {
  std::string header(4096, '\0');
  header.replace(0, 8, "TALVEXDB");
  return header + body;
}

void WriteIndex(const std::string& cacheDir, const std::vector<RecordFields>& records) {
  std::string body;
  for (const RecordFields& record : records) body += MakeRecord(record);
  WriteFile(cacheDir + "/fat.db", MakeIndex(body));
}
