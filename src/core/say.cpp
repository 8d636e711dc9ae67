#include "core/say.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

bool IsControl(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

void PutByte(unsigned char byte) {
  if (IsControl(byte)) {
    std::printf("%%%02x", byte);
  } else {
    std::fputc(byte, stdout);
  }
}

void PutVisible(const char* text) {
  // Runs of plain bytes go out in one call; only control bytes are rewritten.
  while (*text != '\0') {
    std::size_t plain = 0;
    while (text[plain] != '\0' && !IsControl(static_cast<unsigned char>(text[plain]))) ++plain;
    std::fwrite(text, 1, plain, stdout);
    text += plain;
    if (*text != '\0') PutByte(static_cast<unsigned char>(*text++));
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
    // One directive: flags and width, a length ("l", "ll" or "z"), the conversion.
    std::size_t at = 1 + std::strspn(percent + 1, "-+ #0123456789");
    std::size_t sizeLength = std::strspn(percent + at, "lz");
    char size = sizeLength == 0 ? ' ' : sizeLength == 1 ? percent[at] : 'L';
    at += sizeLength;
    char conversion = percent[at];
    if (conversion == '\0') {  // a format ending inside a directive: shown as it stands
      std::fputs(percent, stdout);
      break;
    }
    ++at;
    char directive[16] = {};
    std::memcpy(directive, percent, at < sizeof directive ? at : sizeof directive - 1);
    switch (conversion) {
      case 's':
        PutVisible(va_arg(values, const char*));
        break;
      case 'c':
        PutByte(static_cast<unsigned char>(va_arg(values, int)));
        break;
      case 'd':
      case 'i':
        if (size == 'L') {
          std::printf(directive, va_arg(values, long long));
        } else if (size == 'l') {
          std::printf(directive, va_arg(values, long));
        } else if (size == 'z') {
          std::printf(directive, va_arg(values, std::ptrdiff_t));
        } else {
          std::printf(directive, va_arg(values, int));
        }
        break;
      case 'u':
      case 'x':
      case 'X':
        if (size == 'L') {
          std::printf(directive, va_arg(values, unsigned long long));
        } else if (size == 'l') {
          std::printf(directive, va_arg(values, unsigned long));
        } else if (size == 'z') {
          std::printf(directive, va_arg(values, std::size_t));
        } else {
          std::printf(directive, va_arg(values, unsigned));
        }
        break;
      case '%':
        std::fputc('%', stdout);
        break;
      default:  // not a directive the messages use: shown as it stands
        std::fwrite(percent, 1, at, stdout);
        break;
    }
    format = percent + at;
  }
  va_end(values);
}
