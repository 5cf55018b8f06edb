// Availability: rows dropped for applications that are not installed, and the
// tree cut down to an ID list for a restore or unrestore.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/catalogue/testing/catalogue_testing.h"

namespace sl {
namespace {

using ::testing::ElementsAre;
using testing::AllIds;
using testing::CatalogueFromText;
using testing::MenuIds;
using testing::ProgramCatalogue;
using testing::Row;

TEST(NotInstalled, EmptyListHidesNothing) {
    EXPECT_EQ(AllIds(*ProgramCatalogue("")).size(), 55u);
}

TEST(NotInstalled, AllRowsOfAGroupDropTheGroup) {
    auto catalogue = ProgramCatalogue("'54''55''56'");
    EXPECT_EQ(Row(*catalogue, 9), nullptr);
    EXPECT_EQ(catalogue->RowCount(10), 0);
    EXPECT_THAT(MenuIds(*catalogue, 2), ElementsAre(7, 41, 8, 51));
    EXPECT_EQ(AllIds(*catalogue).size(), 51u);
}

TEST(NotInstalled, GroupAloneDropsItsRowsEvenWhenTheyAreInstalled) {
    auto catalogue = ProgramCatalogue("'9'");
    EXPECT_EQ(Row(*catalogue, 9), nullptr);
    for (int id : {54, 55, 56}) EXPECT_EQ(Row(*catalogue, id), nullptr) << id;
    EXPECT_EQ(AllIds(*catalogue).size(), 51u);

    // A group two levels up takes its whole subtree along.
    auto office = ProgramCatalogue("'2'");
    EXPECT_THAT(MenuIds(*office, 0), ElementsAre(1, 3, 57));
    for (int m : {1, 3, 4}) EXPECT_EQ(office->RowCount(m), 0) << m;
}

TEST(NotInstalled, SomeRowsMissingKeepsTheGroup) {
    auto catalogue = ProgramCatalogue("'38','55'");
    EXPECT_THAT(MenuIds(*catalogue, 7), ElementsAre(31, 32, 33, 34, 35, 36, 37, 39, 40));
    EXPECT_THAT(MenuIds(*catalogue, 10), ElementsAre(54, 56));
    EXPECT_NE(Row(*catalogue, 9), nullptr);
}

TEST(NotInstalled, EmptiedGroupsCascadeUpwards) {
    // Every Word and Excel row missing: both groups go, and so does Office.
    auto catalogue = ProgramCatalogue("'10''11''12''13''14''15''16''17''18''19'");
    EXPECT_THAT(MenuIds(*catalogue, 0), ElementsAre(1, 3, 57));
    EXPECT_EQ(catalogue->RowCount(1), 0);
}

TEST(NotInstalled, TokenMatchIsExactAndUsesTheWrittenId) {
    // '1' is not found in '11' or '21'; the text of column 1 is what is matched.
    auto catalogue = ProgramCatalogue("'11','21'");
    EXPECT_NE(Row(*catalogue, 1), nullptr);
    EXPECT_EQ(Row(*catalogue, 11), nullptr);
    auto padded = CatalogueFromText("007;Seven;0;-1;7;x;t\n8;Eight;0;-1;8;x;t\n", "'7'");
    EXPECT_THAT(AllIds(*padded), ElementsAre(7, 8));
    auto written = CatalogueFromText("007;Seven;0;-1;7;x;t\n8;Eight;0;-1;8;x;t\n", "'007'");
    EXPECT_THAT(AllIds(*written), ElementsAre(8));
}

TEST(NotInstalled, GroupWithoutRowsIsDropped) {
    auto catalogue = CatalogueFromText("1;Empty group;0;5;1;x;t\n2;Component;0;-1;2;x;t\n");
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(2));
}

TEST(IdListFilter, OneComponentKeepsItsGroupsOnly) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyIdList("'10'", 1);
    catalogue->PropagateAvailability();
    catalogue->RemoveHidden();
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(2, 4, 10));
    EXPECT_THAT(MenuIds(*catalogue, 0), ElementsAre(2));
    EXPECT_THAT(MenuIds(*catalogue, 1), ElementsAre(4));
    EXPECT_THAT(MenuIds(*catalogue, 3), ElementsAre(10));
}

TEST(IdListFilter, NamedGroupStaysWithoutItsRows) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyIdList("'3','8','24'", 1);
    catalogue->PropagateAvailability();
    catalogue->RemoveHidden();
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(3, 7, 8, 24));
}

TEST(IdListFilter, FlagZeroHidesTheNamedRows) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyIdList("'1','38'", 0);
    EXPECT_EQ(Row(*catalogue, 1)->Available, 0);
    EXPECT_EQ(Row(*catalogue, 38)->Available, 0);
    EXPECT_EQ(Row(*catalogue, 39)->Available, 1);
    catalogue->RemoveHidden();
    EXPECT_EQ(AllIds(*catalogue).size(), 53u);
}

TEST(IdListFilter, EmptyListWithFlagLeavesNothing) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyIdList("", 1);
    catalogue->PropagateAvailability();
    catalogue->RemoveHidden();
    EXPECT_TRUE(AllIds(*catalogue).empty());
}

TEST(HideSubtree, HidesEveryRowBelowAMenu) {
    auto catalogue = ProgramCatalogue();
    catalogue->HideSubtree(1);
    for (int id : {4, 5, 10, 12, 13, 19}) EXPECT_EQ(Row(*catalogue, id)->Available, 0) << id;
    EXPECT_EQ(Row(*catalogue, 2)->Available, 1);
    EXPECT_EQ(Row(*catalogue, 7)->Available, 1);
    catalogue->HideSubtree(99);  // no such menu: nothing happens
    catalogue->HideSubtree(-1);
    EXPECT_EQ(Row(*catalogue, 7)->Available, 1);
}

}  // namespace
}  // namespace sl
