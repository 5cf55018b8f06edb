#include "cli/prefix_argument.h"

#include <sys/stat.h>

#include "common/session/prefix_choice.h"
#include "common/session/prefix_files.h"

namespace sl::cli {

std::string ResolvePrefixArgument(const std::string& argument,
                                  const std::vector<session::FoundPrefix>& found,
                                  std::string* error) {
    error->clear();
    if (const session::FoundPrefix* named = session::FindPrefixByName(found, argument)) {
        return named->folder;
    }
    struct stat st{};
    const bool exists = ::lstat(argument.c_str(), &st) == 0;
    if (!exists && argument.find(':') != std::string::npos) {
        *error = "no Wine prefix is named '" + argument + "'. ";
        if (found.empty()) {
            *error += "No prefix was found in the usual places.";
        } else {
            *error += "The prefixes found:";
            for (const session::FoundPrefix& prefix : found) *error += "\n  " + prefix.name;
        }
        return {};
    }
    *error = session::PrefixProblem(argument, "given with --prefix");
    if (!error->empty()) return {};
    const std::string canonical = session::CanonicalFolder(argument);
    if (canonical.empty()) *error = "the Wine prefix " + argument + " cannot be resolved.";
    return canonical;
}

std::string PrefixLines(const std::vector<session::FoundPrefix>& found) {
    std::string out;
    for (const session::FoundPrefix& prefix : found) {
        out += prefix.name + "\t" + prefix.architecture + "\t" + prefix.folder + "\n";
    }
    return out;
}

}  // namespace sl::cli
