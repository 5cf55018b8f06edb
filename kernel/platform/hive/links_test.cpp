#include "kernel/platform/hive/links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/platform/hive/hive_tree.h"

namespace sl::platform::hive {
namespace {

using Names = std::vector<std::u16string>;

// A link key whose SymbolicLinkValue holds text (UTF-16LE) of type type.
class LinkKeyTest : public ::testing::Test {
protected:
    const HiveKey& LinkTo(std::u16string_view text, DWORD type = kRegLink) {
        ++made_;
        HiveKey* key = tree_.CreateSubkey(tree_.root(), Name(), nullptr, 0);
        key->link = true;
        std::string data;
        for (char16_t u : text) {
            data.push_back(static_cast<char>(u & 0xFF));
            data.push_back(static_cast<char>(u >> 8));
        }
        tree_.SetValue(*key, u"SymbolicLinkValue", type, data, 0);
        return *key;
    }
    std::u16string Name() { return std::u16string(u"Link") + static_cast<char16_t>(u'A' + made_); }

    HiveTree tree_;
    int made_ = 0;
};

TEST_F(LinkKeyTest, NamesAPlaceBelowTheMachineOrAUser) {
    LinkPlace place;
    ASSERT_TRUE(ReadLinkPlace(LinkTo(u"\\Registry\\Machine\\Software\\Classes"), &place));
    EXPECT_EQ(place.root, LinkPlace::Root::Machine);
    EXPECT_EQ(place.path, (Names{u"Software", u"Classes"}));

    // Names compare without regard to case; trailing zeros do not count.
    ASSERT_TRUE(ReadLinkPlace(LinkTo(std::u16string(u"\\REGISTRY\\user\\S-1-5-21-1\\Env") + u'\0'),
                              &place));
    EXPECT_EQ(place.root, LinkPlace::Root::User);
    EXPECT_EQ(place.user, u"S-1-5-21-1");
    EXPECT_EQ(place.path, (Names{u"Env"}));

    ASSERT_TRUE(ReadLinkPlace(LinkTo(u"\\Registry\\Machine"), &place));
    EXPECT_TRUE(place.path.empty());
}

TEST_F(LinkKeyTest, AnythingElseNamesNoPlace) {
    LinkPlace place;
    EXPECT_FALSE(ReadLinkPlace(LinkTo(u"\\Registry\\Machine\\Software", kRegSz), &place));
    EXPECT_FALSE(ReadLinkPlace(LinkTo(u"\\Registry\\Other\\Software"), &place));
    EXPECT_FALSE(ReadLinkPlace(LinkTo(u"\\Registry\\User"), &place));
    EXPECT_FALSE(ReadLinkPlace(LinkTo(u"\\Registry"), &place));
    EXPECT_FALSE(ReadLinkPlace(LinkTo(u"\\Machine\\Software"), &place));
    EXPECT_FALSE(ReadLinkPlace(tree_.root(), &place));  // no value at all
}

TEST(SplitKeyPath, LeavesOutEmptyElements) {
    EXPECT_EQ(SplitKeyPath(u"\\a\\\\b\\"), (Names{u"a", u"b"}));
    EXPECT_TRUE(SplitKeyPath(u"").empty());
}

}  // namespace
}  // namespace sl::platform::hive
