// Fuzz target: the instruction script. The first byte is the key: the rest
// is decoded with it (which may only fail with one of the two decoding
// errors, and must invert EncodeText), and is parsed as a plain script with
// a filter taken from its first line, which must never crash and must keep
// only instructions the filter names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/support/quiet_platform.h"
#include "kernel/script/decode.h"
#include "kernel/script/instruction_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sl::fuzz::InstallQuietPlatform();
    if (size == 0) return 0;
    const std::uint8_t key = data[0];
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);

    try {
        std::string plain = sl::DecodeText(rest, key);
        if (plain.size() * 2 != rest.size()) std::abort();
    } catch (const sl::DecodeError& error) {
        if (error.message != "Length is bad." && error.message != "Encrypt Char Error") {
            std::abort();
        }
    }
    if (sl::DecodeText(sl::EncodeText(rest, key), key) != rest) std::abort();

    std::string filter;
    if (key & 1) filter = rest.substr(0, rest.find('\n'));
    std::string errors;
    sl::CSLInstructionList list = sl::CSLInstructionList::FromPlainText(rest, filter, errors);
    for (const auto& item : list.Items) {
        if (item->ID.size() < 2 || item->ID.front() != '\'' || item->ID.back() != '\'') std::abort();
        if (!filter.empty() && filter.find(item->ID) == std::string::npos) std::abort();
    }
    return 0;
}
