// Row access and availability: which rows the user is offered, after the
// not-installed list or a backup folder's ID list has been applied.
#include "common/catalogue/component_catalogue.h"

namespace sl {

const ComponentCatalogue::Menu* ComponentCatalogue::MenuAt(int menu) const {
    return ValidMenu(menu) ? &menus_[static_cast<std::size_t>(menu)] : nullptr;
}

ComponentCatalogue::Menu* ComponentCatalogue::MenuAt(int menu) {
    return ValidMenu(menu) ? &menus_[static_cast<std::size_t>(menu)] : nullptr;
}

int ComponentCatalogue::RowCount(int menu) const {
    const Menu* rows = MenuAt(menu);
    return rows ? static_cast<int>(rows->size()) : 0;
}

CatalogueItem* ComponentCatalogue::RowAt(int menu, int position) {
    Menu* rows = MenuAt(menu);
    if (!rows || position < 0 || position >= static_cast<int>(rows->size())) return nullptr;
    return (*rows)[static_cast<std::size_t>(position)].get();
}

const CatalogueItem* ComponentCatalogue::RowAt(int menu, int position) const {
    return const_cast<ComponentCatalogue*>(this)->RowAt(menu, position);
}

int ComponentCatalogue::FindParentMenu(int menu) const {
    for (int m = 0; m < MenuCount(); ++m) {
        for (const auto& row : menus_[static_cast<std::size_t>(m)]) {
            if (row->SubMenuID == menu) return m;
        }
    }
    return -1;
}

void ComponentCatalogue::HideUninstalled() {
    Menu* top = MenuAt(0);
    if (!top) return;
    for (auto& row : *top) MarkAvailability(*row, 0);
}

int ComponentCatalogue::MarkAvailability(CatalogueItem& row) { return MarkAvailability(row, 0); }

int ComponentCatalogue::MarkAvailability(CatalogueItem& row, int depth) {
    if (!row.IsGroup()) return row.Available;
    int result = 1;
    if (row.Available == 1 && !TooDeep(depth)) {
        Menu* rows = MenuAt(row.SubMenuID);
        if (!rows || rows->empty()) {
            row.Available = 0;
        } else {
            for (auto& child : *rows) {
                if (child->Available == 0) {
                    if (child->IsGroup()) HideSubtree(child->SubMenuID, depth + 1);
                } else if (child->IsGroup()) {
                    if (MarkAvailability(*child, depth + 1) == 0) result = 0;
                } else {
                    result = 0;
                }
            }
            if (result == 1) row.Available = 0;
        }
    }
    if (row.Available == 0) HideSubtree(row.SubMenuID, depth);
    return result;
}

void ComponentCatalogue::HideSubtree(int menu) { HideSubtree(menu, 0); }

void ComponentCatalogue::HideSubtree(int menu, int depth) {
    Menu* rows = MenuAt(menu);
    if (!rows || TooDeep(depth)) return;
    for (auto& row : *rows) {
        if (row->IsGroup()) HideSubtree(row->SubMenuID, depth + 1);
        row->Available = 0;
    }
}

void ComponentCatalogue::RemoveHidden() {
    for (Menu& rows : menus_) {
        std::erase_if(rows, [](const std::unique_ptr<CatalogueItem>& row) {
            return row->Available == 0;
        });
    }
}

void ComponentCatalogue::ApplyIdList(const std::string& list, int flag) {
    for (Menu& rows : menus_) {
        for (auto& row : rows) {
            const bool found = list.find("'" + std::to_string(row->ItemID) + "'") != std::string::npos;
            if (found)
                row->Available = flag != 0 ? 1 : 0;
            else
                row->Available = flag != 0 ? 0 : 1;
        }
    }
}

void ComponentCatalogue::PropagateAvailability() {
    Menu* top = MenuAt(0);
    if (!top) return;
    for (auto& row : *top) Propagate(*row, 0);
}

int ComponentCatalogue::Propagate(CatalogueItem& row, int depth) {
    if (!row.IsGroup()) return row.Available == 1 ? 1 : 0;
    Menu* rows = MenuAt(row.SubMenuID);
    if (!rows || rows->empty() || TooDeep(depth)) return 0;
    int any = 0;
    for (auto& child : *rows) {
        if (child->IsGroup()) Propagate(*child, depth + 1);
        if (child->Available == 1) any = 1;
    }
    if (any == 1) row.Available = 1;
    return any;
}

}  // namespace sl
