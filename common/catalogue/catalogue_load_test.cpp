// Loading: the program's own catalogue text and the field rules of a row.
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/catalogue/program_resources.h"
#include "common/catalogue/testing/catalogue_testing.h"

namespace sl {
namespace {

using ::testing::ElementsAre;
using testing::AllIds;
using testing::CatalogueFromText;
using testing::MenuIds;
using testing::ProgramCatalogue;
using testing::Row;

TEST(CatalogueLoad, ProgramTextHasTheRowsOfEveryMenuInOrder) {
    auto catalogue = ProgramCatalogue();
    ASSERT_EQ(catalogue->MenuCount(), 30);
    EXPECT_EQ(catalogue->RejectedRows(), 0);
    EXPECT_EQ(AllIds(*catalogue).size(), 55u);
    EXPECT_THAT(MenuIds(*catalogue, 0), ElementsAre(1, 2, 3, 57));
    EXPECT_THAT(MenuIds(*catalogue, 1), ElementsAre(4, 5));
    EXPECT_THAT(MenuIds(*catalogue, 2), ElementsAre(7, 41, 8, 9, 51));
    EXPECT_THAT(MenuIds(*catalogue, 3), ElementsAre(10, 11, 12));
    EXPECT_THAT(MenuIds(*catalogue, 4), ElementsAre(13, 14, 15, 16, 17, 18, 19));
    EXPECT_THAT(MenuIds(*catalogue, 6), ElementsAre(23, 24, 25, 26, 27, 29, 30));
    EXPECT_THAT(MenuIds(*catalogue, 7), ElementsAre(31, 32, 33, 34, 35, 36, 37, 38, 39, 40));
    EXPECT_THAT(MenuIds(*catalogue, 8), ElementsAre(42, 43, 44, 47, 45, 48, 49, 46, 50));
    EXPECT_THAT(MenuIds(*catalogue, 9), ElementsAre(52, 53));
    EXPECT_THAT(MenuIds(*catalogue, 10), ElementsAre(54, 55, 56));
    EXPECT_THAT(MenuIds(*catalogue, 11), ElementsAre(58, 59, 60));
    EXPECT_EQ(catalogue->RowCount(5), 0);
    for (int m = 12; m < 30; ++m) EXPECT_EQ(catalogue->RowCount(m), 0) << m;
}

TEST(CatalogueLoad, ProgramTextGroupsTitlesAndTypicalMarks) {
    auto catalogue = ProgramCatalogue();
    const std::vector<std::pair<int, int>> groups = {{2, 1}, {3, 2},  {57, 11}, {4, 3}, {5, 4},
                                                     {7, 6}, {41, 8}, {8, 7},   {9, 10}, {51, 9}};
    for (auto [id, sub] : groups) EXPECT_EQ(Row(*catalogue, id)->SubMenuID, sub) << id;
    EXPECT_EQ(Row(*catalogue, 10)->SubMenuID, -1);

    // Titles carry exactly one leading blank, spelled as written.
    EXPECT_EQ(Row(*catalogue, 1)->Title, " Windows File Explorer Settings");
    EXPECT_EQ(Row(*catalogue, 13)->Title, " Custom Menus, Commands & Toolbars");
    EXPECT_EQ(Row(*catalogue, 45)->Title, " Newsgoup Settings and Filters");
    EXPECT_EQ(Row(*catalogue, 48)->Title, " Newsgroup Lists and Subsciptions");
    EXPECT_EQ(Row(*catalogue, 50)->Title, " Mail/News Column Settings");
    for (int id : AllIds(*catalogue)) {
        const std::string& title = Row(*catalogue, id)->Title;
        ASSERT_GE(title.size(), 2u);
        EXPECT_EQ(title[0], ' ');
        EXPECT_NE(title[1], ' ') << id;
        EXPECT_FALSE(Row(*catalogue, id)->Description.empty()) << id;
    }

    std::vector<int> typical;
    for (int id : AllIds(*catalogue)) {
        if (Row(*catalogue, id)->Typical) typical.push_back(id);
    }
    EXPECT_THAT(typical, ElementsAre(1, 57, 4, 5, 7, 41, 51, 31, 32, 33, 34, 35, 36, 37, 39, 40, 54));
}

TEST(CatalogueLoad, ProgramTextDescriptionsAndInstructionIds) {
    auto catalogue = ProgramCatalogue();
    EXPECT_EQ(Row(*catalogue, 1)->Description,
              "Folder Browsing Options (single/separate windows) & View Settings (Show/Hide files, etc.)");
    EXPECT_EQ(Row(*catalogue, 2)->Description,
              "Microsoft Word, Microsoft Excel, Microsoft Powerpoint and Microsoft Access");
    EXPECT_EQ(Row(*catalogue, 38)->Description,
              "Saved internet cache files (Warning: May take up a lot of space)");
    EXPECT_EQ(Row(*catalogue, 47)->Description,
              "Mail folders and messages (may delete current messages even if not selected)");
    EXPECT_EQ(Row(*catalogue, 48)->Description,
              "Newsgroup lists and subsciptions (may delete current subscriptions even if not selected)");
    EXPECT_EQ(Row(*catalogue, 49)->Description,
              "Newsgroup messages (may delete current messages even if not selected)");
    EXPECT_EQ(Row(*catalogue, 54)->Description,
              "ICQ registered users (UINs), contact-lists and UIN settings");
    EXPECT_EQ(Row(*catalogue, 58)->Description, "WinAmp visual settings and player preferences");
    EXPECT_EQ(Row(*catalogue, 26)->Description, "Active Desktop Settings");
    // The WinAmp rows write 57 to 59 in column 5; their own IDs still count.
    EXPECT_EQ(Row(*catalogue, 58)->ItemID, 58);
    EXPECT_EQ(Row(*catalogue, 60)->ItemID, 60);
    EXPECT_EQ(Row(*catalogue, 28), nullptr);
}

TEST(CatalogueLoad, ParentMenusAndStartState) {
    auto catalogue = ProgramCatalogue();
    EXPECT_EQ(Row(*catalogue, 1)->ParentMenu, -1);
    EXPECT_EQ(Row(*catalogue, 4)->ParentMenu, 0);
    EXPECT_EQ(Row(*catalogue, 10)->ParentMenu, 1);
    EXPECT_EQ(Row(*catalogue, 54)->ParentMenu, 2);
    EXPECT_EQ(catalogue->FindParentMenu(6), 2);
    EXPECT_EQ(catalogue->FindParentMenu(0), -1);
    EXPECT_EQ(catalogue->FindParentMenu(12), -1);
    for (int id : AllIds(*catalogue)) {
        EXPECT_EQ(Row(*catalogue, id)->CheckState, kUnchecked);
        EXPECT_EQ(Row(*catalogue, id)->Available, 1);
    }
}

TEST(CatalogueLoad, EmbeddedResourceIsTheTextByteForByte) {
    std::ifstream file(SL_CATALOGUE_TEXT_PATH, std::ios::binary);
    ASSERT_TRUE(file);
    std::stringstream bytes;
    bytes << file.rdbuf();
    std::string text;
    ASSERT_EQ(LoadResourceText(ProgramResources(), text, 129, "Text"), 1);
    EXPECT_EQ(text, bytes.str());
    EXPECT_EQ(LoadResourceText(ProgramResources(), text, 129, "Bin"), 0);
    EXPECT_EQ(LoadProgramCatalogueText(), bytes.str());
}

TEST(CatalogueLoad, AsksTheLibraryOnceWithTheEmptyFilter) {
    std::vector<std::string> filters;
    ComponentCatalogue catalogue(kCatalogueMenus, [&](const char* filter) {
        filters.emplace_back(filter);
        return std::string();
    });
    EXPECT_THAT(filters, ElementsAre(""));
    EXPECT_EQ(AllIds(catalogue).size(), 55u);
}

TEST(CatalogueRows, CommentsDisabledRowsAndLineBreaks) {
    auto catalogue = CatalogueFromText(
        "// comment\r\n\r\n\n"
        "1;One;0;-1;1;First;t\r\r\n"
        "//28;Disabled;0;-1;28;Gone;t\n"
        "2/;Second character is a slash;0;-1;2;x;t\n"
        "/3;Leading slash;0;-1;3;x;t\n"
        "4;Four;0;-1;4;Fourth;t");
    EXPECT_THAT(AllIds(*catalogue), ElementsAre(1, 4));
    EXPECT_EQ(catalogue->RejectedRows(), 0);
}

TEST(CatalogueRows, FieldsAreTrimmedAndTypicalIsExactlyLowerT) {
    auto catalogue = CatalogueFromText(
        " 1 ;  Spaced title\t; 0 ; -1 ; 99 ;  Spaced description  ; t ;ignored;more\n"
        "2;Six columns;0;-1;2;No mark\n"
        "3;Upper case;0;-1;3;Upper T;T\n"
        "4;Word;0;-1;4;Not t;typical\n"
        "5;No description;0;-1\n");
    ASSERT_EQ(AllIds(*catalogue).size(), 5u);
    const CatalogueItem* first = catalogue->RowAt(0, 0);
    EXPECT_EQ(first->ItemID, 1);
    EXPECT_EQ(first->Title, " Spaced title");
    EXPECT_EQ(first->Description, "Spaced description");
    EXPECT_EQ(first->Typical, 1);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(catalogue->RowAt(0, i)->Typical, 0) << i;
    EXPECT_EQ(catalogue->RowAt(0, 4)->Description, "");
}

TEST(CatalogueRows, NoTextGivesAnEmptyCatalogue) {
    auto catalogue = CatalogueFromText("");
    EXPECT_TRUE(AllIds(*catalogue).empty());
    std::string ids;
    catalogue->BuildIdList(ids);
    EXPECT_EQ(ids, "");
    ComponentCatalogue none(0, {}, [] { return std::string("1;One;0;-1;1;x;t\n"); });
    EXPECT_EQ(none.MenuCount(), 0);
    EXPECT_EQ(none.RowCount(0), 0);
    EXPECT_EQ(none.RowAt(0, 0), nullptr);
}

}  // namespace
}  // namespace sl
