// Scan throughput of the entry loop over generated cache indexes, beside the
// throughput of simply reading the same file:
//   (a) noise shaped like a database file (pages of small integers, zeros and
//       text) with a valid record every few KB;
//   (b) an adversarial index where as many positions as possible pass the head
//       tests, and many of those the body tests too.
// The files are written to a scratch directory, kept in the page cache by the
// runs themselves, and removed at the end.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "index/record_scanner.h"
#include "run/entry_loop.h"
#include "support/streams.h"

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kHeaderSize = 4096;
constexpr int kRepeats = 3;

// splitmix64: fast, good enough for noise.
struct Random {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
};

void PutU32(unsigned char* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Writes a valid record of length exactly `length` (at least 70) at `at`.
void PutRecord(unsigned char* at, std::size_t length, Random& random) {
  std::size_t fileLength = 12;
  std::uint32_t lenEntry = static_cast<std::uint32_t>(33 + fileLength + 1 + 4);
  std::uint32_t lenUrl = static_cast<std::uint32_t>(std::min<std::size_t>(length - lenEntry, 1024));
  std::memset(at, 0, lenEntry + lenUrl);
  PutU32(at, lenEntry);
  PutU32(at + 4, 1);
  PutU32(at + 8, static_cast<std::uint32_t>(random.Next()));
  PutU32(at + 12, static_cast<std::uint32_t>(random.Next()));
  std::snprintf(reinterpret_cast<char*>(at + 33), fileLength + 1, "M%07X.HTM",
                static_cast<unsigned>(random.Below(0x10000000)));
  unsigned char* block = at + lenEntry;
  PutU32(block, lenUrl);
  PutU32(block + 4, 1);
  std::memcpy(block + 8, "http://", 7);
  for (std::size_t i = 15; i < lenUrl - 5; ++i)
    block[i] = static_cast<unsigned char>('a' + random.Below(26));
}

// One 4 KiB page of a database-like file: a header of small integers, a table of
// 16-bit item offsets, free space of zeros, and items at the page end: text,
// binary noise, arrays of small integers, and now and then a record.
void DatabasePage(unsigned char* page, Random& random) {
  const std::size_t kPage = 4096;
  std::memset(page, 0, kPage);
  for (std::size_t i = 0; i < 16; i += 4)
    PutU32(page + i, static_cast<std::uint32_t>(random.Below(i == 0 ? 100000 : 300)));
  std::size_t items = 4 + random.Below(24);
  std::size_t end = kPage;
  for (std::size_t item = 0; item < items && end > 1200; ++item) {
    std::size_t length = 16 + random.Below(200);
    std::size_t at = end - length;
    int kind = static_cast<int>(random.Below(10));
    if (kind == 0 && random.Below(3) == 0) {
      length = 120 + random.Below(300);
      at = end - length;
      PutRecord(page + at, length, random);
    } else if (kind <= 4) {
      for (std::size_t i = 0; i < length; ++i)
        page[at + i] = static_cast<unsigned char>(' ' + random.Below(95));
      page[end - 1] = 0;
    } else if (kind <= 7) {
      for (std::size_t i = 0; i + 4 <= length; i += 4)
        PutU32(page + at + i,
               static_cast<std::uint32_t>(random.Below(random.Below(2) ? 16 : 3000)));
    } else {
      for (std::size_t i = 0; i < length; ++i)
        page[at + i] = static_cast<unsigned char>(random.Next());
    }
    page[16 + 2 * item] = static_cast<unsigned char>(at);
    page[17 + 2 * item] = static_cast<unsigned char>(at >> 8);
    end = at - random.Below(8);
  }
}

// One period of the adversarial index (3072 bytes):
//  [0, 1024)    a quarter of all positions pass the head tests (LenEntry 33..256,
//               Type the next such value) and fail only in the body;
//  [1024, 2044) groups of four candidates passing head and body tests, all with
//               LenEntry pointing at the URL block below; their name bytes are text;
//  [2044, 2048) the zero bytes that end those entry blocks;
//  [2048, 3072) a URL block of the largest size whose URL holds a zero byte just
//               before its terminator, so every candidate fails at the very end.
void AdversarialPeriod(unsigned char* period, Random& random) {
  const std::size_t kDenseEnd = 1024, kUrlBlock = 2048, kPeriod = 3072;
  std::memset(period, 0, kPeriod);
  for (std::size_t i = 0; i < kDenseEnd; i += 4)
    PutU32(period + i, static_cast<std::uint32_t>(33 + random.Below(224)));
  for (std::size_t unit = kDenseEnd; unit + 64 <= kUrlBlock - 4; unit += 64) {
    for (std::size_t k = 0; k < 4; ++k) {
      std::size_t at = unit + 8 * k;
      PutU32(period + at, static_cast<std::uint32_t>(kUrlBlock - at));
      PutU32(period + at + 4, static_cast<std::uint32_t>(1 + random.Below(256)));
    }
    for (std::size_t i = 32; i < 64; ++i)
      period[unit + i] = static_cast<unsigned char>('A' + random.Below(26));
  }
  unsigned char* block = period + kUrlBlock;
  PutU32(block, 1024);
  PutU32(block + 4, 1);
  for (std::size_t i = 8; i < 1024 - 5; ++i)
    block[i] = static_cast<unsigned char>('a' + random.Below(26));
  block[1024 - 6] = 0;
}

// Writes a header page and then about `size` bytes made by `fill` in pieces of `piece`.
bool Generate(const std::string& path, std::size_t size, std::size_t piece,
              void (*fill)(unsigned char*, Random&)) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::vector<unsigned char> chunk(kMiB / piece * piece);
  Random random = {42};
  std::fill(chunk.begin(), chunk.begin() + kHeaderSize, 0);
  bool ok = std::fwrite(chunk.data(), 1, kHeaderSize, file) == kHeaderSize;
  for (std::size_t written = 0; ok && written < size; written += chunk.size()) {
    for (std::size_t at = 0; at + piece <= chunk.size(); at += piece) fill(&chunk[at], random);
    ok = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
  }
  return std::fclose(file) == 0 && ok;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Best time of kRepeats plain reads of the file, in the window's block size.
double ReadSeconds(const std::string& path, std::size_t* bytes) {
  std::vector<unsigned char> block(kScanWindowSize);
  double best = 1e9;
  for (int run = 0; run < kRepeats; ++run) {
    Stream* stream = OpenForReading(path);
    if (stream == nullptr) return 0;
    auto start = std::chrono::steady_clock::now();
    *bytes = 0;
    for (std::size_t n; (n = ReadBytes(stream, block.data(), block.size())) > 0;) *bytes += n;
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
    CloseStream(stream);
  }
  return best;
}

long entriesSeen = 0;

// Best time of kRepeats runs of the entry loop over the file, from byte 4096.
double ScanSeconds(const std::string& path, long* entries) {
  Settings settings;
  double best = 1e9;
  for (int run = 0; run < kRepeats; ++run) {
    Stream* stream = OpenForReading(path);
    if (stream == nullptr) return 0;
    SeekStream(stream, kHeaderSize);
    entriesSeen = 0;
    auto start = std::chrono::steady_clock::now();
    Tally tally;
    ProcessEntries(settings, stream, 7, tally, [](const Entry&) {
      ++entriesSeen;
      return EntryResult{Outcome::kSaved};
    });
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
    CloseStream(stream);
  }
  *entries = entriesSeen;
  return best;
}

// Peak resident memory of this process so far, in KiB (0 when unknown).
long PeakResidentKiB() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, status) != nullptr)
    if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
  std::fclose(status);
  return kib;
}

