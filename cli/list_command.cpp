// list: the whole catalogue as a tree, each row with its ID, whether the
// wizard would offer it on this machine (its application is installed) and
// whether it belongs to the typical choice.
#include <algorithm>
#include <set>

#include "cli/catalogue_selection.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/json_output.h"

namespace sl::cli {
namespace {

constexpr int kTitleColumn = 52;

void ListMenu(const ComponentCatalogue& catalogue, const std::set<int>& installed, int menu,
              int depth, std::string& out) {
    if (depth > catalogue.MenuCount()) return;
    for (int p = 0; p < catalogue.RowCount(menu); ++p) {
        const CatalogueItem& row = *catalogue.RowAt(menu, p);
        std::string id = std::to_string(row.ItemID);
        std::string line(id.size() < 4 ? 4 - id.size() : 0, ' ');
        line += id + "  " + std::string(static_cast<std::size_t>(depth) * 2, ' ') +
                PlainTitle(row.Title);
        if (line.size() < kTitleColumn) line.resize(kTitleColumn, ' ');
        line += installed.count(row.ItemID) != 0 ? "  yes        " : "  no         ";
        line += row.Typical != 0 ? "yes" : "no";
        out += line + "\n";
        if (row.IsGroup()) ListMenu(catalogue, installed, row.SubMenuID, depth + 1, out);
    }
}

void ListMenuJson(const ComponentCatalogue& catalogue, const std::set<int>& installed, int menu,
                  int depth, const Json& parent, Json& out) {
    if (depth > catalogue.MenuCount()) return;
    for (int p = 0; p < catalogue.RowCount(menu); ++p) {
        const CatalogueItem& row = *catalogue.RowAt(menu, p);
        Json entry;
        entry["id"] = row.ItemID;
        entry["title"] = PlainTitle(row.Title);
        entry["parent"] = parent;
        entry["depth"] = depth;
        entry["group"] = row.IsGroup();
        entry["installed"] = installed.count(row.ItemID) != 0;
        entry["typical"] = row.Typical != 0;
        out.push_back(std::move(entry));
        if (row.IsGroup()) ListMenuJson(catalogue, installed, row.SubMenuID, depth + 1, row.ItemID, out);
    }
}

}  // namespace

int RunList(const CliContext& context) {
    // The whole catalogue, and the one the wizard offers on this machine.
    auto all = MakeCatalogue({});
    auto offered = MakeCatalogue([&](const char* filter) {
        return context.api.GetInstalledIDsN(filter);
    });
    std::set<int> installed;
    for (int m = 0; m < offered->MenuCount(); ++m) {
        for (int p = 0; p < offered->RowCount(m); ++p) installed.insert(offered->RowAt(m, p)->ItemID);
    }
    if (context.json) {
        Json components = Json::array();
        ListMenuJson(*all, installed, 0, 0, nullptr, components);
        Json document;
        // With a Windows disk there is no prefix: the disk is named instead.
        document["prefix"] = context.windowsDisk.empty() ? Json(context.prefix) : Json();
        if (!context.windowsDisk.empty()) document["windowsDisk"] = context.windowsDisk;
        document["components"] = std::move(components);
        PrintJson(context, document);
        return kExitSuccess;
    }
    std::string header = "  ID  Title";
    header.resize(kTitleColumn, ' ');
    std::string out = header + "  Installed  Typical\n";
    ListMenu(*all, installed, 0, 0, out);
    Print(context.out, out);
    return kExitSuccess;
}

}  // namespace sl::cli
