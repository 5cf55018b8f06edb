// Conversion between the UTF-16 text Wine keeps in its registry and the ANSI
// code page (1252) the kernel's ANSI registry calls see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sl::platform::wine {

// Each byte becomes one UTF-16 unit by code page 1252 (bytes 0x81, 0x8D,
// 0x8F, 0x90, 0x9D map to the control characters of the same number, as
// Windows does). Zero bytes are kept.
std::u16string AnsiToUtf16(std::string_view ansi);

// Each UTF-16 unit becomes one byte; units outside code page 1252 (and every
// half of a surrogate pair) become '?'. The result has as many bytes as the
// input has units.
std::string Utf16ToAnsi(std::u16string_view text);

// The same for raw little-endian UTF-16 bytes (an odd last byte is dropped).
std::string Utf16BytesToAnsi(const std::uint8_t* data, std::size_t size);

// Code page 1252 bytes to little-endian UTF-16 bytes, two per input byte.
std::string AnsiToUtf16Bytes(const std::uint8_t* data, std::size_t size);

}  // namespace sl::platform::wine
