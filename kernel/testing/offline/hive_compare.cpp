#include "kernel/testing/offline/hive_compare.h"

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>

namespace sl::testing::offline {

using sl::platform::offline::HiveText;
using sl::platform::offline::OfflineKey;
using sl::platform::offline::OfflineValue;

std::string Name(const std::string& utf8, HiveText text) {
    return text == HiveText::Utf16Le ? Utf16Le(utf8) : utf8;
}

OfflineKey Expected(const KeyPlan& plan, HiveText text) {
    OfflineKey key;
    key.name = Name(plan.name, text);
    key.hasClass = plan.hasClass && text == HiveText::Utf16Le;
    if (key.hasClass) key.keyClass = Utf16Le(plan.keyClass);
    for (const ValuePlan& value : plan.values) key.values.push_back({Name(value.name, text), value.type, value.data});
    for (const KeyPlan& subkey : plan.subkeys) key.subkeys.push_back(Expected(subkey, text));
    return key;
}

namespace {

std::string Printable(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        if (c >= 0x20 && c < 0x7F) out.push_back(c);
        else if (c != 0) out += "\\x" + std::to_string(static_cast<unsigned char>(c));
    }
    return out;
}

std::string Compare(const OfflineKey& expected, const OfflineKey& actual, const std::string& path) {
    std::string here = path + "\\" + Printable(expected.name);
    if (expected.name != actual.name) return here + ": name is " + Printable(actual.name);
    if (expected.hasClass != actual.hasClass || expected.keyClass != actual.keyClass) {
        return here + ": class is '" + Printable(actual.keyClass) + "'";
    }
    if (expected.values.size() != actual.values.size()) {
        return here + ": " + std::to_string(actual.values.size()) + " values, expected " +
               std::to_string(expected.values.size());
    }
    for (std::size_t i = 0; i < expected.values.size(); ++i) {
        const OfflineValue& e = expected.values[i];
        const OfflineValue& a = actual.values[i];
        if (e.name != a.name || e.type != a.type || e.data != a.data) {
            return here + ": value '" + Printable(e.name) + "' read as '" + Printable(a.name) + "' type " +
                   std::to_string(a.type) + " with " + std::to_string(a.data.size()) + " bytes";
        }
    }
    if (expected.subkeys.size() != actual.subkeys.size()) {
        return here + ": " + std::to_string(actual.subkeys.size()) + " subkeys, expected " +
               std::to_string(expected.subkeys.size());
    }
    for (const OfflineKey& subkey : expected.subkeys) {
        auto found = std::find_if(actual.subkeys.begin(), actual.subkeys.end(),
                                  [&](const OfflineKey& k) { return k.name == subkey.name; });
        if (found == actual.subkeys.end()) return here + ": no subkey " + Printable(subkey.name);
        std::string difference = Compare(subkey, *found, here);
        if (!difference.empty()) return difference;
    }
    return "";
}

}  // namespace

std::string Difference(const OfflineKey& expected, const OfflineKey& actual) {
    return Compare(expected, actual, "");
}

std::string RunTool(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        *status = -1;
        return output;
    }
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    int raw = ::pclose(pipe);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

bool HaveTool(const std::string& program) {
    int status = 0;
    RunTool("command -v '" + program + "' >/dev/null 2>&1", &status);
    return status == 0;
}

}  // namespace sl::testing::offline
