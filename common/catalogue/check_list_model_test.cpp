// The check list of one menu: what it shows and how user toggles and program
// updates differ.
#include <gtest/gtest.h>

#include "common/catalogue/check_list_model.h"
#include "common/catalogue/testing/catalogue_testing.h"

namespace sl {
namespace {

using testing::ProgramCatalogue;
using testing::Row;

TEST(CheckList, ShowsTheMenuRowsInOrderWithTheirStates) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyPreset(0);
    CheckListModel list;
    list.Fill(*catalogue, 2);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.EntryAt(0)->Text, " Microsoft Internet Explorer Settings");
    EXPECT_EQ(list.EntryAt(2)->Text, " Netscape 4.0x Settings");
    EXPECT_EQ(list.EntryAt(2)->Check, kPartlyChecked);
    EXPECT_EQ(list.EntryAt(4)->Check, kChecked);
    EXPECT_EQ(list.EntryAt(5), nullptr);
    EXPECT_EQ(list.EntryAt(-1), nullptr);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(CheckList, HiddenRowsGetNoEntryAndKeepTheirPositions) {
    auto catalogue = ProgramCatalogue();
    catalogue->RowAt(2, 1)->Available = 0;
    CheckListModel list;
    list.Fill(*catalogue, 2);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.EntryAt(1)->Text, " Netscape 4.0x Settings");
    EXPECT_EQ(list.EntryAt(1)->RowPosition, 2);
    ASSERT_TRUE(list.UserToggle(1));
    ASSERT_TRUE(list.Commit(*catalogue, 1));
    EXPECT_EQ(Row(*catalogue, 8)->CheckState, kChecked);
    EXPECT_EQ(Row(*catalogue, 41)->CheckState, kUnchecked);
}

TEST(CheckList, UserTogglesBetweenTwoStatesOnly) {
    auto catalogue = ProgramCatalogue();
    CheckListModel list;
    list.Fill(*catalogue, 0);
    ASSERT_TRUE(list.UserToggle(0));
    EXPECT_EQ(list.EntryAt(0)->Check, kChecked);
    ASSERT_TRUE(list.UserToggle(0));
    EXPECT_EQ(list.EntryAt(0)->Check, kUnchecked);
    ASSERT_TRUE(list.SetCheck(0, kPartlyChecked));  // only the program sets this
    ASSERT_TRUE(list.UserToggle(0));
    EXPECT_EQ(list.EntryAt(0)->Check, kUnchecked);
    EXPECT_FALSE(list.UserToggle(4));
    EXPECT_FALSE(list.SetCheck(0, 3));
    EXPECT_FALSE(list.SetCheck(9, kChecked));
}

TEST(CheckList, TogglingAPartlyCheckedGroupUnchecksEverythingBelow) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyPreset(0);
    CheckListModel list;
    list.Fill(*catalogue, 0);
    ASSERT_EQ(list.EntryAt(2)->Check, kPartlyChecked);  // Internet Settings
    ASSERT_TRUE(list.UserToggle(2));
    ASSERT_TRUE(list.Commit(*catalogue, 2));
    EXPECT_EQ(list.EntryAt(2)->Check, kUnchecked);
    for (int id : {3, 7, 24, 41, 8, 31, 9, 54, 51, 53})
        EXPECT_EQ(Row(*catalogue, id)->CheckState, kUnchecked) << id;
    EXPECT_EQ(Row(*catalogue, 1)->CheckState, kChecked);
}

TEST(CheckList, CommitShowsTheCombinedStateOfTheGroups) {
    // A change made in a "Details" list reaches the group's entry one level up.
    auto catalogue = ProgramCatalogue();
    CheckListModel top;
    top.Fill(*catalogue, 1);
    CheckListModel details;
    details.Fill(*catalogue, 3);
    ASSERT_TRUE(details.UserToggle(0));
    ASSERT_TRUE(details.Commit(*catalogue, 0));
    top.Refresh(*catalogue);
    EXPECT_EQ(top.EntryAt(0)->Check, kPartlyChecked);
    for (int i = 1; i < details.Count(); ++i) {
        ASSERT_TRUE(details.UserToggle(i));
        ASSERT_TRUE(details.Commit(*catalogue, i));
    }
    top.Refresh(*catalogue);
    EXPECT_EQ(top.EntryAt(0)->Check, kChecked);
    EXPECT_EQ(Row(*catalogue, 2)->CheckState, kPartlyChecked);
    EXPECT_FALSE(details.Commit(*catalogue, 7));
}

}  // namespace
}  // namespace sl
