// The Win32 backend's registry calls against the real registry (under Wine
// in the Windows build's tests), each test in keys of its own below
// Software\StowlarkTest (tests run in parallel processes).
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

namespace {
// Windows' own roots (inside the namespace below, HKEY is the interface's type).
const ::HKEY kCurrentUser = HKEY_CURRENT_USER;
const ::HKEY kLocalMachine = HKEY_LOCAL_MACHINE;
}  // namespace

namespace sl::platform::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Sz(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }

// Removes Software\StowlarkTest\<test> of a root, and Software\StowlarkTest
// once no test has keys there, as 32-bit and 64-bit programs see them.
void RemoveTestKeys(::HKEY root, const std::string& test) {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        ::HKEY software = nullptr;
        if (::RegOpenKeyExA(root, "Software", 0, KEY_ALL_ACCESS | view, &software) == 0) {
            ::RegDeleteTreeA(software, ("StowlarkTest\\" + test).c_str());
            ::RegDeleteKeyA(software, "StowlarkTest");  // refused while it has subkeys
            ::RegCloseKey(software);
        }
    }
}

class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveTestKeys(kCurrentUser, Name()); }
    void TearDown() override {
        if (key_ != 0) platform_.RegCloseKey(key_);
        RemoveTestKeys(kCurrentUser, Name());
        RemoveTestKeys(kLocalMachine, Name());
    }

    static std::string Name() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    // Software\StowlarkTest\<test>\<sub>, the keys of this test.
    static std::string Path(const std::string& sub) {
        return "Software\\StowlarkTest\\" + Name() + "\\" + sub;
    }

    // Creates (or opens) HKCU\Path(sub) as key_.
    void CreateKey(const char* sub, DWORD* disposition = nullptr, const char* keyClass = nullptr) {
        const std::string path = Path(sub);
        if (key_ != 0) platform_.RegCloseKey(key_);
        ASSERT_EQ(0, platform_.RegCreateKeyEx(kHkeyCurrentUser, path.c_str(), keyClass,
                                              kRegOptionNonVolatile, kKeyAllAccess, &key_,
                                              disposition));
    }

    void Set(const char* name, DWORD type, const Bytes& data) {
        ASSERT_EQ(0, platform_.RegSetValueEx(key_, name, type, data.data(),
                                             static_cast<DWORD>(data.size())));
    }

    Win32Platform platform_;
    HKEY key_ = 0;
};

TEST_F(Win32RegistryTest, ValuesOfEachTypeAreEnumeratedAndQueriedBack) {
    DWORD disposition = 0;
    CreateKey("Values", &disposition);
    EXPECT_EQ(1u, disposition);  // created new
    const DWORD count = 42;
    const std::map<std::string, std::pair<DWORD, Bytes>> written = {
        {"Name", {kRegSz, Sz("Hello")}},
        {"Count", {kRegDword, Bytes(reinterpret_cast<const std::uint8_t*>(&count),
                                    reinterpret_cast<const std::uint8_t*>(&count) + 4)}},
        {"Blob", {kRegBinary, Bytes{1, 2, 0, 255}}},
        {"Path", {kRegExpandSz, Sz("%WINDIR%\\win.ini")}},
    };
    for (const auto& [name, value] : written) Set(name.c_str(), value.first, value.second);

    DWORD values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(0, platform_.RegQueryInfoKey(key_, nullptr, nullptr, &values, &maxName, &maxData));
    EXPECT_EQ(4u, values);
    EXPECT_EQ(5u, maxName);  // "Count", without the zero
    EXPECT_GE(maxData, Sz("%WINDIR%\\win.ini").size());

    std::map<std::string, std::pair<DWORD, Bytes>> read;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLen = sizeof name, type = 0;
        Bytes data(maxData);
        DWORD dataLen = maxData;
        LONG rc = platform_.RegEnumValue(key_, index, name, &nameLen, &type, data.data(), &dataLen);
        if (rc == static_cast<LONG>(kErrorNoMoreItems)) break;
        ASSERT_EQ(0, rc) << "index " << index;
        EXPECT_EQ(std::strlen(name), nameLen);
        data.resize(dataLen);
        read[name] = {type, data};
        ASSERT_LT(index, 10u);
    }
    EXPECT_EQ(written, read);

    // The same through RegQueryValueEx, also with a size query first.
    DWORD type = 0, size = 0;
    ASSERT_EQ(0, platform_.RegQueryValueEx(key_, "Path", &type, nullptr, &size));
    EXPECT_EQ(kRegExpandSz, type);
    Bytes data(size);
    ASSERT_EQ(0, platform_.RegQueryValueEx(key_, "Path", &type, data.data(), &size));
    EXPECT_EQ(Sz("%WINDIR%\\win.ini"), data);  // stored as given, never expanded
}

