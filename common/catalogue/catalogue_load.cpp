// Building the catalogue from its text: rows, fields, validation and the
// first availability pass against the not-installed list.
#include <algorithm>

#include "kernel/script/text_fields.h"
#include "common/catalogue/component_catalogue.h"
#include "common/catalogue/program_resources.h"

namespace sl {
namespace {

// Splits text into rows at runs of CR and LF; empty lines are no rows.
std::vector<std::string> SplitRows(const std::string& text) {
    std::vector<std::string> rows;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        if (end > pos) rows.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return rows;
}

bool IsComment(const std::string& row) {
    return (!row.empty() && row[0] == '/') || (row.size() > 1 && row[1] == '/');
}

}  // namespace

ComponentCatalogue::ComponentCatalogue(int menuCount, InstalledIDsQuery query,
                                       CatalogueTextSource source) {
    menus_.resize(static_cast<std::size_t>(std::clamp(menuCount, 0, kCatalogueMenus)));
    LoadCatalogue(query, source);
}

ComponentCatalogue::~ComponentCatalogue() = default;

void ComponentCatalogue::LoadCatalogue(const InstalledIDsQuery& query,
                                       const CatalogueTextSource& source) {
    std::string notInstalled = query ? query("") : std::string();
    std::string text = source ? source() : LoadProgramCatalogueText();
    for (const std::string& row : SplitRows(text)) {
        if (IsComment(row)) continue;
        if (!LoadRow(row, notInstalled)) ++rejected_;
    }
    HideUninstalled();
    RemoveHidden();
}

bool ComponentCatalogue::LoadRow(std::string row, const std::string& notInstalled) {
    const std::string id = CutField(row, ';', false);
    const std::string title = CutField(row, ';', false);
    const long menu = ParseNumber(CutField(row, ';', false));
    const long subMenu = ParseNumber(CutField(row, ';', false));
    CutField(row, ';', false);  // column 5: the row's own ID is its instruction ID
    const std::string description = CutField(row, ';', false);
    const std::string typical = CutField(row, ';', false);

    // The tree operations walk sub-menus from menu 0 down; only rows that keep
    // that walk inside the menus and free of cycles are taken.
    if (!ValidMenu(menu)) return false;
    if (subMenu != kNoSubMenu && (subMenu == 0 || !ValidMenu(subMenu))) return false;
    const int parent = FindParentMenu(static_cast<int>(menu));
    if (menu != 0 && parent < 0) return false;
    if (subMenu != kNoSubMenu && Reaches(static_cast<int>(subMenu), static_cast<int>(menu)))
        return false;

    auto item = std::make_unique<CatalogueItem>();
    item->Title = " " + title;
    item->MenuID = static_cast<std::int16_t>(menu);
    item->ItemID = static_cast<std::int16_t>(ParseNumber(id));
    item->SubMenuID = static_cast<std::int16_t>(subMenu);
    item->ParentMenu = parent;
    item->Description = description;
    item->Typical = typical == "t" ? 1 : 0;
    item->CheckState = kUnchecked;
    item->Available = notInstalled.find("'" + id + "'") == std::string::npos ? 1 : 0;
    menus_[static_cast<std::size_t>(menu)].push_back(std::move(item));
    return true;
}

// Whether menu `to` is menu `from` or lies below it through sub-menus.
bool ComponentCatalogue::Reaches(int from, int to) const {
    std::vector<bool> seen(menus_.size(), false);
    std::vector<int> pending{from};
    while (!pending.empty()) {
        const int menu = pending.back();
        pending.pop_back();
        if (menu == to) return true;
        if (!ValidMenu(menu) || seen[static_cast<std::size_t>(menu)]) continue;
        seen[static_cast<std::size_t>(menu)] = true;
        for (const auto& row : menus_[static_cast<std::size_t>(menu)]) {
            if (row->IsGroup()) pending.push_back(row->SubMenuID);
        }
    }
    return false;
}

std::string LoadProgramCatalogueText() {
    std::string text;
    if (!LoadResourceText(ProgramResources(), text, kCatalogueResourceID, kCatalogueResourceType))
        text.clear();
    return text;
}

}  // namespace sl