// Generates, measures and removes one index; returns its scan throughput in MB/s.
double Measure(const char* label, const std::string& path, std::size_t size, std::size_t piece,
               void (*fill)(unsigned char*, Random&)) {
  if (!Generate(path, size, piece, fill)) {
    std::printf("%s: cannot write %s\n", label, path.c_str());
    std::remove(path.c_str());
    return 0;
  }
  std::size_t bytes = 0;
  long entries = 0;
  ReadSeconds(path, &bytes);  // brings the file into the page cache
  double read = ReadSeconds(path, &bytes);
  double scan = ScanSeconds(path, &entries);
  std::remove(path.c_str());
  double readRate = static_cast<double>(bytes) / 1e6 / read;
  double scanRate = static_cast<double>(bytes) / 1e6 / scan;
  std::printf(
      "%s: %zu MiB, %ld records; read %.0f MB/s, scan %.0f MB/s (%.2f of read); "
      "peak RSS %ld KiB\n",
      label, bytes / kMiB, entries, readRate, scanRate, scanRate / readRate, PeakResidentKiB());
  return scanRate;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = argc > 1 ? argv[1] : (tmp != nullptr ? tmp : "/tmp");
  std::size_t sizeA = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 256) * kMiB;
  std::size_t sizeB = (argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 64) * kMiB;
  auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::string stem = dir + "/talvex-bench-" + std::to_string(now);
  double a = Measure("(a) database-like", stem + "-a.db", sizeA, 4096, DatabasePage);
  double b = Measure("(b) adversarial  ", stem + "-b.db", sizeB, 3072, AdversarialPeriod);
  if (a > 0 && b > 0) std::printf("(b) is %.1f times slower than (a)\n", a / b);
  return a > 0 && b > 0 ? 0 : 1;
}
