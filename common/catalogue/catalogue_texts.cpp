// Texts built from the tree: the ID list of the selection, the indented
// summary of the selection and the indented report of the components named
// in an ID list.
#include "common/catalogue/component_catalogue.h"

namespace sl {
namespace {

std::string Indent(int depth) { return std::string(static_cast<std::size_t>(depth > 0 ? depth * 4 : 0), ' '); }

std::string Token(const CatalogueItem& row) { return "'" + std::to_string(row.ItemID) + "'"; }

bool Named(const std::string& list, const CatalogueItem& row) {
    return list.find(Token(row)) != std::string::npos;
}

std::string ComponentLine(const CatalogueItem& row) {
    return row.Title + " (" + row.Description + ")\r\n";
}

}  // namespace

void ComponentCatalogue::BuildIdList(std::string& out) const {
    for (const Menu& rows : menus_) {
        for (const auto& row : rows) {
            if (row->CheckState == kUnchecked || row->ItemID == -1) continue;
            if (!out.empty()) out += ",";
            out += Token(*row);
        }
    }
}

void ComponentCatalogue::BuildSummaryText(const CatalogueItem* row, std::string& out,
                                          int depth) const {
    if (row) {
        BuildSummaryText(*row, out, depth, 0);
        return;
    }
    const Menu* top = MenuAt(0);
    if (!top) return;
    for (const auto& r : *top) BuildSummaryText(*r, out, 0, 0);
}

void ComponentCatalogue::BuildSummaryText(const CatalogueItem& row, std::string& out, int depth,
                                          int level) const {
    if (!row.IsGroup()) {
        if (row.CheckState != kUnchecked) out += Indent(depth) + ComponentLine(row);
        return;
    }
    if (row.CheckState == kUnchecked) return;
    out += Indent(depth) + row.Title + "\r\n";
    const Menu* rows = MenuAt(row.SubMenuID);
    if (!rows || TooDeep(level)) return;
    for (const auto& child : *rows) {
        if (child->CheckState == kUnchecked) continue;
        if (child->IsGroup())
            BuildSummaryText(*child, out, depth + 1, level + 1);
        else
            out += Indent(depth + 1) + ComponentLine(*child);
    }
}

int ComponentCatalogue::BuildReportList(std::string list, const CatalogueItem* row,
                                        std::string& out, std::string header, int depth) const {
    if (row) return BuildReportList(list, *row, out, std::move(header), depth, 0);
    const Menu* top = MenuAt(0);
    if (!top) return 0;
    int wrote = 0;
    for (const auto& r : *top) {
        if (!r->IsGroup()) {
            if (Named(list, *r)) {
                out += "*" + ComponentLine(*r);
                wrote = 1;
            }
        } else if (BuildReportList(list, *r, out, "", 0, 0) != 0) {
            wrote = 1;
        }
    }
    return wrote;
}

// header holds the titles of the groups on the way down that are not written
// yet; it goes out once, right before the first line that belongs under it.
// The result says whether anything was written here or below, so that a
// caller never writes its own pending titles a second time.
int ComponentCatalogue::BuildReportList(const std::string& list, const CatalogueItem& row,
                                        std::string& out, std::string header, int depth,
                                        int level) const {
    if (!row.IsGroup()) return 0;
    const Menu* rows = MenuAt(row.SubMenuID);
    if (!rows || TooDeep(level)) return 0;
    int wrote = 0;
    header += Indent(depth) + row.Title + "\r\n";
    for (const auto& child : *rows) {
        if (Named(list, *child)) {
            if (!header.empty()) wrote = 1;
            out += header;
            header.clear();
            if (!child->IsGroup()) {
                out += Indent(depth + 1) + "*" + ComponentLine(*child);
                wrote = 1;
            }
        }
        if (BuildReportList(list, *child, out, header, depth + 1, level + 1) != 0) {
            header.clear();
            wrote = 1;
        }
    }
    return wrote;
}

}  // namespace sl
