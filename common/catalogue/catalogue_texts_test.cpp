// Texts built from the tree: the ID list, the summary and the report.
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/catalogue/testing/catalogue_testing.h"

namespace sl {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testing::CatalogueFromText;
using testing::Check;
using testing::ProgramCatalogue;
using testing::Row;

const char kExplorerLine[] =
    " Windows File Explorer Settings (Folder Browsing Options (single/separate windows) & View "
    "Settings (Show/Hide files, etc.))\r\n";

std::string IdList(const ComponentCatalogue& catalogue) {
    std::string ids;
    catalogue.BuildIdList(ids);
    return ids;
}

std::string Summary(const ComponentCatalogue& catalogue) {
    std::string text;
    catalogue.BuildSummaryText(nullptr, text, 0);
    return text;
}

std::string Report(const ComponentCatalogue& catalogue, const std::string& list) {
    std::string text;
    catalogue.BuildReportList(list, nullptr, text, "", 0);
    return text;
}

TEST(IdListText, TypicalPresetGivesEveryIdButThreeInCatalogueOrder) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyPreset(0);
    EXPECT_EQ(IdList(*catalogue),
              "'1','2','3','57','4','5','7','41','8','9','51','10','11','12','13','14','15','16',"
              "'17','18','19','23','24','25','26','27','29','30','31','32','33','34','35','36','37',"
              "'39','40','42','43','44','47','45','48','49','46','50','52','53','54','58','59','60'");
}

TEST(IdListText, PartlyCheckedGroupsAreIncluded) {
    auto catalogue = ProgramCatalogue();
    Check(*catalogue, 10, kChecked);
    EXPECT_EQ(IdList(*catalogue), "'2','4','10'");
    catalogue->ClearChecks();
    EXPECT_EQ(IdList(*catalogue), "");
}

TEST(IdListText, RowsWithIdMinusOneAreLeftOut) {
    auto catalogue = CatalogueFromText("-1;Placeholder;0;-1;-1;x;t\n7;Seven;0;-1;7;x;t\n");
    catalogue->ApplyPreset(0);
    EXPECT_EQ(IdList(*catalogue), "'7'");
}

TEST(SummaryText, TypicalPresetStartsWithExplorerAndOffice) {
    auto catalogue = ProgramCatalogue();
    catalogue->ApplyPreset(0);
    const std::string text = Summary(*catalogue);
    EXPECT_THAT(text, StartsWith(std::string(kExplorerLine) +
                                 " Microsoft Office Settings\r\n"
                                 "     Microsoft Word Settings\r\n"
                                 "         Common Settings (" +
                                 Row(*catalogue, 10)->Description + ")\r\n"));
    EXPECT_THAT(text, HasSubstr(" Internet Settings\r\n"
                                "     Microsoft Internet Explorer Settings\r\n"
                                "         Main Settings ("));
    EXPECT_THAT(text, HasSubstr("         Active Desktop Settings (Active Desktop Settings)\r\n"));
    EXPECT_THAT(text, HasSubstr("     ICQ Settings\r\n         ICQ User Settings ("));
    EXPECT_THAT(text, Not(HasSubstr("Cache Files")));
    EXPECT_THAT(text, Not(HasSubstr("ICQ External Application")));
    EXPECT_THAT(text, Not(HasSubstr("Auto-Launch List")));
    std::size_t lines = 0;
    for (std::size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2) ++lines;
    EXPECT_EQ(lines, 52u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), lines);
}

TEST(SummaryText, OneComponentTwoLevelsDown) {
    auto catalogue = ProgramCatalogue();
    Check(*catalogue, 24, kChecked);
    EXPECT_EQ(Summary(*catalogue),
              " Internet Settings\r\n"
              "     Microsoft Internet Explorer Settings\r\n"
              "         Favorites (Favorite web sites and folders)\r\n");
    std::string sub;
    catalogue->BuildSummaryText(Row(*catalogue, 7), sub, 1);
    EXPECT_EQ(sub,
              "     Microsoft Internet Explorer Settings\r\n"
              "         Favorites (Favorite web sites and folders)\r\n");
}

TEST(SummaryText, UncheckedGroupWritesNothingWhateverIsBelowIt) {
    auto catalogue = ProgramCatalogue();
    catalogue->RowAt(6, 0)->CheckState = kChecked;  // changed without SetCheckState
    EXPECT_EQ(Summary(*catalogue), "");
}

TEST(ReportText, ComponentsUnderTheirGroupTitles) {
    auto catalogue = ProgramCatalogue();
    EXPECT_EQ(Report(*catalogue, "'23','25'"),
              " Internet Settings\r\n"
              "     Microsoft Internet Explorer Settings\r\n"
              "        * Main Settings (" + Row(*catalogue, 23)->Description + ")\r\n"
              "        * Security Settings (" + Row(*catalogue, 25)->Description + ")\r\n");
    // The library's form of the list reads alike.
    EXPECT_EQ(Report(*catalogue, "'25''23'"), Report(*catalogue, "'23','25'"));
}

TEST(ReportText, TopLevelComponentHasNoIndentation) {
    auto catalogue = ProgramCatalogue();
    EXPECT_EQ(Report(*catalogue, "'1'"), std::string("*") + kExplorerLine);
}

TEST(ReportText, NamedGroupWritesOnlyTheTitlesAboveIt) {
    auto catalogue = ProgramCatalogue();
    EXPECT_EQ(Report(*catalogue, "'8'"), " Internet Settings\r\n");
    EXPECT_EQ(Report(*catalogue, "'3'"), "");
    EXPECT_EQ(Report(*catalogue, "'8','9','31'"),
              " Internet Settings\r\n"
              "     Netscape 4.0x Settings\r\n"
              "        * Bookmarks (Bookmarked web sites and folders)\r\n");
}

TEST(ReportText, EmptyListWritesNothing) {
    auto catalogue = ProgramCatalogue();
    EXPECT_EQ(Report(*catalogue, ""), "");
}

TEST(ReportText, DeepTreesWriteEachGroupTitleOnce) {
    auto catalogue = CatalogueFromText(
        "1;Top;0;1;1;top;x\n"
        "2;MidA;1;2;2;mid a;x\n"
        "3;MidB;1;3;3;mid b;x\n"
        "4;LowA;2;4;4;low a;x\n"
        "5;LeafA;4;-1;5;a;x\n"
        "6;LeafB;3;-1;6;b;x\n");
    const std::string midB =
        "     MidB\r\n"
        "        * LeafB (b)\r\n";
    EXPECT_EQ(Report(*catalogue, "'5','6'"),
              " Top\r\n"
              "     MidA\r\n"
              "         LowA\r\n"
              "            * LeafA (a)\r\n" + midB);
    // A named group two levels down writes the titles above it once too.
    EXPECT_EQ(Report(*catalogue, "'4','6'"), " Top\r\n     MidA\r\n" + midB);
}

}  // namespace
}  // namespace sl
