// Backup folder files written by hand, byte by byte, in the archive
// encoding: bookkeeping records and registry archive records as a crafted
// or damaged folder could hold them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sl::testing {

// The archive encoding, written by hand.
class Bytes {
public:
    Bytes& U16(std::uint16_t v) {
        text_.push_back(static_cast<char>(v & 0xFF));
        text_.push_back(static_cast<char>(v >> 8));
        return *this;
    }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Str(const std::string& s) {
        if (s.size() < 255) {
            text_.push_back(static_cast<char>(s.size()));
        } else {
            text_.push_back('\xFF');
            U16(static_cast<std::uint16_t>(s.size()));
        }
        text_ += s;
        return *this;
    }
    Bytes& NewClass(const std::string& name, std::uint16_t schema = 1) {
        U16(0xFFFF).U16(schema).U16(static_cast<std::uint16_t>(name.size()));
        text_ += name;
        return *this;
    }
    Bytes& Raw(const std::string& s) {
        text_ += s;
        return *this;
    }
    Bytes& RegItem(const std::string& id, std::uint32_t root, const std::string& key,
                   const std::string& file) {
        return Str(id).U32(root).Str(key).Str(file);
    }
    Bytes& FileItem(const std::string& id, std::int32_t pathID,
                    const std::vector<std::string>& sources,
                    const std::vector<std::string>& backups) {
        Str(id).U32(static_cast<std::uint32_t>(pathID)).U16(static_cast<std::uint16_t>(sources.size()));
        for (const auto& s : sources) Str(s);
        U16(static_cast<std::uint16_t>(backups.size()));
        for (const auto& b : backups) Str(b);
        return *this;
    }
    Bytes& Value(std::uint32_t root, const std::string& key, const std::string& name,
                 const std::string& text) {
        U32(0).U32(root).Str(key).Str("").Str(name).U32(1).U32(static_cast<std::uint32_t>(text.size() + 1));
        text_ += text;
        text_.push_back('\0');
        return *this;
    }
    Bytes& Key(std::uint32_t root, const std::string& key) {
        return U32(1).U32(root).Str(key).Str("").Str("").U32(0).U32(0);
    }
    const std::string& str() const { return text_; }

private:
    std::string text_;
};

}  // namespace sl::testing
