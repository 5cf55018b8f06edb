#include "kernel/platform/hive/links.h"

#include "kernel/platform/hive/hive_names.h"

namespace sl::platform::hive {

std::vector<std::u16string> SplitKeyPath(std::u16string_view text) {
    std::vector<std::u16string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\\') {
            if (i > start) out.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

bool ReadLinkPlace(const HiveKey& key, LinkPlace* place) {
    const HiveValue* v = key.FindValue(u"SymbolicLinkValue");
    if (!v || v->type != kRegLink) return false;
    std::u16string target(v->data.size() / 2, u'\0');
    for (std::size_t i = 0; i < target.size(); ++i) {
        target[i] = static_cast<char16_t>(static_cast<unsigned char>(v->data[2 * i]) |
                                          (static_cast<unsigned char>(v->data[2 * i + 1]) << 8));
    }
    while (!target.empty() && target.back() == 0) target.pop_back();
    std::vector<std::u16string> p = SplitKeyPath(target);
    if (p.size() < 2 || !NamesEqual(p[0], u"Registry")) return false;
    if (NamesEqual(p[1], u"Machine")) {
        *place = {LinkPlace::Root::Machine, {}, {p.begin() + 2, p.end()}};
        return true;
    }
    if (p.size() >= 3 && NamesEqual(p[1], u"User")) {
        *place = {LinkPlace::Root::User, std::move(p[2]), {p.begin() + 3, p.end()}};
        return true;
    }
    return false;
}

}  // namespace sl::platform::hive
