#include "core/say.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "core/utf8.h"
#include "platform/system.h"

namespace {

// How many bytes from the start of text the console shows as one character,
// or 0 when the first byte is a control, to be written as "%xx". Where the
// console has C1 controls they are controls too: U+0080-U+009F (the lead 0xC2
// here, its second byte at the next call, where it stands alone) and any byte
// 0x80-0x9F outside a well-formed UTF-8 sequence.
std::size_t ShownAsIs(const unsigned char* text) {
  unsigned char byte = text[0];
  if (byte < 0x20 || byte == 0x7F) return 0;
  if (byte < 0x80 || !kConsoleHasC1Controls) return 1;
  // The text ends in a zero byte, where any sequence stops.
  std::size_t length = Utf8SequenceLength(text, 4);
  if (length == 2 && byte == 0xC2 && text[1] < 0xA0) return 0;
  if (length > 0) return length;
  return byte < 0xA0 ? 0 : 1;
}

// One byte alone, as in "%c".
void PutByte(unsigned char byte) {
  const unsigned char alone[2] = {byte, '\0'};
  if (ShownAsIs(alone) > 0) {
    std::fputc(byte, stdout);
  } else {
    std::printf("%%%02x", byte);
  }
}

void PutVisible(const char* value) {
  const auto* text = reinterpret_cast<const unsigned char*>(value);
  // Runs of bytes shown as they are go out in one call.
  while (*text != '\0') {
    std::size_t plain = 0;
    while (text[plain] != '\0') {
      std::size_t shown = ShownAsIs(text + plain);
      if (shown == 0) break;
      plain += shown;
    }
    std::fwrite(text, 1, plain, stdout);
    text += plain;
    if (*text != '\0') std::printf("%%%02x", *text++);
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
