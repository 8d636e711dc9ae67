// Inside the Linux platform layer: opening for reading a file that was first
// reached with O_PATH, which opens nothing, and found to be a regular file.
#pragma once

#include "platform/beneath.h"

// Opens the same name again with the given flags added to the read flags; used
// only where /proc is missing. context is handed through.
using ReopenByName = int (*)(int flags, const void* context);

// pathFd is an O_PATH descriptor; it is closed in every case. When it refers to
// a regular file, that very file is opened for reading (through /proc/self/fd,
// never reaching anything else; where /proc is missing, by name with reopen,
// accepted only when it is the same regular file) and a stream on it returned.
// Else nullptr, with kNotRegular or kCannotOpen in refusal.
Stream* ReadRegularFile(int pathFd, ReopenByName reopen, const void* context, ReadRefusal& refusal);

// The /proc-less way on its own, so that it can be tested where /proc exists.
Stream* ReadRegularFileByName(int pathFd, ReopenByName reopen, const void* context,
                              ReadRefusal& refusal);
