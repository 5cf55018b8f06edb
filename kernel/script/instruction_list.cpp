// The script parser: the constructors of CSLInstructionList.
//
// Fields 3 on, by kind (U = upper-cased before it is stored):
//   0 registry:       root (exact case), KeyPath U, IncludeKeys U, ExcludeKeys U,
//                     IncludeValues U, ExcludeValues U, KeepPathValues
//   1 files:          folder name (upper-cased, then looked up), SubPath U,
//                     IncludeDirs U, ExcludeDirs U, FileMask U, Recurse
//   3 key exists:     root (exact case), KeyPath U
//   4 file exists:    folder name (exact case), SubPath U, FileName U
//   5 special check:  check name (exact case) into SpecialExistsID
// Any other kind carries no record. Extra fields are ignored, missing ones
// read as empty text or 0.
#include "kernel/script/instruction_list.h"

#include "kernel/log/log.h"
#include "kernel/script/decode.h"
#include "kernel/script/script_key.h"
#include "kernel/script/text_fields.h"

namespace sl {
namespace {

std::int32_t CutNumber(std::string& line) {
    return static_cast<std::int32_t>(ParseNumber(CutField(line, ',', false)));
}

}  // namespace

CSLInstructionList::CSLInstructionList(const std::string& filter, std::uint32_t resourceId,
                                       std::string& errors)
    : CSLInstructionList(KernelResources(), filter, resourceId, errors) {}

CSLInstructionList::CSLInstructionList(const ResourceTable& module, const std::string& filter,
                                       std::uint32_t resourceId, std::string& errors) {
    // A missing resource leaves the raw text empty, which decodes to nothing.
    std::string raw;
    LoadResourceText(module, raw, static_cast<std::uint16_t>(resourceId), "Bin");
    std::string text;
    try {
        text = DecodeText(raw, kScriptKey);
    } catch (const DecodeError& error) {
        // A damaged script must not end the caller's process: it becomes an
        // empty list whose error text says why.
        Report("DecodeText error: " + error.message + "\n");
        Decoded = false;
    }
    if (Decoded) Parse(text, filter);
    errors += ErrorText;
}

CSLInstructionList CSLInstructionList::FromPlainText(const std::string& text,
                                                     const std::string& filter,
                                                     std::string& errors) {
    CSLInstructionList list;
    list.Parse(text, filter);
    errors += list.ErrorText;
    return list;
}

void CSLInstructionList::Parse(const std::string& text, const std::string& filter) {
    // Lines end at "\n"; runs of newlines count as one separator. A CR before
    // the newline stays in the line and is trimmed off with the fields.
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        if (end > begin) ParseLine(text.substr(begin, end - begin), filter);
        begin = end + 1;
    }
}

void CSLInstructionList::ParseLine(std::string line, const std::string& filter) {
    const std::string id = CutField(line, ',', false);
    if (id.empty()) return;
    if (id.compare(0, 2, "//") == 0) return;
    const std::string token = "'" + id + "'";
    if (!filter.empty() && filter.find(token) == std::string::npos) return;

    auto item = std::make_unique<CSLInstruction>();
    item->ID = token;
    item->Kind = CutNumber(line);

    switch (item->Kind) {
        case KIND_REGISTRY: {
            RegInstruction reg;
            reg.Root = sToHKey(CutField(line, ',', false));
            reg.KeyPath = CutField(line, ',', true);
            reg.IncludeKeys = CutField(line, ',', true);
            reg.ExcludeKeys = CutField(line, ',', true);
            reg.IncludeValues = CutField(line, ',', true);
            reg.ExcludeValues = CutField(line, ',', true);
            reg.KeepPathValues = CutNumber(line);
            item->Data = std::move(reg);
            break;
        }
        case KIND_FILES: {
            FileInstruction files;
            files.PathID = sToPathID(CutField(line, ',', true));
            files.SubPath = CutField(line, ',', true);
            files.IncludeDirs = CutField(line, ',', true);
            files.ExcludeDirs = CutField(line, ',', true);
            files.FileMask = CutField(line, ',', true);
            files.Recurse = CutNumber(line);
            item->Data = std::move(files);
            break;
        }
        case KIND_REGKEY_EXISTS: {
            RegKeyTest test;
            test.Root = sToHKey(CutField(line, ',', false));
            test.KeyPath = CutField(line, ',', true);
            item->Data = std::move(test);
            break;
        }
        case KIND_FILE_EXISTS: {
            FileTest test;
            test.PathID = sToPathID(CutField(line, ',', false));
            test.SubPath = CutField(line, ',', true);
            test.FileName = CutField(line, ',', true);
            item->Data = std::move(test);
            break;
        }
        case KIND_SPECIAL_EXISTS:
            item->SpecialExistsID = sToSpecialExistsID(CutField(line, ',', false));
            break;
        default:
            break;  // no record; the consumers report kinds they do not carry out
    }
    Items.push_back(std::move(item));
}

}  // namespace sl
