#include "kernel/platform/offline/machine/disk_hive.h"

#include <string>
#include <vector>

#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/hive/ansi_view.h"
#include "kernel/platform/hive/links.h"

namespace sl::platform::offline {
namespace {

std::u16string NameOf(const std::string& stored, HiveText text) {
    if (text == HiveText::Ansi) return codepage::AnsiToUtf16(stored);
    std::u16string out(stored.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(stored[2 * i]) |
                                       (static_cast<unsigned char>(stored[2 * i + 1]) << 8));
    }
    return out;
}

// String data as the model holds it: UTF-16LE with a terminating zero.
std::string StringData(std::string stored, HiveText text) {
    if (text == HiveText::Ansi) {
        stored = codepage::AnsiToUtf16Bytes(reinterpret_cast<const std::uint8_t*>(stored.data()),
                                            stored.size());
    } else if (stored.size() % 2 != 0) {
        stored.pop_back();  // half a character cannot be shown
    }
    const bool terminated = stored.size() >= 2 && stored[stored.size() - 1] == '\0' &&
                            stored[stored.size() - 2] == '\0';
    if (!terminated) stored.append(2, '\0');
    return stored;
}

}  // namespace

std::unique_ptr<DiskHive> DiskHive::FromOffline(OfflineHive&& hive, std::u16string_view mountAt) {
    auto tree = std::make_unique<DiskHive>();
    hive::HiveKey* at = &tree->root();
    for (const std::u16string& name : hive::SplitKeyPath(mountAt)) {
        at = tree->FindOrAddSubkey(*at, name);
    }
    tree->AddKey(*at, hive.root, hive.text);
    hive.root = OfflineKey();
    return tree;
}

void DiskHive::AddKey(hive::HiveKey& into, OfflineKey& from, HiveText text) {
    // Keys nest at most kMaxKeyDepth levels (the readers hold to it), so
    // the walk is a bounded explicit stack rather than recursion.
    struct Step {
        hive::HiveKey* into;
        OfflineKey* from;
    };
    std::vector<Step> pending{{&into, &from}};
    while (!pending.empty()) {
        Step step = pending.back();
        pending.pop_back();
        OfflineKey& source = *step.from;
        hive::HiveKey& target = *step.into;
        target.link = target.link || source.link;
        if (source.hasClass) target.keyClass = strings_.Keep(NameOf(source.keyClass, text));
        if (!source.values.empty()) {
            auto& values = target.contents().values;
            for (OfflineValue& value : source.values) {
                hive::HiveValue v;
                v.name = NameOf(value.name, text);
                v.type = value.type;
                v.data = hive::IsStringType(value.type) ? StringData(std::move(value.data), text)
                                                        : std::move(value.data);
                hive::PutValue(values, std::move(v));
            }
            source.values.clear();
            source.values.shrink_to_fit();
        }
        for (OfflineKey& sub : source.subkeys) {
            pending.push_back({FindOrAddSubkey(target, NameOf(sub.name, text)), &sub});
        }
    }
}

}  // namespace sl::platform::offline
