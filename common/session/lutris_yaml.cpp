#include "common/session/lutris_yaml.h"

#include <cstddef>

namespace sl::session {
namespace {

std::size_t Indentation(const std::string& line) {
    std::size_t n = 0;
    while (n < line.size() && line[n] == ' ') ++n;
    return n;
}

bool BlankOrComment(const std::string& line) {
    const std::size_t start = line.find_first_not_of(" \t\r");
    return start == std::string::npos || line[start] == '#';
}

// A plain scalar ends at " #" (a comment) and loses surrounding blanks.
bool PlainScalar(const std::string& raw, std::string* value) {
    std::string text = raw;
    const std::size_t comment = text.find(" #");
    if (comment != std::string::npos) text.erase(comment);
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const std::size_t last = text.find_last_not_of(" \t\r");
    text = text.substr(first, last - first + 1);
    // Indicators that start something other than a plain scalar.
    if (std::string("|>{[&*!%@`").find(text[0]) != std::string::npos) return false;
    *value = text;
    return true;
}

bool SingleQuoted(const std::string& text, std::size_t pos, std::string* value) {
    value->clear();
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] != '\'') {
            value->push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == '\'') {
            value->push_back('\'');
            ++i;
        } else {
            return true;
        }
    }
    return false;  // not closed on this line
}

bool DoubleQuoted(const std::string& text, std::size_t pos, std::string* value) {
    value->clear();
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') return true;
        if (c != '\\') {
            value->push_back(c);
            continue;
        }
        if (++i >= text.size()) return false;
        switch (text[i]) {
            case '\\': value->push_back('\\'); break;
            case '"': value->push_back('"'); break;
            case '/': value->push_back('/'); break;
            case ' ': value->push_back(' '); break;
            default: return false;  // an escape a folder name has no use for
        }
    }
    return false;
}

// The value after "key:" on a line, as a string.
bool ScalarValue(const std::string& rest, std::string* value) {
    const std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    if (rest[start] == '\'') return SingleQuoted(rest, start, value);
    if (rest[start] == '"') return DoubleQuoted(rest, start, value);
    return PlainScalar(rest, value);
}

// "key:" at the start of the trimmed line; the rest after the colon.
bool KeyIs(const std::string& line, std::size_t indent, const char* key, std::string* rest) {
    const std::string wanted = std::string(key) + ":";
    if (line.compare(indent, wanted.size(), wanted) != 0) return false;
    const std::size_t after = indent + wanted.size();
    if (after < line.size() && line[after] != ' ' && line[after] != '\t' && line[after] != '\r') {
        return false;  // "prefixes:" is another key
    }
    *rest = line.substr(after);
    return true;
}

}  // namespace

std::string LutrisGamePrefix(const std::string& text, const std::string& home) {
    bool inGame = false;
    std::size_t childIndent = 0;  // the indentation of the game block's keys
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (BlankOrComment(line)) continue;
        const std::size_t indent = Indentation(line);
        std::string rest;
        if (indent == 0) {
            inGame = KeyIs(line, 0, "game", &rest) && BlankOrComment(rest);
            childIndent = 0;
            continue;
        }
        if (!inGame) continue;
        if (childIndent == 0) childIndent = indent;
        if (indent != childIndent || !KeyIs(line, indent, "prefix", &rest)) continue;
        std::string value;
        if (!ScalarValue(rest, &value) || value.empty()) return {};
        if (value.rfind("~/", 0) == 0 && !home.empty()) value = home + value.substr(1);
        return value[0] == '/' ? value : std::string();
    }
    return {};
}

std::string LutrisGameName(const std::string& fileName) {
    std::string name = fileName;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    const std::size_t dash = name.rfind('-');
    if (dash != std::string::npos && dash > 0 && dash + 1 < name.size() &&
        name.find_first_not_of("0123456789", dash + 1) == std::string::npos) {
        name.erase(dash);
    }
    return name;
}

}  // namespace sl::session
