// The component catalogue: the tree of numbered menus of rows that the user
// picks components from, its availability (what is installed, what a backup
// folder holds), its check states and the texts built from them.
//
// Menus are addressed by number (0 is the top level) and rows by their
// position in a menu. Every operation accepts any menu number or position:
// one that does not exist reads as an empty menu or no row, and nothing is
// changed. No operation fails, throws or recurses deeper than the number of
// menus.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/catalogue/catalogue_item.h"

namespace sl {

// The library's not-installed query (the export SL_GetInstalledIDsN): given a
// filter ID list, returns the ID list of the components whose application is
// not installed. The catalogue calls it once, with the empty filter "".
using InstalledIDsQuery = std::function<std::string(const char* filter)>;

// Supplies the catalogue text; an empty text gives an empty catalogue.
using CatalogueTextSource = std::function<std::string()>;

// Number of menus of the program's catalogue.
inline constexpr int kCatalogueMenus = 30;

class ComponentCatalogue {
public:
    // Creates menuCount empty menus (clamped to 0..30; the program passes 30)
    // and loads the catalogue: asks query("") for the not-installed list (an
    // empty query function means nothing is missing), reads the text from
    // source (by default the program's resource "Text" 129), adds every valid
    // row, then HideUninstalled and RemoveHidden. Rows that break the
    // catalogue's rules are left out (see LoadRow); the others are kept.
    explicit ComponentCatalogue(int menuCount, InstalledIDsQuery query = {},
                                CatalogueTextSource source = {});
    virtual ~ComponentCatalogue();

    ComponentCatalogue(const ComponentCatalogue&) = delete;
    ComponentCatalogue& operator=(const ComponentCatalogue&) = delete;

    // --- rows -------------------------------------------------------------
    int MenuCount() const { return static_cast<int>(menus_.size()); }
    int RowCount(int menu) const;
    CatalogueItem* RowAt(int menu, int position);
    const CatalogueItem* RowAt(int menu, int position) const;
    // Rows the loader left out because they broke the catalogue's rules.
    int RejectedRows() const { return rejected_; }

    // The menu that holds the first row, in menu-number order then row
    // order, that opens menu; -1 when no row opens it.
    int FindParentMenu(int menu) const;

    // --- availability -----------------------------------------------------
    // Marks unavailable every group that is itself unavailable or has no
    // available row below it, and everything below an unavailable group.
    void HideUninstalled();
    // One step of HideUninstalled for one row: a component returns its
    // Available; a group returns 0 when it stays available with an available
    // row below, 1 when it (and so its subtree) became or was hidden.
    int MarkAvailability(CatalogueItem& row);
    // Marks every row of menu and of all menus below it unavailable.
    void HideSubtree(int menu);
    // Deletes every unavailable row; the others keep their order.
    void RemoveHidden();
    // Sets each row's Available from the list: a row named in it ('N') gets
    // flag (as 0 or 1); the others get 1 when flag is 0, else 0.
    void ApplyIdList(const std::string& list, int flag);
    // Makes every group with an available row somewhere below it available;
    // hides nothing.
    void PropagateAvailability();

    // --- check states -----------------------------------------------------
    // Every row to kUnchecked.
    void ClearChecks();
    // ClearChecks, then checks every row (all nonzero) or every typical row
    // with SetCheckState.
    void ApplyPreset(int all);
    // Sets row (menu, position) to state, the same state on everything below
    // it, and recomputes every group above it. Returns false, changing
    // nothing, for a missing row or a state other than 0, 1 or 2.
    bool SetCheckState(int menu, int position, int state);
    // Sets every row of menu and of all menus below it to state.
    void SetSubtreeState(int menu, int state);
    // Gives every row of parentMenu that opens menu the combined state of
    // menu, and carries the change up to the top.
    void RecomputeAncestors(int parentMenu, int menu);
    // Combined state of a menu: 0 when empty or all unchecked, 1 when all
    // checked, 2 when mixed or any row is partly checked.
    int AggregateState(int menu) const;

    // --- texts --------------------------------------------------------------
    // Appends the ID list of every checked or partly checked row ('1','2',...)
    // in menu-number order and row order; the caller passes an empty text.
    void BuildIdList(std::string& out) const;
    // Appends the indented list of checked rows: with row null the whole
    // tree from menu 0, else row's subtree at depth. Four blanks per level,
    // components with " (" + Description + ")", every line ending in "\r\n".
    void BuildSummaryText(const CatalogueItem* row, std::string& out, int depth) const;
    // Appends the indented list of the components named in list, each
    // component line starting with "*", under the titles of the groups above
    // it (written once, just before their first line). With row null the
    // whole tree; the finish page passes (list, nullptr, out, "", 0).
    // Returns 1 when the call wrote anything to out, else 0.
    int BuildReportList(std::string list, const CatalogueItem* row, std::string& out,
                        std::string header, int depth) const;

private:
    using Menu = std::vector<std::unique_ptr<CatalogueItem>>;

    void LoadCatalogue(const InstalledIDsQuery& query, const CatalogueTextSource& source);
    // Adds one catalogue row; returns false (adding nothing) for a row that
    // breaks the rules: a menu outside the menus, a sub-menu that is neither
    // -1 nor an existing menu above 0, a menu above 0 that no earlier row
    // opens, or a sub-menu from which the row's own menu can be reached.
    bool LoadRow(std::string row, const std::string& notInstalled);
    bool ValidMenu(long menu) const { return menu >= 0 && menu < MenuCount(); }
    bool Reaches(int from, int to) const;
    const Menu* MenuAt(int menu) const;
    Menu* MenuAt(int menu);

    int MarkAvailability(CatalogueItem& row, int depth);
    void HideSubtree(int menu, int depth);
    int Propagate(CatalogueItem& row, int depth);
    void SetSubtreeState(int menu, int state, int depth);
    void RecomputeAncestors(int parentMenu, int menu, int depth);
    void BuildSummaryText(const CatalogueItem& row, std::string& out, int depth, int level) const;
    int BuildReportList(const std::string& list, const CatalogueItem& row, std::string& out,
                        std::string header, int depth, int level) const;
    bool TooDeep(int level) const { return level > MenuCount(); }

    std::vector<Menu> menus_;
    int rejected_ = 0;
};

}  // namespace sl
