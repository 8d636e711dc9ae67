#include "core/text_escape.h"

#include <cstdio>

#include "core/utf8.h"

namespace {

const char kHex[] = "0123456789ABCDEF";

void AppendHexEscape(std::string& out, const char* prefix, unsigned char byte) {
  out += prefix;
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

// The length of the well-formed UTF-8 character at text[at] (1 to 4), or 0.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data()) + at;
  return bytes[0] < 0x80 ? 1 : Utf8SequenceLength(bytes, text.size() - at);
}

bool IsControl(std::string_view text, std::size_t at, std::size_t length) {
  auto lead = static_cast<unsigned char>(text[at]);
  if (length == 1) return lead < 0x20 || lead == 0x7F || lead == '\\';
  // U+0080..U+009F, the C1 controls.
  return length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
}

}  // namespace

std::string Printable(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t length = Utf8Length(bytes, at);
    if (length == 0 || IsControl(bytes, at, length)) {
      std::size_t end = at + (length == 0 ? 1 : length);
      for (; at < end; ++at) AppendHexEscape(out, "\\x", static_cast<unsigned char>(bytes[at]));
      continue;
    }
    out.append(bytes, at, length);
    at += length;
  }
  return out;
}

std::string CsvField(std::string_view text) {
  std::string printable = Printable(text);
  if (printable.find_first_of(",\"") == std::string::npos) return printable;
  std::string out = "\"";
  for (char c : printable) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : Printable(text)) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string HtmlText(std::string_view text) {
  std::string out;
  for (char c : Printable(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string UrlPath(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                      (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                      byte == '~' || byte == '/';
    if (unreserved) {
      out += c;
    } else {
      AppendHexEscape(out, "%", byte);
    }
  }
  return out;
}

std::string IsoTime(std::uint32_t seconds) {
  if (seconds == 0) return "";
  // Days since 1970 to a date in the proleptic Gregorian calendar.
  long days = static_cast<long>(seconds / 86400);
  long rest = static_cast<long>(seconds % 86400);
  days += 719468;  // from 0000-03-01
  long era = days / 146097;
  long dayOfEra = days - era * 146097;
  long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  long monthIndex = (5 * dayOfYear + 2) / 153;  // from March
  long day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[32];
  std::snprintf(text, sizeof text, "%04ld-%02ld-%02ldT%02ld:%02ld:%02ldZ", year, month, day,
                rest / 3600, rest / 60 % 60, rest % 60);
  return text;
}
