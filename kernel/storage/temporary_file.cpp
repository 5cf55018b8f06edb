#include "kernel/storage/temporary_file.h"

#include <random>

namespace sl {

namespace {
constexpr int kTemporaryAttempts = 16;
}  // namespace

platform::DWORD CreateTemporary(platform::Platform& machine, const std::string& path,
                                std::string* temporary, platform::FileHandle* handle) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::size_t cut = path.find_last_of("\\/:");
    const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    const std::string name = path.substr(folder.size());
    std::random_device random;
    platform::DWORD error = platform::kErrorFileExists;
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 6; ++i) suffix.push_back(kChars[random() % 36]);
        *temporary = folder + platform::kTemporaryPrefix + name + "-" + suffix;
        error = machine.OpenFile(*temporary, platform::FileAccess::CreateNew, handle);
        // Taken names, and a new file a sweep of another run took away (2)
        // or holds for a moment (32), are tried again with another name.
        if (error != platform::kErrorFileExists && error != platform::kErrorAlreadyExists &&
            error != platform::kErrorFileNotFound && error != platform::kErrorSharingViolation) {
            break;
        }
    }
    return error;
}

}  // namespace sl
