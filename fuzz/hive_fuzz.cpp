// Fuzz target: a Wine registry hive file's text. Any text must parse (a
// hive never fails to load) and write; the written text must parse again to
// a hive that writes the same text. Then a key and a value named by the
// input are added: the written hive must read back with that value intact.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kernel/platform/wine/text/hive.h"

using sl::platform::wine::Hive;
using sl::platform::wine::HiveKey;

namespace {

// A name from raw bytes: each byte widened to a UTF-16 code unit; the key
// name may not hold a backslash (the path separator) and may not be empty.
std::u16string Widen(const std::string& bytes) {
    std::u16string out;
    for (unsigned char c : bytes) out.push_back(static_cast<char16_t>(c));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<Hive> hive = Hive::FromText(text);
    std::string written = hive->Write();
    std::unique_ptr<Hive> reread = Hive::FromText(written);
    if (reread->Write() != written) std::abort();

    // A name and a value from the input's first bytes, set on a fresh key.
    if (hive->status() != Hive::Status::Loaded || size < 4) return 0;
    std::size_t nameLength = data[0] % 16;
    if (nameLength + 1 > size) return 0;
    std::string nameBytes(reinterpret_cast<const char*>(data + 1), nameLength);
    std::string valueBytes(reinterpret_cast<const char*>(data + 1 + nameLength),
                           size - 1 - nameLength);
    std::u16string keyName = u"Fuzz" + Widen(nameBytes);
    // Names come through ANSI calls: no backslash in a key name, no zero.
    for (char16_t& c : keyName) {
        if (c == u'\\' || c == 0) c = u'_';
    }
    HiveKey& root = hive->root();
    HiveKey* key = root.FindSubkey(keyName);
    if (key == nullptr) key = hive->CreateSubkey(root, keyName, nullptr, 1);
    if (key == nullptr) std::abort();
    std::u16string valueName = Widen(nameBytes);
    for (char16_t& c : valueName) {
        if (c == 0) c = u'_';
    }
    const sl::platform::DWORD type = 3;  // REG_BINARY: the bytes as they are
    hive->SetValue(*key, valueName, type, valueBytes, 1);

    std::unique_ptr<Hive> back = Hive::FromText(hive->Write());
    const HiveKey* found = back->root().FindSubkey(keyName);
    if (found == nullptr) std::abort();
    const sl::platform::wine::HiveValue* value = found->FindValue(valueName);
    if (value == nullptr || value->type != type || value->data != valueBytes) std::abort();
    return 0;
}
