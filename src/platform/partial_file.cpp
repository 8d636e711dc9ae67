#include "platform/partial_file.h"

#include "platform/output_tree.h"

PartialFile::Naming PartialFile::Name(const char* name) {
  Move moved = MoveAt(folder_, kName, name);
  if (moved == Move::kNameTaken) return Naming::kTaken;
  if (moved == Move::kFailed) {
    Drop();
    return Naming::kFailed;
  }
  Release();
  return Naming::kNamed;
}
