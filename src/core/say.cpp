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

// One directive of a format: "%", flags and width, a length ("l", "ll" or
// "z", kept as 'l', 'L' or 'z'), the conversion.
struct Directive {
  char text[16] = {};
  std::size_t length = 0;
  char size = ' ';
  char conversion = '\0';  // '\0' when the format ends inside the directive
};

Directive ParseDirective(const char* percent) {
  Directive directive;
  std::size_t at = 1 + std::strspn(percent + 1, "-+ #0123456789");
  std::size_t sizeLength = std::strspn(percent + at, "lz");
  if (sizeLength > 0) directive.size = sizeLength == 1 ? percent[at] : 'L';
  at += sizeLength;
  directive.conversion = percent[at];
  if (directive.conversion != '\0') ++at;
  directive.length = at;
  std::memcpy(directive.text, percent, at < sizeof directive.text ? at : sizeof directive.text - 1);
  return directive;
}

// Formats the next value as the number directive says, taking it at its size.
void PutNumber(const Directive& directive, va_list& values) {
  const char* text = directive.text;
  if (directive.conversion == 'd' || directive.conversion == 'i') {
    if (directive.size == 'L') {
      std::printf(text, va_arg(values, long long));
    } else if (directive.size == 'l') {
      std::printf(text, va_arg(values, long));
    } else if (directive.size == 'z') {
      std::printf(text, va_arg(values, std::ptrdiff_t));
    } else {
      std::printf(text, va_arg(values, int));
    }
  } else if (directive.size == 'L') {
    std::printf(text, va_arg(values, unsigned long long));
  } else if (directive.size == 'l') {
    std::printf(text, va_arg(values, unsigned long));
  } else if (directive.size == 'z') {
    std::printf(text, va_arg(values, std::size_t));
  } else {
    std::printf(text, va_arg(values, unsigned));
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
    Directive directive = ParseDirective(percent);
    switch (directive.conversion) {
      case 's':
        PutVisible(va_arg(values, const char*));
        break;
      case 'c':
        PutByte(static_cast<unsigned char>(va_arg(values, int)));
        break;
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
        PutNumber(directive, values);
        break;
      case '%':
        std::fputc('%', stdout);
        break;
      default:  // not a directive the messages use, or a cut one: shown as it stands
        std::fwrite(percent, 1, directive.length, stdout);
        break;
    }
    format = percent + directive.length;
  }
  va_end(values);
}
