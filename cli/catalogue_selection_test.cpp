#include "cli/catalogue_selection.h"

#include <gtest/gtest.h>

#include "cli/finish_report.h"

namespace sl::cli {
namespace {

TEST(CatalogueSelectionTest, NamedGroupChecksItsRowsAndMarksItsParents) {
    auto catalogue = MakeCatalogue({});
    std::vector<int> unknown;
    CheckIds(*catalogue, {4, 59, 999}, &unknown);
    EXPECT_EQ(unknown, std::vector<int>{999});
    // Office (2) and WinAmp (57) are partly checked groups and come along.
    EXPECT_EQ(SelectedIdList(*catalogue), "'2','57','4','10','11','12','59'");
}

TEST(CatalogueSelectionTest, CatalogueCutToAFolderOffersOnlyItsRows) {
    const std::string saved = "'58''10'";
    auto catalogue = MakeCatalogue([](const char*) { return std::string("'9'"); }, &saved);
    catalogue->ApplyPreset(1);
    EXPECT_EQ(SelectedIdList(*catalogue), "'2','57','4','10','58'");
    int menu = -1;
    int position = -1;
    EXPECT_FALSE(FindRow(*catalogue, 11, &menu, &position));
}

TEST(CatalogueSelectionTest, NamesCarryTheirGroups) {
    auto catalogue = MakeCatalogue({});
    EXPECT_EQ(ComponentName(*catalogue, 10), "Microsoft Office Settings / Microsoft Word Settings / Common Settings");
    EXPECT_EQ(ComponentName(*catalogue, 52), "Internet Settings / FTP Explorer / Common Settings");
    EXPECT_EQ(ComponentName(*catalogue, 1), "Windows File Explorer Settings");
    EXPECT_EQ(ComponentName(*catalogue, 28), "") << "the disabled row";
}

TEST(CatalogueSelectionTest, IdListsOfBothFormsGiveEachIdOnce) {
    EXPECT_EQ(IdsOf("'3''5''12''5'"), (std::vector<int>{3, 5, 12}));
    EXPECT_EQ(IdsOf("'3','5'"), (std::vector<int>{3, 5}));
    EXPECT_EQ(IdsOf("'x''7'"), std::vector<int>{7});
    EXPECT_TRUE(IdsOf("").empty());
}

TEST(FinishReportTest, ListsFailedComponentsUnderTheirGroupsOrUserAbort) {
    auto catalogue = MakeCatalogue({});
    const std::string report = FinishReport(*catalogue, "'23''25'", false);
    EXPECT_EQ(report.find("\r"), std::string::npos);
    EXPECT_EQ(report.rfind("Error(s) occured with the following components :\n", 0), 0u);
    EXPECT_NE(report.find(" Internet Settings\n     Microsoft Internet Explorer Settings\n"
                          "        * Main Settings ("),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("3. Ensure you have enough space"), std::string::npos);
    EXPECT_EQ(FinishReport(*catalogue, "'23'", true), "User Abort\n");
    EXPECT_EQ(FinishReport(*catalogue, "", false), "");
}

}  // namespace
}  // namespace sl::cli
