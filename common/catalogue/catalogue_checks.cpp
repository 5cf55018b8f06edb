// Check states: a group shows the combined state of the rows below it; a
// change to a row reaches everything below it and every group above it.
#include "common/catalogue/component_catalogue.h"

namespace sl {

void ComponentCatalogue::ClearChecks() {
    for (Menu& rows : menus_) {
        for (auto& row : rows) row->CheckState = kUnchecked;
    }
}

void ComponentCatalogue::ApplyPreset(int all) {
    ClearChecks();
    for (int m = 0; m < MenuCount(); ++m) {
        for (int i = 0; i < RowCount(m); ++i) {
            if (all != 0 || RowAt(m, i)->Typical == 1) SetCheckState(m, i, kChecked);
        }
    }
}

bool ComponentCatalogue::SetCheckState(int menu, int position, int state) {
    CatalogueItem* row = RowAt(menu, position);
    if (!row || state < kUnchecked || state > kPartlyChecked) return false;
    row->CheckState = state;
    if (row->IsGroup()) SetSubtreeState(row->SubMenuID, state, 1);
    if (row->ParentMenu >= 0) RecomputeAncestors(row->ParentMenu, row->MenuID, 1);
    return true;
}

void ComponentCatalogue::SetSubtreeState(int menu, int state) { SetSubtreeState(menu, state, 0); }

void ComponentCatalogue::SetSubtreeState(int menu, int state, int depth) {
    Menu* rows = MenuAt(menu);
    if (!rows || TooDeep(depth)) return;
    for (auto& row : *rows) {
        if (row->IsGroup()) SetSubtreeState(row->SubMenuID, state, depth + 1);
        row->CheckState = state;
    }
}

void ComponentCatalogue::RecomputeAncestors(int parentMenu, int menu) {
    RecomputeAncestors(parentMenu, menu, 0);
}

void ComponentCatalogue::RecomputeAncestors(int parentMenu, int menu, int depth) {
    Menu* rows = MenuAt(parentMenu);
    if (!rows || TooDeep(depth)) return;
    for (auto& row : *rows) {
        if (row->SubMenuID != menu) continue;
        row->CheckState = AggregateState(menu);
        if (row->ParentMenu >= 0) RecomputeAncestors(row->ParentMenu, row->MenuID, depth + 1);
    }
}

int ComponentCatalogue::AggregateState(int menu) const {
    const Menu* rows = MenuAt(menu);
    if (!rows || rows->empty()) return kUnchecked;
    std::size_t checked = 0;
    for (const auto& row : *rows) {
        if (row->CheckState == kPartlyChecked) return kPartlyChecked;
        if (row->CheckState == kChecked) ++checked;
    }
    if (checked == 0) return kUnchecked;
    return checked == rows->size() ? kChecked : kPartlyChecked;
}

}  // namespace sl
