// CSLInstructionList: an instruction script parsed into instruction items.
//
// Script grammar: lines separated by "\n" (empty lines never count), fields
// separated by ",", each field trimmed; field 1 is the ID (stored as 'ID'),
// field 2 the kind, fields 3 on depend on the kind (see instruction_list.cpp).
// A line whose first field is empty or starts with "//" is skipped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/script/items.h"
#include "kernel/script/resource_loader.h"

namespace sl {

class CSLInstructionList {
public:
    // Loads the kernel's resource ("Bin", resourceId), decodes it with the
    // script key and parses it, keeping only lines whose 'ID' token occurs in
    // filter (an empty filter keeps every line). The list's error text is
    // appended to errors at the end.
    //
    // Never throws: a missing resource gives an empty list and no message; a
    // resource that fails to decode gives an empty list and the message
    // "DecodeText error: <reason>\n" (reason "Length is bad." or
    // "Encrypt Char Error"), which is also logged.
    CSLInstructionList(const std::string& filter, std::uint32_t resourceId, std::string& errors);

    // The same, reading resourceId from the given module's resources.
    CSLInstructionList(const ResourceTable& module, const std::string& filter,
                       std::uint32_t resourceId, std::string& errors);

    // Parses an already decoded script text, with the same rules and the same
    // reporting as the constructors.
    static CSLInstructionList FromPlainText(const std::string& text, const std::string& filter,
                                            std::string& errors);

    CSLInstructionList(CSLInstructionList&&) = default;
    CSLInstructionList& operator=(CSLInstructionList&&) = default;
    ~CSLInstructionList() = default;

    // Symbol lookups. Each compares the whole name, case-sensitively, with
    // its table and returns the table's value. An unknown name returns 0 and
    // reports "sToHKey '<name>' not found\n" (resp. sToPathID,
    // sToSpecialExistsID): appended to ErrorText and logged to "Stowlark.Log".
    platform::HKEY sToHKey(std::string name);
    std::int32_t sToPathID(std::string name);
    std::int32_t sToSpecialExistsID(std::string name);

    // The instructions in script order.
    std::vector<std::unique_ptr<CSLInstruction>> Items;
    // The messages of this parse, one "\n"-terminated line each.
    std::string ErrorText;
    // False when the resource could not be decoded (the list is then empty
    // for that reason, not because the script names nothing).
    bool Decoded = true;

private:
    CSLInstructionList() = default;
    void Report(const std::string& message);
    void Parse(const std::string& text, const std::string& filter);
    void ParseLine(std::string line, const std::string& filter);
};

}  // namespace sl
