#include "common/session/steam_libraries.h"

#include <algorithm>
#include <cctype>

namespace sl::session {
namespace {

constexpr int kMaxDepth = 16;

enum class TokenKind { String, Open, Close, End, Bad };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
};

class Tokens {
public:
    explicit Tokens(const std::string& text) : text_(text) {}

    Token Next() {
        SkipBlanksAndComments();
        if (pos_ >= text_.size()) return {TokenKind::End, {}};
        const char c = text_[pos_];
        if (c == '{' || c == '}') {
            ++pos_;
            return {c == '{' ? TokenKind::Open : TokenKind::Close, {}};
        }
        return c == '"' ? Quoted() : Bare();
    }

private:
    void SkipBlanksAndComments() {
        while (pos_ < text_.size()) {
            if (std::isspace(static_cast<unsigned char>(text_[pos_]))) {
                ++pos_;
            } else if (text_.compare(pos_, 2, "//") == 0) {
                const std::size_t end = text_.find('\n', pos_);
                pos_ = end == std::string::npos ? text_.size() : end + 1;
            } else {
                break;
            }
        }
    }

    Token Quoted() {
        Token token{TokenKind::String, {}};
        for (++pos_; pos_ < text_.size(); ++pos_) {
            char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return token;
            }
            if (c == '\\' && pos_ + 1 < text_.size()) {
                c = text_[++pos_];
                if (c == 'n') c = '\n';
                if (c == 't') c = '\t';
            }
            token.text.push_back(c);
        }
        return {TokenKind::Bad, {}};  // not closed
    }

    Token Bare() {
        Token token{TokenKind::String, {}};
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(c)) || c == '{' || c == '}' || c == '"') {
                break;
            }
            token.text.push_back(c);
            ++pos_;
        }
        return token;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

bool Numbered(const std::string& key) {
    return !key.empty() && key.size() < 10 &&
           std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool SameLetters(const std::string& a, const char* b) {
    std::string lower = a;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == b;
}

}  // namespace

std::vector<std::string> SteamLibraryFolders(const std::string& text, std::size_t maxLibraries) {
    std::vector<std::string> folders;
    auto add = [&](const std::string& folder) {
        if (folder.empty() || folder[0] != '/') return;
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(folder);
        }
    };
    Tokens tokens(text);
    // keys[d] is the key of the block open at depth d+1.
    std::vector<std::string> keys;
    while (folders.size() < maxLibraries) {
        Token key = tokens.Next();
        if (key.kind == TokenKind::Close) {
            if (keys.empty()) break;
            keys.pop_back();
            continue;
        }
        if (key.kind != TokenKind::String) break;
        Token value = tokens.Next();
        if (value.kind == TokenKind::Open) {
            if (keys.size() >= kMaxDepth) break;
            keys.push_back(key.text);
            continue;
        }
        if (value.kind != TokenKind::String) break;
        // "path" of a numbered entry: {"libraryfolders" {"1" {"path" ...}}}.
        if (keys.size() == 2 && Numbered(keys[1]) && SameLetters(key.text, "path")) add(value.text);
        // The older form: {"LibraryFolders" {"1" "/folder"}}.
        if (keys.size() == 1 && Numbered(key.text)) add(value.text);
    }
    return folders;
}

}  // namespace sl::session
