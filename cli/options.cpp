#include "cli/options.h"

#include <cstdlib>

namespace sl::cli {
namespace {

struct CommandWord {
    const char* name;
    Command command;
    int folders;  // number of FOLDER arguments (0 or 1)
    bool ids;     // takes component IDs
    bool dryRun;  // takes --dry-run
};

constexpr CommandWord kCommands[] = {
    {"list", Command::List, 0, false, false},
    {"backup", Command::Backup, 1, true, true},
    {"restore", Command::Restore, 1, true, true},
    {"unrestore", Command::Unrestore, 0, true, false},
    {"show", Command::Show, 1, false, false},
    {"verify", Command::Verify, 1, false, false},
    {"prefixes", Command::Prefixes, 0, false, false},
    {"completion", Command::Completion, 1, false, false},
    {"users", Command::Users, 0, false, false},
};

const CommandWord* FindCommand(const std::string& word) {
    for (const CommandWord& entry : kCommands) {
        if (word == entry.name) return &entry;
    }
    return nullptr;
}

// A component ID as N or 'N' (the token form of ID lists), 1 to 32767.
bool ParseId(std::string text, int* id) {
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
        text = text.substr(1, text.size() - 2);
    }
    if (text.empty() || text.size() > 5) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 1 || value > 32767) return false;
    *id = static_cast<int>(value);
    return true;
}

}  // namespace

const char* CommandName(Command command) {
    for (const CommandWord& entry : kCommands) {
        if (entry.command == command) return entry.name;
    }
    return "";
}

namespace {

// What the options say before the operands are looked at.
struct Options {
    std::vector<std::string> operands;
    bool typical = false;
    bool all = false;
    std::string firstError;
};

// Reads the options into line and opts; the first mistake is kept.
void ReadOptions(const std::vector<std::string>& args, CommandLine& line, Options& opts) {
    bool optionsEnded = false;
    auto fail = [&](const std::string& message) {
        if (opts.firstError.empty()) opts.firstError = message;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            opts.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--dry-run" || arg == "-n") {
            line.dryRun = true;
        } else if (arg == "--json") {
            line.json = true;
        } else if (arg == "--typical") {
            opts.typical = true;
        } else if (arg == "--all") {
            opts.all = true;
        } else if (arg == "--prefix") {
            if (i + 1 >= args.size()) {
                fail("option --prefix needs a folder or a prefix name");
            } else {
                line.prefix = args[++i];
                if (line.prefix.empty()) fail("option --prefix needs a folder or a prefix name");
            }
        } else if (arg == "--windows-disk" || arg == "--windows-user") {
            std::string& value = arg == "--windows-disk" ? line.windowsDisk : line.windowsUser;
            const char* what = arg == "--windows-disk" ? "a folder" : "a user name";
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                fail("option " + arg + " needs " + what);
                if (i + 1 < args.size()) ++i;
            } else {
                value = args[++i];
            }
        } else if (arg.rfind("--windows-disk=", 0) == 0 || arg.rfind("--windows-user=", 0) == 0) {
            const bool disk = arg.rfind("--windows-disk=", 0) == 0;
            (disk ? line.windowsDisk : line.windowsUser) = arg.substr(15);
            if (arg.size() == 15) {
                fail(std::string("option ") + (disk ? "--windows-disk needs a folder" : "--windows-user needs a user name"));
            }
        } else if (arg.rfind("--prefix=", 0) == 0) {
            line.prefix = arg.substr(9);
            if (line.prefix.empty()) fail("option --prefix needs a folder or a prefix name");
        } else {
            fail("unknown option '" + arg + "'");
        }
    }
}

// Reads the command, its folder and its IDs; returns the mistake or "".
std::string ReadOperands(const std::vector<std::string>& operands, CommandLine& line,
                         const CommandWord** found) {
    if (operands.empty()) return "no command given";
    const CommandWord* word = FindCommand(operands[0]);
    if (word == nullptr) return "unknown command '" + operands[0] + "'";
    *found = word;
    line.command = word->command;
    std::size_t next = 1;
    if (word->folders == 1) {
        if (operands.size() < 2 || operands[1].empty()) {
            return std::string(word->name) +
                   (line.command == Command::Completion ? " needs a SHELL (bash, zsh or fish)"
                                                        : " needs a FOLDER");
        }
        line.folder = operands[1];
        next = 2;
    }
    for (; next < operands.size(); ++next) {
        if (!word->ids) {
            return std::string(word->name) + " takes no argument '" + operands[next] + "'";
        }
        int id = 0;
        if (!ParseId(operands[next], &id)) {
            return "'" + operands[next] + "' is not a component ID (a number from 1 to 32767)";
        }
        line.ids.push_back(id);
    }
    return {};
}

// The options that do not go with the command or with each other.
std::string Conflicts(const CommandLine& line, const CommandWord& word, const Options& opts) {
    const bool typical = opts.typical;
    const bool all = opts.all;
    if (line.command == Command::Completion && line.folder != "bash" && line.folder != "zsh" &&
        line.folder != "fish") {
        return "no completion for the shell '" + line.folder + "' (bash, zsh or fish)";
    }
    if (line.json && line.command == Command::Completion) return "--json is not for completion";
    if (line.dryRun && !word.dryRun) {
        return std::string("--dry-run is for backup and restore, not ") + word.name;
    }
    if ((typical || all) && line.command != Command::Backup) {
        return std::string(typical ? "--typical" : "--all") + " is for backup only";
    }
    if (typical && all) return "choose either --typical or --all";
    if (!line.windowsDisk.empty()) {
        if (!line.prefix.empty()) return "choose either --prefix or --windows-disk";
        if (line.command == Command::Restore || line.command == Command::Unrestore) {
            return std::string(word.name) +
                   " writes into a Wine prefix, and a Windows disk is only read: back up from "
                   "the disk, then restore the backup into a prefix (--prefix)";
        }
        if (line.command == Command::Prefixes || line.command == Command::Completion) {
            return std::string("--windows-disk is not for ") + word.name;
        }
    } else {
        if (line.command == Command::Users) return "users needs --windows-disk DIR";
        if (!line.windowsUser.empty()) return "--windows-user needs --windows-disk DIR";
    }
    if ((typical || all) && !line.ids.empty()) {
        return "give either component IDs or " + std::string(typical ? "--typical" : "--all");
    }
    return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    CommandLine& line = parsed.line;
    Options opts;
    ReadOptions(args, line, opts);
    if (line.help || line.version) return parsed;
    if (!opts.firstError.empty()) {
        parsed.error = opts.firstError;
        return parsed;
    }
    const CommandWord* word = nullptr;
    parsed.error = ReadOperands(opts.operands, line, &word);
    if (!parsed.error.empty()) return parsed;
    parsed.error = Conflicts(line, *word, opts);
    if (!parsed.error.empty()) return parsed;

    if (!line.ids.empty()) {
        line.preset = Preset::Ids;
    } else {
        line.preset = opts.all ? Preset::All : Preset::Typical;
    }
    return parsed;
}

}  // namespace sl::cli