TEST_F(Win32RegistryTest, ShortBuffersMissingValuesAndTheEndGiveTheirNumbers) {
    CreateKey("Limits");
    Set("Name", kRegSz, Sz("Hello"));

    std::uint8_t data[3];
    DWORD size = sizeof data, type = 0;
    EXPECT_EQ(234, platform_.RegQueryValueEx(key_, "Name", &type, data, &size));
    EXPECT_EQ(6u, size);  // the size needed, with the zero
    size = sizeof data;
    EXPECT_EQ(2, platform_.RegQueryValueEx(key_, "Missing", &type, data, &size));

    char name[3];
    DWORD nameLen = sizeof name;
    std::uint8_t big[64];
    DWORD bigLen = sizeof big;
    EXPECT_EQ(234, platform_.RegEnumValue(key_, 0, name, &nameLen, &type, big, &bigLen));
    char longName[64];
    nameLen = sizeof longName;
    size = sizeof data;
    EXPECT_EQ(234, platform_.RegEnumValue(key_, 0, longName, &nameLen, &type, data, &size));
    nameLen = sizeof longName;
    bigLen = sizeof big;
    EXPECT_EQ(259, platform_.RegEnumValue(key_, 1, longName, &nameLen, &type, big, &bigLen));

    HKEY missing = 0;
    EXPECT_EQ(2, platform_.RegOpenKeyEx(kHkeyCurrentUser, Path("Nothing").c_str(),
                                        kKeyRead, &missing));
}

