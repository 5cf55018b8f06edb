// Version rules of the built-in installed checks.
#include <gtest/gtest.h>

#include "kernel/interface/kernel.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/script/symbols.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

void SetVersion(const char* key, const char* name, const std::string& value) {
    CSLRegKey regKey(platform::kHkeyLocalMachine, key, true);
    ASSERT_EQ(regKey.SetValue(name, platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>(value.c_str()),
                              static_cast<platform::DWORD>(value.size() + 1)),
              0);
}

int Ie(CSLKernel& kernel, const std::string& version) {
    SetVersion("Software\\Microsoft\\Internet Explorer", "Version", version);
    return kernel.CheckSpecialExists(IE4_EXISTS);
}

int Netscape(CSLKernel& kernel, const std::string& version) {
    SetVersion("SOFTWARE\\Netscape\\Netscape Navigator", "CurrentVersion", version);
    return kernel.CheckSpecialExists(NETSCAPE40_EXISTS);
}

TEST(SpecialChecksTest, VersionPrefixesDecide) {
    testing::TempPrefix prefix;
    CSLKernel kernel;
    EXPECT_EQ(kernel.CheckSpecialExists(IE4_EXISTS), 0);  // no key at all
    EXPECT_EQ(Ie(kernel, "4.72.3110.0"), 1);
    EXPECT_EQ(Ie(kernel, "4.0"), 1);
    EXPECT_EQ(Ie(kernel, "4"), 0);
    EXPECT_EQ(Ie(kernel, "5.00.2014.0216"), 0);
    EXPECT_EQ(Netscape(kernel, "4.08"), 1);
    EXPECT_EQ(Netscape(kernel, "4.0"), 1);
    EXPECT_EQ(Netscape(kernel, "4.5"), 0);
    EXPECT_EQ(Netscape(kernel, "40"), 0);
    EXPECT_TRUE(kernel.ErrorText.empty());
}

TEST(SpecialChecksTest, NeverPresentChecksAndUnknownIds) {
    testing::TempPrefix prefix;
    CSLKernel kernel;
    SetVersion("Software\\Microsoft\\Internet Explorer", "Version", "4.72");
    EXPECT_EQ(kernel.CheckSpecialExists(NOT_YET_IMPLEMENTED), 0);
    EXPECT_EQ(kernel.CheckSpecialExists(IE4_ActiveDesktop_EXISTS), 0);
    EXPECT_TRUE(kernel.ErrorText.empty());
    EXPECT_EQ(prefix.LogText(), "");
    EXPECT_EQ(kernel.CheckSpecialExists(7), 0);
    EXPECT_EQ(kernel.CheckSpecialExists(-1), 0);
    EXPECT_EQ(kernel.ErrorText, "SpecialExistsID #7 not found \nSpecialExistsID #-1 not found \n");
    EXPECT_NE(prefix.LogText().find("SpecialExistsID #7 not found \r\n"), std::string::npos);
}

}  // namespace
}  // namespace sl
