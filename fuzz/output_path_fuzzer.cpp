// Feeds arbitrary URL bytes and the four flags to BuildOutputPath and checks
// that every path it yields stays inside the output directory: relative, within
// the length bound, no "." or ".." level, and events that agree with the text.
//
// Input: the first byte holds the flags (SettingsFromFuzzFlags), the rest is the URL
// up to the first zero byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "extract/output_path.h"
#include "support/path_containment.h"

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& url) {
  std::fprintf(stderr, "containment broken: %s (URL '%s')\n", what.c_str(), url.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Settings settings = SettingsFromFuzzFlags(data[0]);
  std::string url;
  for (std::size_t i = 1; i < size && data[i] != 0; ++i) url += static_cast<char>(data[i]);

  static auto path = std::make_unique<OutputPath>();
  BuildOutputPath(settings, url.c_str(), *path);
  std::string problem = PathProblem(path->text, path->length);
  if (!problem.empty()) Fail(problem, url);
  if (settings.windowsNames) problem = WindowsNameProblem(path->text, path->length);
  if (!problem.empty()) Fail(problem, url);
  for (std::size_t i = 0; i < path->eventCount; ++i) {
    const PathEvent& event = path->events[i];
    bool agrees = event.kind == PathEvent::kFolder ? path->text[event.position] == '/'
                                                   : path->text[event.position] == '%';
    if (event.position >= path->length || !agrees) Fail("event out of place", url);
  }
  return 0;
}
