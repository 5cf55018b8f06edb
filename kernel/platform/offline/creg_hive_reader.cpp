#include "kernel/platform/offline/creg_hive_reader.h"

// Debian's libcreg.h includes libbfio.h for calls on libbfio handles, but
// libcreg-dev does not bring that header; those calls are not used here.
#include <libcreg/features.h>
#undef LIBCREG_HAVE_BFIO
#include <libcreg.h>

#include <memory>
#include <unordered_set>

#include "kernel/platform/offline/creg_tree_check.h"
#include "kernel/platform/offline/hive_file.h"

namespace sl::platform::offline {
namespace {

// The library's error as one line (its first message), then freed.
std::string TakeError(libcreg_error_t** error) {
    if (error == nullptr || *error == nullptr) return "";
    char text[512] = {};
    libcreg_error_sprint(*error, text, sizeof text);
    libcreg_error_free(error);
    std::string line(text);
    std::size_t cut = line.find('\n');
    if (cut != std::string::npos) line.resize(cut);
    return line;
}

struct FileCloser {
    void operator()(libcreg_file_t* file) const {
        libcreg_file_close(file, nullptr);
        libcreg_file_free(&file, nullptr);
    }
};
struct KeyFree {
    void operator()(libcreg_key_t* key) const { libcreg_key_free(&key, nullptr); }
};
struct ValueFree {
    void operator()(libcreg_value_t* value) const { libcreg_value_free(&value, nullptr); }
};
using KeyPtr = std::unique_ptr<libcreg_key_t, KeyFree>;
using ValuePtr = std::unique_ptr<libcreg_value_t, ValueFree>;

class CregReader {
public:
    explicit CregReader(const HiveLimits& limits) : limits_(limits) {}

    bool ReadKey(libcreg_key_t* handle, std::size_t depth, OfflineKey* key);
    const std::string& problem() const { return problem_; }

private:
    bool Fail(const std::string& why, libcreg_error_t** error = nullptr) {
        std::string detail = TakeError(error);
        if (problem_.empty()) problem_ = detail.empty() ? why : why + " (" + detail + ")";
        return false;
    }
    bool ReadValue(libcreg_value_t* handle, OfflineValue* value);
    bool Count(std::uint64_t bytes) {
        dataBytes_ += bytes;
        if (dataBytes_ > limits_.maxDataBytes) return Fail("more value data than the reader takes");
        return true;
    }

