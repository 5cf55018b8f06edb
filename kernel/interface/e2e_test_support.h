// Test support for the interface tests that run the exports on copies of the
// demo machine (examples/demo-prefix): loading it into a temporary prefix,
// switching between machines, reading and changing their registries, taking
// snapshots of registry and files, and recording progress messages.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kernel/interface/stowlark_kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/reg_content_item.h"
#include "kernel/storage/reg_save_restore.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl::testing {

namespace e2e_fs = std::filesystem;

// The demo machine in the source tree.
inline std::string DemoPrefixPath() {
    return (e2e_fs::path(SL_SOURCE_DIR) / "examples" / "demo-prefix").string();
}

// Replaces the fixture's prefix by a copy of the demo machine (hives, drive_c,
// the drive links) and reloads its platform.
inline void LoadDemoMachine(TempPrefix& prefix) {
    const e2e_fs::path source = DemoPrefixPath();
    const e2e_fs::path target = prefix.PrefixPath();
    ASSERT_TRUE(e2e_fs::exists(source / "system.reg")) << source;
    e2e_fs::remove_all(target / "drive_c");
    e2e_fs::copy(source / "drive_c", target / "drive_c", e2e_fs::copy_options::recursive);
    for (const char* hive : {"system.reg", "user.reg", "userdef.reg"}) {
        e2e_fs::copy_file(source / hive, target / hive,
                          e2e_fs::copy_options::overwrite_existing);
    }
    for (const auto& link : e2e_fs::directory_iterator(source / "dosdevices")) {
        e2e_fs::path made = target / "dosdevices" / link.path().filename();
        e2e_fs::remove(made);
        e2e_fs::copy_symlink(link.path(), made);
    }
    prefix.ReloadPlatform();
}

// The DOS path (through drive Z:, which maps to /) of a Unix path.
inline std::string ZPath(const std::string& unixPath) {
    std::string dos = "Z:" + unixPath;
    for (char& c : dos) {
        if (c == '/') c = '\\';
    }
    return dos;
}

// Makes a machine's platform the current one for the life of the object.
class OnMachine {
public:
    explicit OnMachine(const TempPrefix& machine)
        : previous_(platform::Install(machine.Platform())) {}
    ~OnMachine() { platform::Install(previous_); }
    OnMachine(const OnMachine&) = delete;
    OnMachine& operator=(const OnMachine&) = delete;

private:
    std::shared_ptr<platform::Platform> previous_;
};

// ---- Registry of the current platform.

// Sets a value through the installed platform (creating its key) and
// flushes the hive; fails the test on error.
inline void SetValue(platform::HKEY root, const std::string& keyPath, const std::string& name,
                     platform::DWORD type, const std::string& data) {
    SetValue(platform::Current(), root, keyPath, name, type, data, true);
}

inline void SetString(platform::HKEY root, const std::string& keyPath, const std::string& name,
                      const std::string& text) {
    SetValue(root, keyPath, name, platform::kRegSz, Sz(text));
}

// The value, or nothing when its key or the value is missing.
inline std::optional<RegValue> ReadValue(platform::HKEY root, const std::string& keyPath,
                                         const std::string& name) {
    return ReadValue(platform::Current(), root, keyPath, name);
}

