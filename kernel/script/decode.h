// The text encoding of the embedded scripts: every plain byte is written as
// two characters of the alphabet 0-9, A-Z, a-z, combined with a one-byte key.
// The kernel decodes; the build's encoder tool (and the tests) encode.
#pragma once

#include <cstdint>
#include <string>

namespace sl {

// Raised by CharValue and DecodeText; message is "Length is bad." or
// "Encrypt Char Error". Callers at the library boundary catch it.
struct DecodeError {
    std::string message;
};

// 0-9 for "0"-"9", 10-35 for "A"-"Z", 36-61 for "a"-"z". Any other byte
// (every byte of 128 or more included) raises DecodeError{"Encrypt Char Error"}.
int CharValue(char c);

// Decodes encoded with key. An odd length raises "Length is bad." before any
// character is looked at; a character outside the alphabet raises
// "Encrypt Char Error". No partial output is ever returned. The empty text
// decodes to the empty text.
std::string DecodeText(const std::string& encoded, std::uint8_t key);

// The inverse of DecodeText: DecodeText(EncodeText(p, k), k) == p for every
// byte string p and key k. The result has twice the length of plain, uses
// only the alphabet, and is the same for the same input.
std::string EncodeText(const std::string& plain, std::uint8_t key);

}  // namespace sl
