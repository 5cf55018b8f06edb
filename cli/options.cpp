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

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    CommandLine& line = parsed.line;
    std::vector<std::string> operands;
    bool typical = false;
    bool all = false;
    bool optionsEnded = false;
    std::string firstError;
    auto fail = [&](const std::string& message) {
        if (firstError.empty()) firstError = message;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            operands.push_back(arg);
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
            typical = true;
        } else if (arg == "--all") {
            all = true;
        } else if (arg == "--prefix") {
            if (i + 1 >= args.size()) {
                fail("option --prefix needs a folder or a prefix name");
            } else {
                line.prefix = args[++i];
                if (line.prefix.empty()) fail("option --prefix needs a folder or a prefix name");
            }
        } else if (arg.rfind("--prefix=", 0) == 0) {
            line.prefix = arg.substr(9);
            if (line.prefix.empty()) fail("option --prefix needs a folder or a prefix name");
        } else {
            fail("unknown option '" + arg + "'");
        }
    }
    if (line.help || line.version) return parsed;
    if (!firstError.empty()) {
        parsed.error = firstError;
        return parsed;
    }

    if (operands.empty()) {
        parsed.error = "no command given";
        return parsed;
    }
    const CommandWord* word = FindCommand(operands[0]);
    if (word == nullptr) {
        parsed.error = "unknown command '" + operands[0] + "'";
        return parsed;
    }
    line.command = word->command;
    std::size_t next = 1;
    if (word->folders == 1) {
        if (operands.size() < 2 || operands[1].empty()) {
            parsed.error = std::string(word->name) +
                           (line.command == Command::Completion ? " needs a SHELL (bash, zsh or fish)"
                                                                : " needs a FOLDER");
            return parsed;
        }
        line.folder = operands[1];
        next = 2;
    }
    for (; next < operands.size(); ++next) {
        if (!word->ids) {
            parsed.error = std::string(word->name) + " takes no argument '" + operands[next] + "'";
            return parsed;
        }
        int id = 0;
        if (!ParseId(operands[next], &id)) {
            parsed.error = "'" + operands[next] + "' is not a component ID (a number from 1 to 32767)";
            return parsed;
        }
        line.ids.push_back(id);
    }

    if (line.command == Command::Completion && line.folder != "bash" && line.folder != "zsh" &&
        line.folder != "fish") {
        parsed.error = "no completion for the shell '" + line.folder + "' (bash, zsh or fish)";
    } else if (line.json && line.command == Command::Completion) {
        parsed.error = "--json is not for completion";
    } else if (line.dryRun && !word->dryRun) {
        parsed.error = std::string("--dry-run is for backup and restore, not ") + word->name;
    } else if ((typical || all) && line.command != Command::Backup) {
        parsed.error = std::string(typical ? "--typical" : "--all") + " is for backup only";
    } else if (typical && all) {
        parsed.error = "choose either --typical or --all";
    } else if ((typical || all) && !line.ids.empty()) {
        parsed.error = "give either component IDs or " + std::string(typical ? "--typical" : "--all");
    }
    if (!parsed.error.empty()) return parsed;

    if (!line.ids.empty()) {
        line.preset = Preset::Ids;
    } else {
        line.preset = all ? Preset::All : Preset::Typical;
    }
    return parsed;
}

}  // namespace sl::cli
