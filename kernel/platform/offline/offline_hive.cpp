#include "kernel/platform/offline/offline_hive.h"

namespace sl::platform::offline {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string EncodeAsciiName(std::string_view ascii, HiveText text) {
    if (text == HiveText::Ansi) return std::string(ascii);
    std::string out;
    out.reserve(ascii.size() * 2);
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

bool NameEqualsAscii(const std::string& stored, std::string_view ascii, HiveText text) {
    const std::size_t width = text == HiveText::Utf16Le ? 2 : 1;
    if (stored.size() != ascii.size() * width) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        if (width == 2 && stored[i * 2 + 1] != '\0') return false;
        if (AsciiLower(stored[i * width]) != AsciiLower(ascii[i])) return false;
    }
    return true;
}

const OfflineKey* FindKey(const OfflineKey& from, std::string_view asciiPath, HiveText text) {
    const OfflineKey* key = &from;
    while (!asciiPath.empty()) {
        std::size_t cut = asciiPath.find('\\');
        std::string_view element = asciiPath.substr(0, cut);
        asciiPath = cut == std::string_view::npos ? std::string_view() : asciiPath.substr(cut + 1);
        if (element.empty()) continue;
        const OfflineKey* next = nullptr;
        for (const OfflineKey& subkey : key->subkeys) {
            if (NameEqualsAscii(subkey.name, element, text)) {
                next = &subkey;
                break;
            }
        }
        if (next == nullptr) return nullptr;
        key = next;
    }
    return key;
}

const OfflineValue* FindValue(const OfflineKey& key, std::string_view asciiName, HiveText text) {
    for (const OfflineValue& value : key.values) {
        if (NameEqualsAscii(value.name, asciiName, text)) return &value;
    }
    return nullptr;
}

}  // namespace sl::platform::offline
