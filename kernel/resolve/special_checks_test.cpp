// Version rules of the built-in installed checks.
#include <gtest/gtest.h>

#include "kernel/resolve/reg_key.h"
#include "kernel/resolve/special_checks.h"
#include "kernel/script/symbols.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

int Ie(std::string& errors, const std::string& version) {
    testing::SetString(platform::Current(), platform::kHkeyLocalMachine,
                       "Software\\Microsoft\\Internet Explorer", "Version", version);
    return CheckSpecialExists(IE4_EXISTS, errors);
}

int Netscape(std::string& errors, const std::string& version) {
    testing::SetString(platform::Current(), platform::kHkeyLocalMachine,
                       "SOFTWARE\\Netscape\\Netscape Navigator", "CurrentVersion", version);
    return CheckSpecialExists(NETSCAPE40_EXISTS, errors);
}

TEST(SpecialChecksTest, VersionPrefixesDecide) {
    testing::TempPrefix prefix;
    std::string errors;
    EXPECT_EQ(CheckSpecialExists(IE4_EXISTS, errors), 0);  // no key at all
    EXPECT_EQ(Ie(errors, "4.72.3110.0"), 1);
    EXPECT_EQ(Ie(errors, "4.0"), 1);
    EXPECT_EQ(Ie(errors, "4"), 0);
    EXPECT_EQ(Ie(errors, "5.00.2014.0216"), 0);
    EXPECT_EQ(Netscape(errors, "4.08"), 1);
    EXPECT_EQ(Netscape(errors, "4.0"), 1);
    EXPECT_EQ(Netscape(errors, "4.5"), 0);
    EXPECT_EQ(Netscape(errors, "40"), 0);
    EXPECT_TRUE(errors.empty());
}

TEST(SpecialChecksTest, NeverPresentChecksAndUnknownIds) {
    testing::TempPrefix prefix;
    std::string errors;
    testing::SetString(platform::Current(), platform::kHkeyLocalMachine,
                       "Software\\Microsoft\\Internet Explorer", "Version", "4.72");
    EXPECT_EQ(CheckSpecialExists(NOT_YET_IMPLEMENTED, errors), 0);
    EXPECT_EQ(CheckSpecialExists(IE4_ActiveDesktop_EXISTS, errors), 0);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(prefix.LogText(), "");
    EXPECT_EQ(CheckSpecialExists(7, errors), 0);
    EXPECT_EQ(CheckSpecialExists(-1, errors), 0);
    EXPECT_EQ(errors, "SpecialExistsID #7 not found \nSpecialExistsID #-1 not found \n");
    EXPECT_NE(prefix.LogText().find("SpecialExistsID #7 not found \r\n"), std::string::npos);
}

}  // namespace
}  // namespace sl
