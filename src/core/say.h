// Writing messages to standard output. The values shown in messages come from an
// untrusted index (URLs, file names, paths built from them), so no control byte
// in them may reach the terminal, where it could move the cursor, retitle the
// window or forge a message.
#pragma once

// printf for the program's messages, checked by the compiler like printf. Every
// byte of a %s or %c value that is a control byte (0x00-0x1F) or DEL (0x7F) is
// written as "%xx", two lowercase hexadecimal digits. Where the console has C1
// controls (kConsoleHasC1Controls: POSIX terminals) so is each byte of
// U+0080-U+009F in UTF-8 ("\xc2\x80" to "\xc2\x9f") and each byte 0x80-0x9F
// that is not part of a well-formed UTF-8 sequence; other bytes from 0x80 on are
// left alone (they are text in the user's character set). The format's own
// bytes and numbers pass as printf writes them.
[[gnu::format(printf, 1, 2)]] void Say(const char* format, ...);
