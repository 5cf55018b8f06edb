#include "cli/catalogue_selection.h"

#include <algorithm>
#include <cstdlib>

namespace sl::cli {

std::unique_ptr<ComponentCatalogue> MakeCatalogue(const InstalledIDsQuery& query,
                                                  const std::string* limitTo) {
    auto catalogue = std::make_unique<ComponentCatalogue>(kCatalogueMenus, query);
    if (limitTo != nullptr) {
        catalogue->ApplyIdList(*limitTo, 1);
        catalogue->PropagateAvailability();
        catalogue->RemoveHidden();
    }
    return catalogue;
}

bool FindRow(const ComponentCatalogue& catalogue, int id, int* menu, int* position) {
    for (int m = 0; m < catalogue.MenuCount(); ++m) {
        for (int p = 0; p < catalogue.RowCount(m); ++p) {
            if (catalogue.RowAt(m, p)->ItemID == id) {
                *menu = m;
                *position = p;
                return true;
            }
        }
    }
    return false;
}

void CheckIds(ComponentCatalogue& catalogue, const std::vector<int>& ids,
              std::vector<int>* unknown) {
    for (int id : ids) {
        bool found = false;
        for (int m = 0; m < catalogue.MenuCount(); ++m) {
            for (int p = 0; p < catalogue.RowCount(m); ++p) {
                if (catalogue.RowAt(m, p)->ItemID == id) {
                    catalogue.SetCheckState(m, p, kChecked);
                    found = true;
                }
            }
        }
        if (!found) unknown->push_back(id);
    }
}

std::string SelectedIdList(const ComponentCatalogue& catalogue) {
    std::string list;
    catalogue.BuildIdList(list);
    return list;
}

std::string PlainTitle(const std::string& title) {
    std::size_t start = title.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : title.substr(start);
}

std::string ComponentName(const ComponentCatalogue& catalogue, int id) {
    int menu = -1;
    int position = -1;
    if (!FindRow(catalogue, id, &menu, &position)) return {};
    std::string name = PlainTitle(catalogue.RowAt(menu, position)->Title);
    // Walk up through the rows that open each menu; the menus form a tree,
    // so the walk ends within the number of menus.
    for (int guard = 0; menu > 0 && guard < catalogue.MenuCount(); ++guard) {
        const int parent = catalogue.FindParentMenu(menu);
        if (parent < 0) break;
        const CatalogueItem* opener = nullptr;
        for (int p = 0; p < catalogue.RowCount(parent); ++p) {
            if (catalogue.RowAt(parent, p)->SubMenuID == menu) {
                opener = catalogue.RowAt(parent, p);
                break;
            }
        }
        if (opener == nullptr) break;
        name = PlainTitle(opener->Title) + " / " + name;
        menu = parent;
    }
    return name;
}

std::vector<int> IdsOf(const std::string& idList) {
    std::vector<int> ids;
    std::size_t at = 0;
    while ((at = idList.find('\'', at)) != std::string::npos) {
        std::size_t end = idList.find('\'', at + 1);
        if (end == std::string::npos) break;
        const std::string token = idList.substr(at + 1, end - at - 1);
        at = end + 1;
        if (token.empty() || token.find_first_not_of("0123456789") != std::string::npos) continue;
        int id = std::atoi(token.c_str());
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    return ids;
}

}  // namespace sl::cli
