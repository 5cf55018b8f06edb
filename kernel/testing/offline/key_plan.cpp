#include "kernel/testing/offline/key_plan.h"

namespace sl::testing::offline {

KeyPlan& KeyPlan::Key(std::string_view path) {
    KeyPlan* key = this;
    while (!path.empty()) {
        std::size_t cut = path.find('\\');
        std::string element(path.substr(0, cut));
        path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        if (element.empty()) continue;
        KeyPlan* next = nullptr;
        for (KeyPlan& subkey : key->subkeys) {
            if (subkey.name == element) next = &subkey;
        }
        if (next == nullptr) {
            key->subkeys.push_back(KeyPlan{element, false, {}, {}, {}});
            next = &key->subkeys.back();
        }
        key = next;
    }
    return *key;
}

KeyPlan& KeyPlan::Set(std::string name, std::uint32_t type, std::string data) {
    for (ValuePlan& value : values) {
        if (value.name == name) {
            value.type = type;
            value.data = std::move(data);
            return *this;
        }
    }
    values.push_back({std::move(name), type, std::move(data)});
    return *this;
}

std::string Utf16Le(std::string_view utf8) {
    std::string out;
    auto put = [&out](std::uint32_t unit) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    };
    for (std::size_t i = 0; i < utf8.size();) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        std::uint32_t c = byte;
        std::size_t extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
        if (extra > 0) c = byte & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra && i + k < utf8.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += extra + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

std::string NtText(std::string_view utf8) { return Utf16Le(utf8) + std::string(2, '\0'); }

std::string AnsiText(std::string_view bytes) { return std::string(bytes) + std::string(1, '\0'); }

std::string Dword(std::uint32_t value) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

}  // namespace sl::testing::offline
