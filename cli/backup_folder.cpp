#include "cli/backup_folder.h"

#include <cstdio>

#include "cli/folder_argument.h"

namespace sl::cli {

std::string RootName(std::uint32_t root) {
    switch (root) {
        case 0x80000000u: return "HKEY_CLASSES_ROOT";
        case 0x80000001u: return "HKEY_CURRENT_USER";
        case 0x80000002u: return "HKEY_LOCAL_MACHINE";
        case 0x80000003u: return "HKEY_USERS";
        default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "root 0x%08X", root);
    return text;
}

std::string ReadFailureText(std::int32_t code) {
    std::string meaning;
    switch (code) {
        case 2: meaning = "missing"; break;
        case 3: meaning = "truncated or empty"; break;
        case 5: meaning = "access denied, or a reference to an unknown object"; break;
        case 6: meaning = "an unknown record class"; break;
        case 7: meaning = "an unknown record version"; break;
        case 11: meaning = "in use by another program"; break;
        case 99123: meaning = "cannot be read"; break;
        default: meaning = "cannot be read"; break;
    }
    return meaning + " (error " + std::to_string(code) + ")";
}

bool ReadNamedFolder(const CliContext& context, const std::string& argument, NamedFolder& named) {
    std::string error;
    named.folder = DosFolder(context.prefix, argument, &error);
    if (named.folder.empty()) {
        Print(context.err, "stowlark-cli: " + error + "\n");
        return false;
    }
    if (context.api.DoesPathContainSLFiles(named.folder.c_str()) == 0) {
        Print(context.err, "stowlark-cli: " + named.folder +
                               " is not a Stowlark backup folder (it holds no Stowlark.dat).\n");
        return false;
    }
    named.inspect = InspectOrSay(context);
    if (named.inspect == nullptr) return false;
    named.rc = named.inspect->ReadBackupFolder(named.folder.c_str(), named.read);
    return true;
}

}  // namespace sl::cli
