// CSLRegKey: one registry key of the kernel, opened for reading or created for
// reading and setting values; CSLRegKeyEnum adds subkey enumeration and closes
// its key when destroyed.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/platform/platform.h"

namespace sl {

// How a run names a key to its caller: "HKEY_CURRENT_USER\Software\Winamp"
// (the root alone for an empty path; "HKEY" for an unknown root).
std::string RootedKeyName(std::uint32_t root, const std::string& keyPath);

class CSLRegKey {
public:
    CSLRegKey() = default;
    // Starts closed and calls Open, ignoring its result.
    CSLRegKey(platform::HKEY root, const std::string& path, bool create);
    virtual ~CSLRegKey();
    CSLRegKey(const CSLRegKey&) = delete;
    CSLRegKey& operator=(const CSLRegKey&) = delete;

    // Closes an open key first. Without create: opens for reading (KEY_READ).
    // With create: opens or creates it, non-volatile, with read and set-value
    // rights. Returns the platform's error number, 0 on success; a failed open
    // leaves the key closed.
    platform::LONG Open(platform::HKEY root, const std::string& path, bool create);
    // The value as text: data up to its first zero byte (binary data taken as
    // text of its length). Any error (no key, no value, more than 256 bytes)
    // gives defaultText.
    std::string QueryString(const std::string& valueName, const std::string& defaultText) const;
    // Sets a value on the open key; the platform's error number.
    platform::LONG SetValue(const std::string& valueName, platform::DWORD type,
                            const std::uint8_t* data, platform::DWORD size) const;
    // The close result, or 0 when no key was open; leaves the key closed.
    platform::LONG Close();

    platform::HKEY Handle() const { return handle_; }
    bool IsOpen() const { return handle_ != 0; }

protected:
    platform::HKEY handle_ = 0;
};

class CSLRegKeyEnum : public CSLRegKey {
public:
    using CSLRegKey::CSLRegKey;
    ~CSLRegKeyEnum() override;
    // Subkey at index of the open key: 0 and name/class set (an empty name at
    // the end of the list), or the registry error (logged as
    // "EnumerateKeys Error: %i, %i").
    platform::LONG EnumerateKeys(platform::DWORD index, std::string& name, std::string& keyClass);
};

}  // namespace sl
