#include "core/say.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

const char* Visible(unsigned char byte, char* out) {
  if (byte < 0x20 || byte == 0x7F) {
    std::snprintf(out, 4, "%%%02x", byte);
  } else {
    out[0] = static_cast<char>(byte);
    out[1] = '\0';
  }
  return out;
}

namespace {

void PutVisible(const char* text) {
  // Runs of plain bytes go out in one call; only control bytes are rewritten.
  while (*text != '\0') {
    std::size_t plain = 0;
    while (text[plain] != '\0' && !(static_cast<unsigned char>(text[plain]) < 0x20 ||
                                    static_cast<unsigned char>(text[plain]) == 0x7F))
      ++plain;
    std::fwrite(text, 1, plain, stdout);
    text += plain;
    if (*text != '\0') {
      char escaped[4];
      std::fputs(Visible(static_cast<unsigned char>(*text++), escaped), stdout);
    }
  }
}

}  // namespace

void Say(const char* format, ...) {
  va_list values;
  va_start(values, format);
  while (*format != '\0') {
    const char* percent = std::strchr(format, '%');
    if (percent == nullptr) {
      std::fputs(format, stdout);
      break;
    }
    std::fwrite(format, 1, static_cast<std::size_t>(percent - format), stdout);
    // One directive: flags and width, an optional 'l', the conversion.
    std::size_t length = 1 + std::strspn(percent + 1, "-+ #0123456789");
    bool isLong = percent[length] == 'l';
    if (isLong) ++length;
    char conversion = percent[length];
    if (conversion == '\0') {  // a format ending inside a directive: shown as it stands
      std::fputs(percent, stdout);
      break;
    }
    ++length;
    char directive[16] = {};
    std::memcpy(directive, percent, length < sizeof directive ? length : sizeof directive - 1);
    char text[4];
    switch (conversion) {
      case 's':
        PutVisible(va_arg(values, const char*));
        break;
      case 'c':
        PutVisible(Visible(static_cast<unsigned char>(va_arg(values, int)), text));
        break;
      case 'd':
        if (isLong) {
          std::printf(directive, va_arg(values, long));
        } else {
          std::printf(directive, va_arg(values, int));
        }
        break;
      case 'u':
      case 'x':
      case 'X':
        if (isLong) {
          std::printf(directive, va_arg(values, unsigned long));
        } else {
          std::printf(directive, va_arg(values, unsigned));
        }
        break;
      case '%':
        std::fputc('%', stdout);
        break;
      default:  // not a directive the messages use: shown as it stands
        std::fwrite(percent, 1, length, stdout);
        break;
    }
    format = percent + length;
  }
  va_end(values);
}
