// Streams, folders, moves and file times, as the operating system provides them.
// These calls take paths as the file system wants them; the rest of the program
// reaches them through the converting wrappers of ansi_path.h.
#pragma once

#include <cstddef>
#include <cstdint>

// A file opened for reading or for writing; each platform defines it.
struct Stream;

// Opens a binary stream. Mode "rb": an existing regular file, for reading; fails
// for folders and anything that is not a regular file, and never blocks. Mode
// "wb": a new file, created exclusively; fails when the name exists in any form
// (a symbolic link included). Returns the stream, or nullptr.
Stream* OpenStream(const char* path, const char* mode);

// Releases the stream. Returns 0, or -1 when the system reports that writing
// failed or when given no stream.
int CloseStream(Stream* stream);

// Reads n bytes as one block. Returns 1 when all n arrived, else 0; bytes that did
// arrive are in the buffer all the same and the position has moved past them.
int ReadBlock(Stream* stream, void* buffer, std::size_t n);

// Reads up to n bytes. Returns the count read; a short count means end of file or error.
std::size_t ReadBytes(Stream* stream, void* buffer, std::size_t n);

// Writes n bytes as one block. Returns 1 when all n were taken, else 0.
int WriteBlock(Stream* stream, const void* buffer, std::size_t n);

inline constexpr int kSeekStart = 0;
inline constexpr int kSeekEnd = 2;

// Moves to offset from the start (kSeekStart) or the end (kSeekEnd). Returns 0 or -1.
int SeekStream(Stream* stream, std::int64_t offset, int origin);

// Returns the size in bytes of the file behind the stream (for a file opened for
// reading: its size when it was opened), or -1.
std::int64_t StreamFileSize(Stream* stream);

// Returns the position in bytes from the start of the file, or -1.
std::int64_t TellStream(Stream* stream);

// Copies up to count bytes from the source's position to the target's, where the
// system can without passing them through the program. Returns how many it
// copied: fewer when the source ended or an error stopped it (the caller's own
// reads and writes then meet the error again and tell which side it was), 0
// where the system has no such copy.
std::int64_t CopyInSystem(Stream* source, Stream* target, std::int64_t count);

// Creates exactly one folder level. Returns 0, or -1 (the name exists, the parent is missing...).
int MakeDirectory(const char* path);

// Makes the path the current directory. Returns 0 or -1.
int ChangeDirectory(const char* path);

// Writes the full path of the current directory into buffer. Returns 0, or -1 with
// the buffer empty (also when the path does not fit).
int CurrentDirectory(char* buffer, std::size_t size);

// Gives the file a new name, never replacing anything that holds the new name.
// Returns 0 or -1.
int MoveFileNoReplace(const char* from, const char* to);

// Sets last-access and last-write time, in whole seconds since 1970-01-01 UTC.
// The creation time is left alone. Returns 0 or -1.
int SetFileTimes(const char* path, std::uint32_t accessTime, std::uint32_t modificationTime);

// Converts a path from the console's character set to the file system's into out.
// Returns false when it cannot (the path does not fit); out then holds an empty text.
bool ConvertPathForFileSystem(const char* path, char* out, std::size_t size);