inline std::string ReadString(platform::HKEY root, const std::string& keyPath,
                              const std::string& name) {
    std::optional<RegValue> value = ReadValue(root, keyPath, name);
    if (!value) return "<missing>";
    std::string text = value->data;
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

// Every value below root as "KEY\PATH|name" (upper-cased path, names as
// reported) -> type and data.
using RegistrySnapshot = std::map<std::string, RegValue>;

inline void SnapshotKey(platform::HKEY key, const std::string& path, RegistrySnapshot& out) {
    platform::Platform& p = platform::Current();
    platform::DWORD subKeys = 0, values = 0, maxName = 0, maxData = 0;
    if (p.RegQueryInfoKey(key, &subKeys, nullptr, &values, &maxName, &maxData) != 0) return;
    std::string upper = path;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (platform::DWORD i = 0;; ++i) {
        char name[1024];
        platform::DWORD nameLen = sizeof name;
        std::string data(maxData + 1, '\0');
        platform::DWORD dataLen = static_cast<platform::DWORD>(data.size());
        platform::DWORD type = 0;
        if (p.RegEnumValue(key, i, name, &nameLen, &type,
                           reinterpret_cast<std::uint8_t*>(data.data()), &dataLen) != 0)
            break;
        data.resize(dataLen);
        out[upper + "|" + std::string(name, nameLen)] = RegValue{type, data};
    }
    for (platform::DWORD i = 0;; ++i) {
        char name[1024];
        platform::DWORD nameLen = sizeof name;
        platform::DWORD classLen = 0;
        if (p.RegEnumKeyEx(key, i, name, &nameLen, nullptr, &classLen) != 0) break;
        std::string sub(name, nameLen);
        platform::HKEY child = 0;
        if (p.RegOpenKeyEx(key, sub.c_str(), platform::kKeyRead, &child) != 0) continue;
        SnapshotKey(child, path.empty() ? sub : path + "\\" + sub, out);
        p.RegCloseKey(child);
    }
}

inline RegistrySnapshot SnapshotRegistry(platform::HKEY root) {
    RegistrySnapshot out;
    SnapshotKey(root, "", out);
    return out;
}

// ---- Files of a prefix.

inline std::string ReadUnix(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every regular file below drive_c (links are not followed), by path relative
// to drive_c, with its bytes.
inline std::map<std::string, std::string> SnapshotFiles(const TempPrefix& machine) {
    std::map<std::string, std::string> out;
    const e2e_fs::path base = machine.DriveC();
    for (auto it = e2e_fs::recursive_directory_iterator(base);
         it != e2e_fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink() || !it->is_regular_file()) continue;
        out[e2e_fs::relative(it->path(), base).string()] = ReadUnix(it->path().string());
    }
    return out;
}

// The hive text without the sections of keyPath and everything below it
// (keyPath written as in the file, e.g. "Software\\\\Winamp").
inline std::string WithoutKey(const std::string& hive, const std::string& keyPath) {
    std::istringstream in(hive);
    std::string out, line;
    bool dropping = false;
    const std::string head = "[" + keyPath;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            dropping = line.compare(0, head.size(), head) == 0 &&
                       (line[head.size()] == ']' || line.compare(head.size(), 2, "\\\\") == 0);
        }
        if (!dropping) out += line + "\n";
    }
    return out;
}

// ---- Backup folders.

// The records of a registry archive file (DOS path).
class ArchiveRecords : public SerializableObject {
public:
    explicit ArchiveRecords(const std::string& path) { loaded = ArchiveXfer(*this, path, 0); }
    const RuntimeClass* GetRuntimeClass() const override { return &kClass; }
    void Serialize(Archive& archive) override { SerializeObjectList(archive, records); }
    RegRecordList records;
    std::int32_t loaded = -1;

private:
    static inline const RuntimeClass kClass{"CObList", 0, nullptr};
};

// ---- Progress.

// An SLProgressWindow that records every message and can act on it.
class ProgressRecorder {
public:
    struct Message {
        std::uintptr_t code;
        std::intptr_t count;
        bool operator==(const Message&) const = default;
    };
    // Code 4: the item named, copied out of the message.
    struct Item {
        std::string id;
        std::string path;
        std::uint32_t filesCopied;
    };
    std::vector<Message> messages;  // codes 1 to 3, in order
    std::vector<Item> items;        // code 4, in order
    std::function<void(const Message&)> onMessage;

    const SLProgressWindow* Window() {
        window_ = SLProgressWindow{&ProgressRecorder::Send, this};
        return &window_;
    }
    std::vector<std::intptr_t> Steps() const {
        std::vector<std::intptr_t> steps;
        for (const Message& m : messages) {
            if (m.code == 2) steps.push_back(m.count);
        }
        return steps;
    }

private:
    static intptr_t Send(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam) {
        auto* self = static_cast<ProgressRecorder*>(context);
        EXPECT_EQ(message, 1033u);
        if (wParam == 4) {
            const auto* item = reinterpret_cast<const SLProgressItem*>(lParam);
            self->items.push_back({item->id, item->path, item->filesCopied});
            return 0;
        }
        self->messages.push_back({wParam, lParam});
        if (self->onMessage) self->onMessage(self->messages.back());
        return 0;
    }
    SLProgressWindow window_{};
};

// The names that differ between two snapshots (those only in before marked
// " (removed)").
inline std::vector<std::string> Changed(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& after) {
    std::vector<std::string> names;
    for (const auto& [name, content] : after) {
        auto old = before.find(name);
        if (old == before.end() || old->second != content) names.push_back(name);
    }
    for (const auto& [name, content] : before) {
        if (!after.count(name)) names.push_back(name + " (removed)");
    }
    return names;
}

}  // namespace sl::testing
