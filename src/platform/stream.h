// Streams: files open for reading or for writing, moved in whole blocks with no
// buffer of their own. beneath.h, output_tree.h and partial_file.h open them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Each platform defines it.
struct Stream;
class ReadDigest;

// Releases the stream. Returns 0, or -1 when the system reports that writing
// failed or when given no stream.
int CloseStream(Stream* stream);

// Reads up to n bytes. Returns the count read; a short count means end of file
// or error.
std::size_t ReadBytes(Stream* stream, void* buffer, std::size_t n);

// Writes n bytes as one block. Returns 1 when all n were taken, else 0.
int WriteBlock(Stream* stream, const void* buffer, std::size_t n);

// Moves to offset bytes from the start of the file. Returns 0 or -1.
int SeekStream(Stream* stream, std::int64_t offset);

// Returns the size in bytes of the file behind the stream (for a file opened for
// reading: its size when it was opened), or -1.
std::int64_t StreamFileSize(Stream* stream);

// Returns the position in bytes from the start of the file, or -1.
std::int64_t TellStream(Stream* stream);

// A stream for reading a file of size bytes that was read into memory: bytes
// holds those the file gave, and the rest reads as missing, as from the file.
// It writes nothing. nullptr when there is no memory for it.
Stream* StreamOnBytes(std::vector<unsigned char> bytes, std::int64_t size);

// Bytes that a stream held in memory shares with whoever else keeps them.
using SharedBytes = std::shared_ptr<const std::vector<unsigned char>>;

// The bytes held by a stream that StreamOnBytes made; nullptr for a file's stream.
SharedBytes HeldBytes(const Stream* stream);

// Ends the file behind a stream open for writing at the stream's position, so a
// last part written can be taken back. Returns 0 or -1.
int TruncateStream(Stream* stream);

// A stream on what standard output was, for writing; standard output itself
// (the C stream and its descriptor) then goes to standard error, so that
// messages never mix with what is written to the stream. nullptr when that
// cannot be done (standard output is then unchanged).
Stream* TakeStandardOutput();

// From now on gives every block read from the stream, with its position, to
// digest as well (nullptr: to none). CopyInSystem then copies nothing from it,
// so that every byte passes through the reads.
void DigestReads(Stream* stream, ReadDigest* digest);

// Copies up to count bytes from the source's position to the target's, where the
// system can without passing them through the program (a file held in memory is
// written straight from there). Returns how many it
// copied: fewer when the source ended or an error stopped it (the caller's own
// reads and writes then meet the error again and tell which side it was), 0
// where the system has no such copy.
std::int64_t CopyInSystem(Stream* source, Stream* target, std::int64_t count);
