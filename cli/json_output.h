// The --json output of stowlark-cli: one JSON document per run on standard
// output, for scripts and configuration management. The fields are described
// in the manual page (section JSON OUTPUT); the exit statuses are the same as
// with text output.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "common/session/windows_disk.h"
#include "common/catalogue/component_catalogue.h"
#include "common/session/prefix_finder.h"

namespace sl::cli {

using Json = nlohmann::ordered_json;

// Prints document to context.out, indented, with a final newline. Strings
// that are not valid UTF-8 (file names of the prefix) are written with the
// replacement character instead of failing.
void PrintJson(const CliContext& context, const Json& document);

// {"id": 58, "title": "WinAmp / Settings"}: the component's ID and its title
// behind the titles of the groups above it (null when the catalogue has no
// row with that ID).
Json ComponentJson(const ComponentCatalogue& catalogue, int id);

// The same for an ID token of the library ("'58'"); id is null when the
// token is not a number.
Json ComponentJson(const ComponentCatalogue& catalogue, const std::string& token);

// The IDs of an ID list that are components, in order: groups, which carry
// no settings of their own, are left out.
std::vector<int> ComponentIds(const ComponentCatalogue& catalogue, const std::string& idList);

// A folder of the prefix: {"dos": "C:\\...", "unix": "/..." or null}.
Json FolderJson(const CliContext& context, const std::string& dosFolder);

// {"prefixes": [{"name", "architecture", "folder"}, ...]}.
Json PrefixesJson(const std::vector<session::FoundPrefix>& found);

// {"disk": DIR, "users": [{"name", "folder", "default"}, ...]}.
Json UsersJson(const session::WindowsDisk& disk);

}  // namespace sl::cli
