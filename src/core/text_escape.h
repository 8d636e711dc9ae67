// Turning bytes from an untrusted index into text for a report: every line
// valid UTF-8, no byte that could drive a terminal, each format's quoting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The bytes as printable UTF-8: each well-formed UTF-8 character that is not a
// control (C0, DEL, C1) is kept; every other byte, and the backslash itself, is
// written as "\xHH" (two uppercase hexadecimal digits), so the original bytes
// can always be told back.
std::string Printable(std::string_view bytes);

// A CSV field (RFC 4180) of the printable text: quoted when it holds a comma or
// a quote, with each quote doubled.
std::string CsvField(std::string_view text);

// A JSON string, quotes included, of the printable text.
std::string JsonString(std::string_view text);

// The printable text with &, <, >, " and ' written as HTML character references.
std::string HtmlText(std::string_view text);

// The bytes percent-encoded for the path of a relative URL: all but the
// unreserved characters and '/' become "%HH".
std::string UrlPath(std::string_view bytes);

// Seconds since 1970 as ISO 8601 UTC ("1996-04-24T01:56:37Z"); "" for 0, which
// the index uses for "unknown".
std::string IsoTime(std::uint32_t seconds);
