// Code page 1252, the ANSI code page of the machines the kernel works on:
// the one conversion between its bytes and Unicode (UTF-16 units, UTF-16LE
// bytes and UTF-8) for every part of the kernel.
//
// The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the control characters of the same number, as Windows and
// Wine map them. Zero bytes are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sl::platform::codepage {

// The Unicode character of one byte.
char16_t ByteToUnicode(unsigned char byte);
// The byte of a Unicode character; '?' for a character outside the code page
// (and for every half of a surrogate pair).
char UnicodeToByte(char32_t character);

// Each byte becomes one UTF-16 unit.
std::u16string AnsiToUtf16(std::string_view ansi);
// Each UTF-16 unit becomes one byte: the result has as many bytes as the
// input has units.
std::string Utf16ToAnsi(std::u16string_view text);
// The same for raw little-endian UTF-16 bytes (an odd last byte is dropped).
std::string Utf16BytesToAnsi(const std::uint8_t* data, std::size_t size);
// Bytes to little-endian UTF-16 bytes, two per input byte.
std::string AnsiToUtf16Bytes(const std::uint8_t* data, std::size_t size);

// Bytes to UTF-8, and back (characters outside the code page and invalid
// UTF-8 bytes become '?').
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);

}  // namespace sl::platform::codepage
