// A web archive's sink takes back the record being written, whether it is still
// held or partly written out already, plain and with a gzip member per record.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "platform/partial_file.h"
#include "support/files.h"
#include "warc/archive_sink.h"

namespace {

// The members of a gzip file, each decompressed.
std::vector<std::string> Members(const std::string& data) {
  std::vector<std::string> members;
  for (std::size_t at = 0; at < data.size();) {
    z_stream z = {};
    inflateInit2(&z, 15 + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at));
    z.avail_in = static_cast<uInt>(data.size() - at);
    std::string out;
    int result = Z_OK;
    while (result == Z_OK) {
      char buffer[1 << 16];
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      result = inflate(&z, Z_NO_FLUSH);
      out.append(buffer, sizeof buffer - z.avail_out);
    }
    at = data.size() - z.avail_in;
    inflateEnd(&z);
    if (result != Z_STREAM_END) return {"<bad member>"};
    members.push_back(out);
  }
  return members;
}

TEST(ArchiveSink, TakesBackTheRecordBeingWritten) {
  const std::string held = "half a record";
  const std::string big(3 << 20, 'x');  // written out before it is taken back
  for (int level : {0, 6}) {
    for (const std::string* partial : {&held, &big}) {
      SCOPED_TRACE(std::to_string(level) + " " + std::to_string(partial->size()));
      TempDir dir;
      DirHandle folder = OpenDirectory(dir.path().c_str());
      PartialFile out;
      ASSERT_EQ(out.Create(folder, false), CreateFailure::kNone);
      ArchiveSink sink(out.stream(), level);
      sink.Put("one ", 4, false);
      sink.Put("record", 6, true);
      sink.StoreNext(true);
      sink.Put(partial->data(), partial->size(), false);
      sink.TakeBack();
      sink.StoreNext(false);
      sink.Put("two", 3, true);
      EXPECT_TRUE(sink.End());
      EXPECT_EQ(out.Close(), 0);
      EXPECT_EQ(out.Name("a"), PartialFile::Naming::kNamed);
      std::string written = ReadFile(dir / "a");
      // Plain: the bytes as put; compressed: one member per record.
      using Texts = std::vector<std::string>;
      Texts expected = level == 0 ? Texts{"one recordtwo"} : Texts{"one record", "two"};
      EXPECT_EQ(level == 0 ? Texts{written} : Members(written), expected);
      CloseDirectory(folder);
    }
  }
}

}  // namespace
