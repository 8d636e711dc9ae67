// Inside the Linux platform layer: the process's own descriptors as a folder.
#pragma once

// /proc/self/fd, opened the first time it is asked for and kept for the life of
// the process (like the standard streams): the entry named after a descriptor
// reaches the very file that descriptor holds, even one without a name. -1 where
// /proc is missing.
int ProcSelfFd();

// Writes the name of descriptor fd's entry in that folder; size 12 holds any.
void DescriptorName(int fd, char (&name)[12]);
