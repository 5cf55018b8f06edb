#include "kernel/interface/restore_scope.h"

#include <cctype>
#include <map>

#include "kernel/resolve/path_text.h"
#include "kernel/script/text_fields.h"

namespace sl {

namespace {

bool IsDriveFolder(const std::string& folder) {
    return folder.size() >= 2 && folder[1] == ':' &&
           std::isalpha(static_cast<unsigned char>(folder[0])) != 0 &&
           (folder.size() == 2 || folder[2] == '\\' || folder[2] == '/');
}

RestoreFolder Place(const std::string& base, const FileInstruction& line) {
    return RestoreFolder{base, line.SubPath, line.FileMask, line.Recurse, line.IncludeDirs,
                         line.ExcludeDirs};
}

}  // namespace

bool SameKeyPath(const std::string& a, const std::string& b) {
    // Equal lengths and equal separators: element by element.
    return EqualNoCaseAscii(a, b);
}

const RegInstruction* AllowedRegLine(const CSLInstructionList& script, const CSLRegItem& record) {
    for (const auto& item : script.Items) {
        const RegInstruction* line = item->Reg();
        if (item->ID != record.ID || item->Kind != KIND_REGISTRY || line == nullptr) continue;
        if (static_cast<std::uint64_t>(line->Root) != record.Root) continue;
        if (SameKeyPath(line->KeyPath, record.KeyPath)) return line;
    }
    return nullptr;
}

std::vector<RestoreFolder> AllowedFileFolders(CSLKernel& kernel, const CSLInstructionList& script,
                                              const CSLFileItem& record) {
    std::vector<RestoreFolder> folders;
    std::map<std::int32_t, std::string> resolved;  // each PathID looked up (and reported) once
    for (const auto& item : script.Items) {
        const FileInstruction* line = item->Files();
        if (item->ID != record.ID || item->Kind != KIND_FILES || line == nullptr) continue;
        if (record.PathID != 0) {
            if (line->PathID == record.PathID) folders.push_back(Place(std::string(), *line));
            continue;
        }
        if (line->PathID == 0) continue;  // no folder of its own to stay in
        auto known = resolved.find(line->PathID);
        if (known == resolved.end()) {
            known = resolved.emplace(line->PathID, kernel.ResolvePathID(line->PathID)).first;
        }
        std::string list = known->second;
        for (std::string folder = CutField(list, ';', false); !folder.empty();
             folder = CutField(list, ';', false)) {
            if (IsDriveFolder(folder)) folders.push_back(Place(folder, *line));
        }
    }
    return folders;
}

}  // namespace sl
