// Check states: presets, and how a change travels down and up the tree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/catalogue/testing/catalogue_testing.h"

namespace sl {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::AllIds;
using testing::Check;
using testing::IdsWithState;
using testing::ProgramCatalogue;
using testing::Row;

TEST(Presets, TypicalWithEverythingInstalled) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyPreset(0);
    EXPECT_THAT(IdsWithState(*catalogue, kUnchecked), ElementsAre(38, 55, 56));
    EXPECT_THAT(IdsWithState(*catalogue, kPartlyChecked), ElementsAre(3, 8, 9));
    EXPECT_EQ(IdsWithState(*catalogue, kChecked).size(), 49u);
    // Rows that are not typical themselves are checked by their typical group.
    EXPECT_EQ(Row(*catalogue, 10)->CheckState, kChecked);
    EXPECT_EQ(Row(*catalogue, 59)->CheckState, kChecked);
    EXPECT_EQ(Row(*catalogue, 2)->CheckState, kChecked);
}

TEST(Presets, AllChecksEverythingAndPresetsStartFromClear) {
    auto catalogue = ProgramCatalogue();
    Check(*catalogue, 38, kChecked);
    catalogue->ApplyPreset(0);
    EXPECT_EQ(Row(*catalogue, 38)->CheckState, kUnchecked);
    catalogue->ApplyPreset(1);
    EXPECT_EQ(IdsWithState(*catalogue, kChecked).size(), 55u);
    catalogue->ClearChecks();
    EXPECT_EQ(IdsWithState(*catalogue, kUnchecked).size(), 55u);
}

TEST(Presets, TypicalWithoutNetscapeAndIcqRows) {
    auto catalogue = ProgramCatalogue("'38','55','56'");
    catalogue->ApplyPreset(0);
    EXPECT_THAT(IdsWithState(*catalogue, kUnchecked), IsEmpty());
    EXPECT_THAT(IdsWithState(*catalogue, kPartlyChecked), IsEmpty());
}

TEST(CheckStates, GroupCheckAndUncheckReachEveryRowBelow) {
    auto catalogue = ProgramCatalogue();
    Check(*catalogue, 1, kChecked);
    Check(*catalogue, 10, kChecked);
    Check(*catalogue, 24, kChecked);
    ASSERT_EQ(Row(*catalogue, 7)->CheckState, kPartlyChecked);
    Check(*catalogue, 3, kChecked);  // partly checked group checked by the program
    for (int id : {3, 7, 23, 30, 41, 42, 50, 8, 38, 9, 56, 51, 53})
        EXPECT_EQ(Row(*catalogue, id)->CheckState, kChecked) << id;
    Check(*catalogue, 3, kUnchecked);
    for (int id : {3, 7, 24, 41, 8, 38, 9, 51, 53})
        EXPECT_EQ(Row(*catalogue, id)->CheckState, kUnchecked) << id;
    // Rows beside it are not touched.
    EXPECT_THAT(IdsWithState(*catalogue, kChecked), ElementsAre(1, 10));
    EXPECT_THAT(IdsWithState(*catalogue, kPartlyChecked), ElementsAre(2, 4));
}

TEST(CheckStates, ChangesAreCarriedUpToEveryGroupAbove) {
    auto catalogue = ProgramCatalogue();
    Check(*catalogue, 24, kChecked);
    EXPECT_EQ(Row(*catalogue, 7)->CheckState, kPartlyChecked);
    EXPECT_EQ(Row(*catalogue, 3)->CheckState, kPartlyChecked);
    EXPECT_EQ(Row(*catalogue, 2)->CheckState, kUnchecked);

    // Unchecking the only checked row clears the groups above it.
    Check(*catalogue, 24, kUnchecked);
    EXPECT_EQ(Row(*catalogue, 7)->CheckState, kUnchecked);
    EXPECT_EQ(Row(*catalogue, 3)->CheckState, kUnchecked);

    // All rows checked one by one: the group becomes checked, its parent
    // follows its siblings.
    for (int id : {10, 11, 12}) Check(*catalogue, id, kChecked);
    EXPECT_EQ(Row(*catalogue, 4)->CheckState, kChecked);
    EXPECT_EQ(Row(*catalogue, 2)->CheckState, kPartlyChecked);
    for (int id : {13, 14, 15, 16, 17, 18, 19}) Check(*catalogue, id, kChecked);
    EXPECT_EQ(Row(*catalogue, 5)->CheckState, kChecked);
    EXPECT_EQ(Row(*catalogue, 2)->CheckState, kChecked);
}

TEST(CheckStates, PartlyCheckedRowMakesTheMenuPartlyChecked) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyPreset(1);
    EXPECT_EQ(catalogue->AggregateState(2), kChecked);
    catalogue->RowAt(2, 3)->CheckState = kPartlyChecked;
    EXPECT_EQ(catalogue->AggregateState(2), kPartlyChecked);
    for (int i = 0; i < catalogue->RowCount(2); ++i) catalogue->RowAt(2, i)->CheckState = kUnchecked;
    catalogue->RowAt(2, 4)->CheckState = kPartlyChecked;
    EXPECT_EQ(catalogue->AggregateState(2), kPartlyChecked);
    EXPECT_EQ(catalogue->AggregateState(12), kUnchecked);  // empty menu
}

TEST(CheckStates, RecomputeAncestorsOnlyTouchesTheOpeningRows) {
    auto catalogue = ProgramCatalogue();
    for (int i = 0; i < catalogue->RowCount(7); ++i) catalogue->RowAt(7, i)->CheckState = kChecked;
    catalogue->RecomputeAncestors(2, 7);
    EXPECT_EQ(Row(*catalogue, 8)->CheckState, kChecked);
    EXPECT_EQ(Row(*catalogue, 3)->CheckState, kPartlyChecked);
    EXPECT_EQ(Row(*catalogue, 7)->CheckState, kUnchecked);
    catalogue->SetSubtreeState(2, kChecked);
    EXPECT_EQ(Row(*catalogue, 56)->CheckState, kChecked);
    EXPECT_EQ(Row(*catalogue, 3)->CheckState, kPartlyChecked);  // the opener is not part of it
}

}  // namespace
}  // namespace sl
