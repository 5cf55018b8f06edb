// Catalogue texts that break the rules: the offending rows are left out, the
// rest is kept, and no operation crashes or recurses without end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/catalogue/testing/catalogue_testing.h"

namespace sl {
namespace {

using ::testing::ElementsAre;
using testing::AllIds;
using testing::CatalogueFromText;
using testing::Row;

// Runs every tree operation once, as the wizard would.
void Exercise(ComponentCatalogue& catalogue) {
    catalogue.ApplyPreset(1);
    std::string ids, summary, report;
    catalogue.BuildIdList(ids);
    catalogue.BuildSummaryText(nullptr, summary, 0);
    catalogue.BuildReportList(ids, nullptr, report, "", 0);
    catalogue.ApplyIdList(ids, 1);
    catalogue.PropagateAvailability();
    catalogue.HideUninstalled();
    catalogue.RemoveHidden();
}

TEST(CatalogueValidation, MenuNumbersOutsideTheMenusAreRejected) {
    auto catalogue = CatalogueFromText(
        "1;Good;0;-1;1;x;t\n"
        "2;Menu 30;30;-1;2;x;t\n"
        "3;Negative menu;-1;-1;3;x;t\n"
        "4;Huge menu;65536;-1;4;x;t\n"
        "5;Opens 30;0;30;5;x;t\n"
        "6;Opens 65537;0;65537;6;x;t\n"
        "7;Opens -2;0;-2;7;x;t\n"
        "8;Last;0;-1;8;x;t\n");
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(1, 8));
    EXPECT_EQ(catalogue->RejectedRows(), 6);
    Exercise(*catalogue);
}

TEST(CatalogueValidation, SubMenuZeroOrAMissingColumnIsRejected) {
    auto catalogue = CatalogueFromText(
        "1;Opens the top;0;0;1;x;t\n"
        "2;No columns after the title;0\n"
        "3;Child of 1;0;-1;3;x;t\n");
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(3));
    EXPECT_EQ(catalogue->RejectedRows(), 2);
    Exercise(*catalogue);
}

TEST(CatalogueValidation, CyclesThroughSubMenusAreRejected) {
    auto catalogue = CatalogueFromText(
        "1;Group;0;1;1;x;t\n"
        "2;Opens 2;1;2;2;x;t\n"
        "3;Back to 1;2;1;3;x;t\n"
        "4;Opens itself;2;2;4;x;t\n"
        "5;Component;2;-1;5;x;t\n");
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(1, 2, 5));
    EXPECT_EQ(catalogue->RejectedRows(), 2);
    Exercise(*catalogue);
    EXPECT_EQ(Row(*catalogue, 1)->CheckState, kChecked);
}

TEST(CatalogueValidation, CycleThroughASecondOpenerIsRejected) {
    // Menu 2 is opened from menu 0 and from menu 1; a row of menu 2 may not
    // open menu 1 even though menu 2's first parent is menu 0.
    auto catalogue = CatalogueFromText(
        "1;A;0;1;1;x;t\n"
        "2;B;0;2;2;x;t\n"
        "3;B again;1;2;3;x;t\n"
        "4;Into 1;2;1;4;x;t\n"
        "5;Leaf;2;-1;5;x;t\n");
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(1, 2, 3, 5));
    EXPECT_EQ(catalogue->RejectedRows(), 1);
    Exercise(*catalogue);
}

TEST(CatalogueValidation, RowsBeforeTheirOpeningRowAreRejected) {
    auto catalogue = CatalogueFromText(
        "10;Early child;3;-1;10;x;t\n"
        "4;Word;0;3;4;x;t\n"
        "11;Child;3;-1;11;x;t\n"
        "12;Orphan;5;-1;12;x;t\n");
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(4, 11));
    EXPECT_EQ(catalogue->RejectedRows(), 2);
    Exercise(*catalogue);
}

TEST(CatalogueValidation, OperationsTolerateRowsChangedAfterLoading) {
    // Even a cycle put in by hand ends: every walk stops after as many levels
    // as there are menus.
    auto catalogue = CatalogueFromText("1;Group;0;1;1;x;t\n2;Group;1;2;2;x;t\n3;Leaf;2;-1;3;x;t\n");
    ASSERT_THAT(AllIds(*catalogue), ElementsAre(1, 2, 3));
    catalogue->RowAt(2, 0)->SubMenuID = 1;
    catalogue->RowAt(1, 0)->ParentMenu = 2;
    Exercise(*catalogue);
    EXPECT_FALSE(catalogue->SetCheckState(0, 5, kChecked));
    EXPECT_FALSE(catalogue->SetCheckState(31, 0, kChecked));
    EXPECT_FALSE(catalogue->SetCheckState(0, 0, 3));
    EXPECT_EQ(catalogue->AggregateState(-4), kUnchecked);
    catalogue->SetSubtreeState(77, kChecked);
    catalogue->RecomputeAncestors(-1, 300);
}

}  // namespace
}  // namespace sl
