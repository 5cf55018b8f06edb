#include "common/session/prefix_finder.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "common/session/lutris_yaml.h"
#include "common/session/prefix_files.h"
#include "common/session/steam_libraries.h"

namespace sl::session {
namespace {

// A game file of Lutris is a few hundred bytes; larger ones are not read,
// and all game files together are read up to a budget.
constexpr std::size_t kMaxYamlBytes = 64 * 1024;
constexpr std::size_t kYamlBudget = 16 * 1024 * 1024;
constexpr std::size_t kMaxVdfBytes = 1024 * 1024;

struct Candidate {
    std::string name;    // the part after "MANAGER:"
    std::string folder;  // as found
};

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// An XDG base folder: the variable when it is absolute, else home/fallback.
std::string XdgFolder(const std::string& value, const std::string& home,
                      const char* fallback) {
    if (!value.empty() && value[0] == '/') return value;
    return JoinPath(home, fallback);
}

bool IsDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
}

// Orders names with their digit runs compared by value ("2" before "10").
bool NaturalLess(const std::string& a, const std::string& b) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            const std::size_t ei = std::min(a.find_first_not_of("0123456789", i), a.size());
            const std::size_t ej = std::min(b.find_first_not_of("0123456789", j), b.size());
            std::string na = a.substr(i, ei - i);
            std::string nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size() && i >= a.size();
    return a < b;  // equal by value ("07" and "7"): by their text
}

// Every subfolder of folder, named by its folder name.
void AddSubfolders(const std::string& folder, std::vector<Candidate>* out) {
    for (const std::string& name : FolderEntries(folder)) {
        out->push_back({name, JoinPath(folder, name)});
    }
}

void AddLutrisGames(const std::string& folder, const std::string& home, std::size_t* budget,
                    std::vector<Candidate>* out) {
    for (const std::string& file : FolderEntries(folder)) {
        const std::size_t dot = file.rfind('.');
        if (dot == std::string::npos) continue;
        const std::string extension = file.substr(dot);
        if (extension != ".yml" && extension != ".yaml") continue;
        if (*budget < kMaxYamlBytes) return;
        std::string text;
        if (!ReadSmallFile(JoinPath(folder, file), kMaxYamlBytes, &text)) continue;
        *budget -= text.size();
        const std::string prefix = LutrisGamePrefix(text, home);
        if (!prefix.empty()) out->push_back({LutrisGameName(file), prefix});
    }
}

void AddSteamPrefixes(const std::string& root, std::set<std::string>* librariesSeen,
                      std::vector<Candidate>* out) {
    std::vector<std::string> libraries = {root};
    std::string vdf;
    if (ReadSmallFile(JoinPath(root, "steamapps/libraryfolders.vdf"), kMaxVdfBytes, &vdf)) {
        for (const std::string& library : SteamLibraryFolders(vdf)) libraries.push_back(library);
    }
    for (const std::string& library : libraries) {
        const std::string canonical = CanonicalFolder(library);
        if (canonical.empty() || !librariesSeen->insert(canonical).second) continue;
        const std::string compat = JoinPath(canonical, "steamapps/compatdata");
        for (const std::string& appId : FolderEntries(compat)) {
            if (IsDigits(appId)) out->push_back({appId, JoinPath(compat, appId + "/pfx")});
        }
    }
}

using Group = std::pair<std::string, std::vector<Candidate>>;  // manager, candidates

