#include "common/catalogue/testing/catalogue_testing.h"

#include <gtest/gtest.h>

namespace sl::testing {

std::unique_ptr<ComponentCatalogue> ProgramCatalogue(const std::string& notInstalled) {
    return std::make_unique<ComponentCatalogue>(
        kCatalogueMenus, [notInstalled](const char*) { return notInstalled; });
}

std::unique_ptr<ComponentCatalogue> CatalogueFromText(const std::string& text,
                                                      const std::string& notInstalled) {
    return std::make_unique<ComponentCatalogue>(
        kCatalogueMenus, [notInstalled](const char*) { return notInstalled; },
        [text] { return text; });
}

RowPlace Locate(const ComponentCatalogue& catalogue, int id) {
    for (int m = 0; m < catalogue.MenuCount(); ++m) {
        for (int i = 0; i < catalogue.RowCount(m); ++i) {
            if (catalogue.RowAt(m, i)->ItemID == id) return {m, i};
        }
    }
    return {};
}

const CatalogueItem* Row(const ComponentCatalogue& catalogue, int id) {
    RowPlace place = Locate(catalogue, id);
    return catalogue.RowAt(place.menu, place.position);
}

std::vector<int> MenuIds(const ComponentCatalogue& catalogue, int menu) {
    std::vector<int> ids;
    for (int i = 0; i < catalogue.RowCount(menu); ++i) ids.push_back(catalogue.RowAt(menu, i)->ItemID);
    return ids;
}

std::vector<int> AllIds(const ComponentCatalogue& catalogue) {
    std::vector<int> ids;
    for (int m = 0; m < catalogue.MenuCount(); ++m) {
        for (int id : MenuIds(catalogue, m)) ids.push_back(id);
    }
    return ids;
}

std::vector<int> IdsWithState(const ComponentCatalogue& catalogue, int state) {
    std::vector<int> ids;
    for (int m = 0; m < catalogue.MenuCount(); ++m) {
        for (int i = 0; i < catalogue.RowCount(m); ++i) {
            if (catalogue.RowAt(m, i)->CheckState == state) ids.push_back(catalogue.RowAt(m, i)->ItemID);
        }
    }
    return ids;
}

void Check(ComponentCatalogue& catalogue, int id, int state) {
    RowPlace place = Locate(catalogue, id);
    ASSERT_GE(place.menu, 0) << "no row " << id;
    ASSERT_TRUE(catalogue.SetCheckState(place.menu, place.position, state));
}

}  // namespace sl::testing
