// A deliberately plain record scanner to check the real one against: it follows
// the record search step by step, one byte at a time, over bytes in memory, and
// tries the browser's own shape where the plain tests fail.
// Plain standard C++ (no test framework), so fuzz targets can link it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct FoundRecord {
  std::size_t position;  // index position of the record's first byte
  std::size_t length;    // LenEntry + LenURL
};

// Every record found in data[start..size), in order.
std::vector<FoundRecord> ReferenceScan(const unsigned char* data, std::size_t size,
                                       std::size_t start);

// Every record the real scanner (StartScan/FindNextRecord, with the given window
// size) finds in data[start..size), read through a temporary stream. A record
// whose bytes differ from the index at its position is given length 0.
std::vector<FoundRecord> ScannerScan(const unsigned char* data, std::size_t size, std::size_t start,
                                     std::size_t windowSize);

// Runs the real scanner (StartScan/FindNextRecord, with the given window size)
// over data[start..size) through a temporary stream and compares positions,
// lengths and record bytes with ReferenceScan. Returns "" when they agree, else
// a description of the first difference.
std::string CompareWithReference(const unsigned char* data, std::size_t size, std::size_t start,
                                 std::size_t windowSize);

// The check a fuzz input gets: byte 0 chooses the window size, the bytes after it
// are the index, searched from its first byte. Returns "" when scanner and
// reference agree.
std::string CheckFuzzInput(const unsigned char* data, std::size_t size);
