#include "cli/terminal_text.h"

namespace sl::cli {
namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string Escaped(std::string_view text, bool keepLayout) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool layout = c == '\n' || c == '\r' || c == '\t';
        if (!IsControl(c) || (keepLayout && layout)) {
            out.push_back(ch);
            continue;
        }
        out += "\\x";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0x0F]);
    }
    return out;
}

}  // namespace

std::string Printable(std::string_view text) { return Escaped(text, false); }

std::string WithoutTerminalControls(std::string_view text) { return Escaped(text, true); }

}  // namespace sl::cli