    const HiveLimits& limits_;
    std::unordered_set<off64_t> seenKeys_;
    std::size_t values_ = 0;
    std::uint64_t dataBytes_ = 0;
    std::string problem_;
};

bool CregReader::ReadValue(libcreg_value_t* handle, OfflineValue* value) {
    libcreg_error_t* error = nullptr;
    std::size_t nameSize = 0;
    if (libcreg_value_get_name_size(handle, &nameSize, &error) != 1) {
        return Fail("a value name is damaged", &error);
    }
    if (nameSize > 0) {
        value->name.assign(nameSize, '\0');
        if (libcreg_value_get_name(handle, reinterpret_cast<std::uint8_t*>(value->name.data()),
                                   nameSize, &error) != 1) {
            return Fail("a value name is damaged", &error);
        }
    }
    std::uint32_t type = 0;
    if (libcreg_value_get_value_type(handle, &type, &error) != 1) {
        return Fail("a value type is damaged", &error);
    }
    value->type = type;
    std::size_t dataSize = 0;
    if (libcreg_value_get_value_data_size(handle, &dataSize, &error) != 1) {
        return Fail("the data of a value is damaged", &error);
    }
    if (dataSize > 0) {
        value->data.assign(dataSize, '\0');
        if (libcreg_value_get_value_data(handle, reinterpret_cast<std::uint8_t*>(value->data.data()),
                                         dataSize, &error) != 1) {
            return Fail("the data of a value is damaged", &error);
        }
    }
    return Count(value->name.size() + value->data.size());
}

bool CregReader::ReadKey(libcreg_key_t* handle, std::size_t depth, OfflineKey* key) {
    if (depth > limits_.maxDepth) return Fail("keys nest deeper than the reader takes");
    libcreg_error_t* error = nullptr;
    off64_t offset = 0;
    if (libcreg_key_get_offset(handle, &offset, &error) != 1) return Fail("a key is damaged", &error);
    if (!seenKeys_.insert(offset).second) return Fail("a key is reached twice (a loop)");
    if (seenKeys_.size() > limits_.maxKeys) return Fail("more keys than the reader takes");

    std::size_t nameSize = 0;
    if (libcreg_key_get_name_size(handle, &nameSize, &error) != 1) {
        return Fail("a key name is damaged", &error);
    }
    if (nameSize > 0) {
        key->name.assign(nameSize, '\0');
        if (libcreg_key_get_name(handle, reinterpret_cast<std::uint8_t*>(key->name.data()), nameSize,
                                 &error) != 1) {
            return Fail("a key name is damaged", &error);
        }
    }
    if (!Count(key->name.size())) return false;

    int values = 0;
    if (libcreg_key_get_number_of_values(handle, &values, &error) != 1 || values < 0) {
        return Fail("the values of a key are damaged", &error);
    }
    for (int i = 0; i < values; ++i) {
        if (++values_ > limits_.maxValues) return Fail("more values than the reader takes");
        libcreg_value_t* raw = nullptr;
        if (libcreg_key_get_value_by_index(handle, i, &raw, &error) != 1 || raw == nullptr) {
            return Fail("a value of a key is damaged", &error);
        }
        ValuePtr value(raw);
        key->values.emplace_back();
        if (!ReadValue(value.get(), &key->values.back())) return false;
    }

    int subkeys = 0;
    if (libcreg_key_get_number_of_sub_keys(handle, &subkeys, &error) != 1 || subkeys < 0) {
        return Fail("the subkeys of a key are damaged", &error);
    }
    for (int i = 0; i < subkeys; ++i) {
        libcreg_key_t* raw = nullptr;
        if (libcreg_key_get_sub_key_by_index(handle, i, &raw, &error) != 1 || raw == nullptr) {
            return Fail("a subkey of a key is damaged", &error);
        }
        KeyPtr subkey(raw);
        key->subkeys.emplace_back();
        if (!ReadKey(subkey.get(), depth + 1, &key->subkeys.back())) return false;
    }
    return true;
}

DWORD ReadOpened(const HiveFile& file, OfflineHive* hive, std::string* message,
                 const HiveLimits& limits) {
    auto fail = [&](const std::string& why) {
        *message = file.displayName() + ": " + why;
        return kErrorBadDatabase;
    };
    std::string problem;
    if (!CregKeyTreeIsSound(file, &problem)) return fail("damaged Windows 9x registry file: " + problem);
    libcreg_error_t* error = nullptr;
    libcreg_file_t* raw = nullptr;
    if (libcreg_file_initialize(&raw, &error) != 1) {
        return fail("cannot read a Windows 9x registry file (" + TakeError(&error) + ")");
    }
    // The library opens by name: the descriptor's /proc entry is the file
    // that was checked. Read access only; it has no way to write.
    if (libcreg_file_open(raw, file.ReopenPath().c_str(), LIBCREG_OPEN_READ, &error) != 1) {
        libcreg_file_free(&raw, nullptr);
        return fail("not a readable Windows 9x registry file (" + TakeError(&error) + ")");
    }
    std::unique_ptr<libcreg_file_t, FileCloser> creg(raw);
    libcreg_key_t* rootRaw = nullptr;
    if (libcreg_file_get_root_key(creg.get(), &rootRaw, &error) != 1 || rootRaw == nullptr) {
        return fail("damaged Windows 9x registry file: no root key (" + TakeError(&error) + ")");
    }
    KeyPtr root(rootRaw);
    CregReader reader(limits);
    OfflineHive result;
    result.text = HiveText::Ansi;
    if (!reader.ReadKey(root.get(), 0, &result.root)) {
        return fail("damaged Windows 9x registry file: " + reader.problem());
    }
    *hive = std::move(result);
    return kErrorSuccess;
}

}  // namespace

DWORD ReadCregHiveAt(int dirFd, const std::string& name, const std::string& displayName,
                     OfflineHive* hive, std::string* message, const HiveLimits& limits) {
    HiveFile file;
    DWORD error = file.Open(dirFd, name, displayName, message);
    if (error != kErrorSuccess) return error;
    return ReadOpened(file, hive, message, limits);
}

DWORD ReadCregHive(const std::string& path, OfflineHive* hive, std::string* message,
                   const HiveLimits& limits) {
    return ReadCregHiveAt(-1, path, path, hive, message, limits);
}

}  // namespace sl::platform::offline
