// What the selection page's check list shows and how it reacts to the user,
// without any toolkit: one entry per available row of one menu, in catalogue
// order, each with the row's title and check state. A front end draws the
// entries and forwards clicks and the space bar to UserToggle.
#pragma once

#include <string>
#include <vector>

#include "common/catalogue/component_catalogue.h"

namespace sl {

struct CheckListEntry {
    std::string Text;   // the row's Title, leading blank included
    int Check = kUnchecked;
    int RowPosition = 0;  // the row's position in its menu
};

class CheckListModel {
public:
    // Empties the list and adds an entry for every row of menu whose
    // Available is 1, showing the row's check state.
    void Fill(const ComponentCatalogue& catalogue, int menu);
    // Removes every entry.
    void Clear();
    // Shows the rows' current check states again (after a change that may
    // have reached other entries, such as a group's combined state).
    void Refresh(const ComponentCatalogue& catalogue);

    int Menu() const { return menu_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    // Null for an index out of range.
    const CheckListEntry* EntryAt(int index) const;

    // The program's way: puts any of the three states on an entry. Returns
    // false for a bad index or a state other than 0, 1 or 2.
    bool SetCheck(int index, int state);
    // The user's way (click on the box, space bar): unchecked becomes
    // checked; checked and partly checked become unchecked. Returns whether
    // the entry's check changed (false for a bad index).
    bool UserToggle(int index);
    // Carries the entry's check into the catalogue with SetCheckState and
    // shows the resulting states. Returns false for a bad index.
    bool Commit(ComponentCatalogue& catalogue, int index);

private:
    int menu_ = 0;
    std::vector<CheckListEntry> entries_;
};

}  // namespace sl