std::vector<Group> Candidates(const FinderEnvironment& env) {
    const std::string& home = env.home;
    const std::string data = XdgFolder(env.xdgDataHome, home, ".local/share");
    const std::string config = XdgFolder(env.xdgConfigHome, home, ".config");
    std::vector<Group> groups;
    groups.push_back({"wine", {{"default", JoinPath(home, ".wine")}}});
    groups.push_back({"winetricks", {}});
    AddSubfolders(JoinPath(data, "wineprefixes"), &groups.back().second);
    groups.push_back({"bottles", {}});
    AddSubfolders(JoinPath(data, "bottles/bottles"), &groups.back().second);
    AddSubfolders(JoinPath(home, ".var/app/com.usebottles.bottles/data/bottles/bottles"),
                  &groups.back().second);
    groups.push_back({"lutris", {}});
    std::size_t yamlBudget = kYamlBudget;
    AddLutrisGames(JoinPath(config, "lutris/games"), home, &yamlBudget, &groups.back().second);
    AddLutrisGames(JoinPath(data, "lutris/games"), home, &yamlBudget, &groups.back().second);
    groups.push_back({"playonlinux", {}});
    AddSubfolders(JoinPath(home, ".PlayOnLinux/wineprefix"), &groups.back().second);
    groups.push_back({"phoenicis", {}});
    AddSubfolders(JoinPath(home, ".Phoenicis/containers/wineprefix"), &groups.back().second);
    groups.push_back({"steam", {}});
    std::set<std::string> libraries;
    for (const std::string& root :
         {JoinPath(data, "Steam"), JoinPath(home, ".steam/steam"),
          JoinPath(home, ".var/app/com.valvesoftware.Steam/.local/share/Steam")}) {
        AddSteamPrefixes(root, &libraries, &groups.back().second);
    }
    groups.push_back({"crossover", {}});
    AddSubfolders(JoinPath(home, ".cxoffice"), &groups.back().second);
    if (!env.winePrefix.empty()) groups.push_back({"wine", {{"env", env.winePrefix}}});
    return groups;
}

}  // namespace

FinderEnvironment ProcessFinderEnvironment() {
    FinderEnvironment env;
    env.home = Variable("HOME");
    if (env.home.empty()) {
        struct passwd* entry = ::getpwuid(::getuid());
        if (entry != nullptr && entry->pw_dir != nullptr) env.home = entry->pw_dir;
    }
    env.xdgDataHome = Variable("XDG_DATA_HOME");
    env.xdgConfigHome = Variable("XDG_CONFIG_HOME");
    env.winePrefix = Variable("WINEPREFIX");
    return env;
}

std::vector<FoundPrefix> FindPrefixes(const FinderEnvironment& environment) {
    std::vector<FoundPrefix> found;
    if (environment.home.empty() && environment.winePrefix.empty()) return found;
    std::set<std::string> folders;
    std::set<std::string> names;
    for (auto& [manager, candidates] : Candidates(environment)) {
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Candidate& a, const Candidate& b) {
                             return NaturalLess(a.name, b.name);
                         });
        for (const Candidate& candidate : candidates) {
            if (CheckPrefixFolder(candidate.folder) != PrefixState::Prefix) continue;
            const std::string folder = CanonicalFolder(candidate.folder);
            if (folder.empty() || HasControlCharacter(folder) ||
                HasControlCharacter(candidate.name) || !folders.insert(folder).second) {
                continue;
            }
            std::string name = manager + ":" + candidate.name;
            for (int n = 2; names.count(name) != 0; ++n) {
                name = manager + ":" + candidate.name + "-" + std::to_string(n);
            }
            names.insert(name);
            found.push_back({name, PrefixArchitecture(folder), folder});
        }
    }
    return found;
}

const FoundPrefix* FindPrefixByName(const std::vector<FoundPrefix>& found,
                                    const std::string& name) {
    for (const FoundPrefix& prefix : found) {
        if (prefix.name == name) return &prefix;
    }
    return nullptr;
}

const FoundPrefix* FindPrefixByFolder(const std::vector<FoundPrefix>& found,
                                      const std::string& folder) {
    for (const FoundPrefix& prefix : found) {
        if (prefix.folder == folder) return &prefix;
    }
    const std::string canonical = CanonicalFolder(folder);
    if (canonical.empty()) return nullptr;
    for (const FoundPrefix& prefix : found) {
        if (prefix.folder == canonical) return &prefix;
    }
    return nullptr;
}

}  // namespace sl::session
