// Where a path really leads: the links on its way followed, as the system
// follows them when the path is made or entered.
#pragma once

#include <string>
#include <vector>

// Resolves path (absolute, as the file system wants it: pass it through
// ToAnsiPath first) level by level, following every symbolic link, as far as
// it exists; the levels below that are appended as they stand ("." and ".."
// applied). Writes the result into real, and into links the place of every
// link followed on the way (the real folder that holds it, then its name).
// Returns false when the path cannot be resolved (a loop of links).
bool ResolveFollowingLinks(const char* path, std::string& real, std::vector<std::string>& links);
