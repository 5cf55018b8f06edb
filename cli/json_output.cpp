#include "cli/json_output.h"

#include "cli/catalogue_selection.h"
#include "cli/folder_argument.h"

namespace sl::cli {

void PrintJson(const CliContext& context, const Json& document) {
    Print(context.out, document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
}

Json ComponentJson(const ComponentCatalogue& catalogue, int id) {
    const std::string name = ComponentName(catalogue, id);
    Json component;
    component["id"] = id;
    component["title"] = name.empty() ? Json() : Json(name);
    return component;
}

Json ComponentJson(const ComponentCatalogue& catalogue, const std::string& token) {
    const std::vector<int> ids = IdsOf(token);
    if (!ids.empty()) return ComponentJson(catalogue, ids[0]);
    Json component;
    component["id"] = nullptr;
    component["title"] = nullptr;
    return component;
}

std::vector<int> ComponentIds(const ComponentCatalogue& catalogue, const std::string& idList) {
    std::vector<int> ids;
    for (int id : IdsOf(idList)) {
        int menu = -1;
        int position = -1;
        if (FindRow(catalogue, id, &menu, &position) && catalogue.RowAt(menu, position)->IsGroup()) {
            continue;
        }
        ids.push_back(id);
    }
    return ids;
}

Json FolderJson(const CliContext& context, const std::string& dosFolder) {
    Json folder;
    folder["dos"] = dosFolder;
    const std::string unixFolder = UnixFolder(context.prefix, dosFolder);
    folder["unix"] = unixFolder.empty() ? Json() : Json(unixFolder);
    return folder;
}

Json PrefixesJson(const std::vector<session::FoundPrefix>& found) {
    Json prefixes = Json::array();
    for (const session::FoundPrefix& prefix : found) {
        prefixes.push_back(
            {{"name", prefix.name}, {"architecture", prefix.architecture}, {"folder", prefix.folder}});
    }
    Json document;
    document["prefixes"] = std::move(prefixes);
    return document;
}

Json UsersJson(const session::WindowsDisk& disk) {
    Json users = Json::array();
    for (std::size_t i = 0; i < disk.profiles.size(); ++i) {
        users.push_back({{"name", disk.profiles[i].name},
                         {"folder", disk.profiles[i].folder},
                         {"default", static_cast<int>(i) == disk.byDefault}});
    }
    Json document;
    document["disk"] = disk.root;
    document["users"] = std::move(users);
    return document;
}

}  // namespace sl::cli
