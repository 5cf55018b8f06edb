#include "kernel/script/decode.h"

namespace sl {
namespace {

const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetSize = 62;

// The byte a (high, low) pair stands for, before the key is applied.
int PairByte(int high, int low) { return (low + 100 * high + (high >= 3 ? 15 : 0)) % 256; }

}  // namespace

int CharValue(char c) {
    // Compared as a signed byte: bytes of 128 or more are negative here and
    // fall outside every range.
    const signed char s = static_cast<signed char>(c);
    if (s >= '0' && s <= '9') return s - '0';
    if (s >= 'A' && s <= 'Z') return 10 + (s - 'A');
    if (s >= 'a' && s <= 'z') return 36 + (s - 'a');
    throw DecodeError{"Encrypt Char Error"};
}

std::string DecodeText(const std::string& encoded, std::uint8_t key) {
    if (encoded.size() % 2 != 0) throw DecodeError{"Length is bad."};
    std::string out;
    out.reserve(encoded.size() / 2);
    for (std::size_t i = 0; i < encoded.size(); i += 2) {
        const int a = CharValue(encoded[i]);
        const int b = CharValue(encoded[i + 1]);
        int low;
        int high;
        if (i % 4 == 0) {
            low = a;
            high = b % 8;
        } else {
            high = a % 8;
            low = b;
        }
        out.push_back(static_cast<char>(PairByte(high, low) ^ key));
    }
    return out;
}

std::string EncodeText(const std::string& plain, std::uint8_t key) {
    std::string out;
    out.reserve(plain.size() * 2);
    for (std::size_t n = 0; n < plain.size(); ++n) {
        const int t = static_cast<std::uint8_t>(plain[n]) ^ key;
        // The first high (0..7) whose range of bytes holds t; one always does.
        int high = 0;
        int low = 0;
        for (; high < 8; ++high) {
            low = ((t - PairByte(high, 0)) % 256 + 256) % 256;
            if (low < kAlphabetSize) break;
        }
        // Any character whose value is high modulo 8 carries high; vary the
        // choice with the position and the byte so that equal bytes do not
        // always give equal pairs.
        const int choices = (kAlphabetSize - 1 - high) / 8 + 1;
        const int highValue = high + 8 * static_cast<int>((n * 5 + static_cast<std::size_t>(t)) %
                                                          static_cast<std::size_t>(choices));
        const char lowChar = kAlphabet[low];
        const char highChar = kAlphabet[highValue];
        if ((2 * n) % 4 == 0) {
            out.push_back(lowChar);
            out.push_back(highChar);
        } else {
            out.push_back(highChar);
            out.push_back(lowChar);
        }
    }
    return out;
}

}  // namespace sl
