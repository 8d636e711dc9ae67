// Writing messages to standard output. The values shown in messages come from an
// untrusted index (URLs, file names, paths built from them), so no control byte
// in them may reach the terminal, where it could move the cursor, retitle the
// window or forge a message.
#pragma once

// printf for the program's messages, with the directives they use (%s, %c, %d,
// %u, %x, %X with flags, width and an 'l' modifier, and %%). Every byte of a %s or
// %c value that is a control byte (0x00-0x1F) or DEL (0x7F) is written as "%xx",
// two lowercase hexadecimal digits; bytes from 0x80 on are left alone (they are
// text in the user's character set). The format's own bytes pass unchanged.
void Say(const char* format, ...);

// The same escaping for one byte: writes its visible form into out (room for 4
// bytes, terminated) and returns out.
const char* Visible(unsigned char byte, char* out);
