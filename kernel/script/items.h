// Instruction items: what the parser makes of one script line.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "kernel/platform/platform.h"

namespace sl {

enum InstructionKind : std::int32_t {
    KIND_REGISTRY = 0,
    KIND_FILES = 1,
    KIND_REGKEY_EXISTS = 3,
    KIND_FILE_EXISTS = 4,
    KIND_SPECIAL_EXISTS = 5,
};

// Kind 0: a registry subtree to save. Text fields are upper case.
struct RegInstruction {
    platform::HKEY Root = 0;
    std::string KeyPath;
    std::string IncludeKeys;
    std::string ExcludeKeys;
    std::string IncludeValues;
    std::string ExcludeValues;
    std::int32_t KeepPathValues = 0;
};

// Kind 1: a set of files to save.
struct FileInstruction {
    std::int32_t PathID = 0;
    std::string SubPath;
    std::string IncludeDirs;
    std::string ExcludeDirs;
    std::string FileMask;
    std::int32_t Recurse = 0;
};

// Kind 3: present when the key opens for reading.
struct RegKeyTest {
    platform::HKEY Root = 0;
    std::string KeyPath;
};

// Kind 4: present when ResolvePathID(PathID) + SubPath\ + FileName exists.
struct FileTest {
    std::int32_t PathID = 0;
    std::string SubPath;
    std::string FileName;
};

// One script line. Data holds the record of the kind; kind 5 holds its
// special-exists number in SpecialExistsID; every other kind holds nothing.
struct CSLInstruction {
    std::string ID;  // the token, quotes included: '15'
    std::int32_t Kind = 0;
    std::variant<std::monostate, RegInstruction, FileInstruction, RegKeyTest, FileTest> Data;
    std::int32_t SpecialExistsID = 0;  // kind 5 only

    const RegInstruction* Reg() const { return std::get_if<RegInstruction>(&Data); }
    const FileInstruction* Files() const { return std::get_if<FileInstruction>(&Data); }
    const RegKeyTest* KeyTest() const { return std::get_if<RegKeyTest>(&Data); }
    const FileTest* FileExists() const { return std::get_if<FileTest>(&Data); }
};

}  // namespace sl
