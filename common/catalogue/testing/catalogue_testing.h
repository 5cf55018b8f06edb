// Helpers for the catalogue tests: catalogues from the program's text or a
// text of the test's own, and rows looked up by ID.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/catalogue/component_catalogue.h"

namespace sl::testing {

// The program's embedded catalogue, with notInstalled as the library's
// answer to the not-installed query.
std::unique_ptr<ComponentCatalogue> ProgramCatalogue(const std::string& notInstalled = "");

// A catalogue built from text, with nothing reported as not installed.
std::unique_ptr<ComponentCatalogue> CatalogueFromText(const std::string& text,
                                                      const std::string& notInstalled = "");

struct RowPlace {
    int menu = -1;
    int position = -1;
};

// Where the row with ItemID id is; {-1, -1} when there is none.
RowPlace Locate(const ComponentCatalogue& catalogue, int id);
// The row with ItemID id, or null.
const CatalogueItem* Row(const ComponentCatalogue& catalogue, int id);
// IDs of every row, menu by menu, in order.
std::vector<int> AllIds(const ComponentCatalogue& catalogue);
// IDs of the rows of one menu, in order.
std::vector<int> MenuIds(const ComponentCatalogue& catalogue, int menu);
// IDs of the rows whose check state is state, menu by menu.
std::vector<int> IdsWithState(const ComponentCatalogue& catalogue, int state);
// Sets the check state of the row with ItemID id through SetCheckState.
void Check(ComponentCatalogue& catalogue, int id, int state);

}  // namespace sl::testing