TEST_F(Win32RegistryTest, SubkeysEnumerateWithTheirClasses) {
    CreateKey("Parent\\Alpha", nullptr, "AlphaClass");
    CreateKey("Parent\\Beta");
    DWORD disposition = 0;
    CreateKey("Parent", &disposition);
    EXPECT_EQ(2u, disposition);  // made on the way to Alpha

    DWORD subKeys = 0, maxSubKeyLen = 0;
    ASSERT_EQ(0, platform_.RegQueryInfoKey(key_, &subKeys, &maxSubKeyLen, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u, subKeys);
    EXPECT_EQ(5u, maxSubKeyLen);

    std::map<std::string, std::string> found;
    for (DWORD index = 0; index < 2; ++index) {
        char name[256], keyClass[256];
        DWORD nameLen = sizeof name, classLen = sizeof keyClass;
        ASSERT_EQ(0, platform_.RegEnumKeyEx(key_, index, name, &nameLen, keyClass, &classLen));
        EXPECT_EQ(std::strlen(name), nameLen);
        found[name] = std::string(keyClass, classLen);
    }
    EXPECT_EQ((std::map<std::string, std::string>{{"Alpha", "AlphaClass"}, {"Beta", ""}}), found);

    char name[256];
    DWORD nameLen = sizeof name;
    EXPECT_EQ(259, platform_.RegEnumKeyEx(key_, 2, name, &nameLen, nullptr, nullptr));
    char shortName[3];
    nameLen = sizeof shortName;
    EXPECT_EQ(234, platform_.RegEnumKeyEx(key_, 0, shortName, &nameLen, nullptr, nullptr));

    // A key opened through its parent's handle, then the parent's own
    // handle closed: the child still works.
    HKEY child = 0;
    ASSERT_EQ(0, platform_.RegOpenKeyEx(key_, "alpha", kKeyRead, &child));  // any case
    EXPECT_EQ(0, platform_.RegFlushKey(child));
    EXPECT_EQ(0, platform_.RegCloseKey(child));
}

TEST_F(Win32RegistryTest, PredefinedRootsStayOpenAndUnknownHandlesAreRefused) {
    EXPECT_EQ(0, platform_.RegCloseKey(kHkeyCurrentUser));
    EXPECT_EQ(0, platform_.RegCloseKey(kHkeyLocalMachine));
    HKEY software = 0;
    ASSERT_EQ(0, platform_.RegOpenKeyEx(kHkeyCurrentUser, "Software", kKeyRead, &software));
    EXPECT_EQ(0, platform_.RegCloseKey(software));
    EXPECT_EQ(6, platform_.RegCloseKey(0x1234560));
    DWORD values = 0;
    EXPECT_EQ(6, platform_.RegQueryInfoKey(0x1234560, nullptr, nullptr, &values, nullptr, nullptr));
}

TEST_F(Win32RegistryTest, StringsRoundTripThroughTheAnsiCodePage) {
    if (::GetACP() != 1252) GTEST_SKIP() << "code page " << ::GetACP();
    CreateKey("Text");
    const Bytes text = Sz("caf\xe9 \x80");  // e acute and the euro sign in 1252
    Set("Word", kRegSz, text);
    Bytes data(64);
    DWORD size = static_cast<DWORD>(data.size()), type = 0;
    ASSERT_EQ(0, platform_.RegQueryValueEx(key_, "Word", &type, data.data(), &size));
    data.resize(size);
    EXPECT_EQ(text, data);
    // Stored as UTF-16: the wide call sees the characters themselves.
    ::HKEY raw = nullptr;
    ASSERT_EQ(0, ::RegOpenKeyExA(kCurrentUser, Path("Text").c_str(), 0,
                                 KEY_READ | KEY_WOW64_32KEY, &raw));
    wchar_t wide[16] = {};
    ::DWORD wideSize = sizeof wide;
    ASSERT_EQ(0, ::RegQueryValueExW(raw, L"Word", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(wide), &wideSize));
    ::RegCloseKey(raw);
    EXPECT_EQ(std::wstring(L"caf\u00e9 \u20ac"), std::wstring(wide));
}

// The 32-bit view: what the backend writes below HKLM\Software, a 64-bit
// program finds below HKLM\Software\Wow6432Node, and not in its own view.
TEST_F(Win32RegistryTest, KeysOfTheBackendAreThe32BitViewOnA64BitMachine) {
    ::HKEY node = nullptr;
    if (::RegOpenKeyExA(kLocalMachine, "Software\\Wow6432Node", 0,
                        KEY_READ | KEY_WOW64_64KEY, &node) != 0) {
        GTEST_SKIP() << "not a 64-bit machine";
    }
    ::RegCloseKey(node);

    HKEY key = 0;
    ASSERT_EQ(0, platform_.RegCreateKeyEx(kHkeyLocalMachine, Path("View").c_str(),
                                          nullptr, kRegOptionNonVolatile, kKeyAllAccess, &key,
                                          nullptr));
    const DWORD value = 7;
    ASSERT_EQ(0, platform_.RegSetValueEx(key, "Seven", kRegDword,
                                         reinterpret_cast<const std::uint8_t*>(&value), 4));
    EXPECT_EQ(0, platform_.RegFlushKey(key));
    EXPECT_EQ(0, platform_.RegCloseKey(key));

    ::HKEY redirected = nullptr;
    ASSERT_EQ(0, ::RegOpenKeyExA(kLocalMachine,
                                 ("Software\\Wow6432Node\\" + Path("View").substr(9)).c_str(), 0,
                                 KEY_READ, &redirected));
    ::DWORD read = 0, size = sizeof read;
    EXPECT_EQ(0, ::RegQueryValueExA(redirected, "Seven", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&read), &size));
    EXPECT_EQ(7u, read);
    ::RegCloseKey(redirected);

    ::HKEY native = nullptr;
    EXPECT_EQ(2, ::RegOpenKeyExA(kLocalMachine, Path("View").c_str(), 0, KEY_READ,
                                 &native));
    // And the backend reads back its own view.
    ASSERT_EQ(0, platform_.RegOpenKeyEx(kHkeyLocalMachine, Path("View").c_str(),
                                        kKeyRead, &key));
    DWORD got = 0, gotSize = 4;
    EXPECT_EQ(0, platform_.RegQueryValueEx(key, "Seven", nullptr,
                                           reinterpret_cast<std::uint8_t*>(&got), &gotSize));
    EXPECT_EQ(7u, got);
    platform_.RegCloseKey(key);
}

}  // namespace
}  // namespace sl::platform::win32
