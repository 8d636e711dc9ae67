#include "extract/prepare_path.h"

#include <cstdio>

#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/make_folder.h"
#include "platform/ansi_path.h"
#include "platform/links.h"

Stop PrepareOutputPath(const Settings& settings, const char* url, OutputPath& path) {
  BuildOutputPath(settings, url, path);
  if (path.unknownPrefix) {
    Say(msg::kUnknownPrefix, url);
    if (!PausePrompt()) return Stop::kEscape;
  }
  char* text = path.text;
  // Set once a folder level is a link that MakeFolder could not move aside.
  std::size_t cutAt = 0;
  for (std::size_t i = 0; i < path.eventCount; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) {
      if (settings.verbose) Say(msg::kRenamingChar, event.byte, event.byte, url);
    } else if (cutAt == 0) {
      text[event.position] = '\0';
      MakeFolder(settings, text);
      if (IsSymbolicLink(ToAnsiPath(text))) cutAt = event.position + 1u;
      text[event.position] = kPathSeparator;
    }
  }
  if (cutAt != 0) {
    path.length = cutAt;
    text[cutAt] = '\0';
  }
  return Stop::kNone;
}
