#include "common/catalogue/check_list_model.h"

namespace sl {

void CheckListModel::Fill(const ComponentCatalogue& catalogue, int menu) {
    entries_.clear();
    menu_ = menu;
    for (int i = 0; i < catalogue.RowCount(menu); ++i) {
        const CatalogueItem* row = catalogue.RowAt(menu, i);
        if (row->Available != 1) continue;
        entries_.push_back(CheckListEntry{row->Title, row->CheckState, i});
    }
}

void CheckListModel::Clear() { entries_.clear(); }

void CheckListModel::Refresh(const ComponentCatalogue& catalogue) {
    for (CheckListEntry& entry : entries_) {
        if (const CatalogueItem* row = catalogue.RowAt(menu_, entry.RowPosition))
            entry.Check = row->CheckState;
    }
}

const CheckListEntry* CheckListModel::EntryAt(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return &entries_[static_cast<std::size_t>(index)];
}

bool CheckListModel::SetCheck(int index, int state) {
    if (index < 0 || index >= Count() || state < kUnchecked || state > kPartlyChecked)
        return false;
    entries_[static_cast<std::size_t>(index)].Check = state;
    return true;
}

bool CheckListModel::UserToggle(int index) {
    if (index < 0 || index >= Count()) return false;
    CheckListEntry& entry = entries_[static_cast<std::size_t>(index)];
    const int before = entry.Check;
    entry.Check = before == kUnchecked ? kChecked : kUnchecked;
    return entry.Check != before;
}

bool CheckListModel::Commit(ComponentCatalogue& catalogue, int index) {
    const CheckListEntry* entry = EntryAt(index);
    if (!entry) return false;
    if (!catalogue.SetCheckState(menu_, entry->RowPosition, entry->Check)) return false;
    Refresh(catalogue);
    return true;
}

}  // namespace sl
