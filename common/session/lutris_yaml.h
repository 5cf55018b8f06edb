// The Wine prefix of a Lutris game, read from the game's YAML file
// (games/<slug>-<number>.yml): the "prefix:" entry inside the top-level
// "game:" block,
//
//   game:
//     exe: /home/me/Games/office/drive_c/Program Files/Office/winword.exe
//     prefix: /home/me/Games/office
//
// Only this small part of YAML is read: block mappings by indentation, plain,
// 'single-quoted' and "double-quoted" scalars, comments. Anything else (flow
// style, block scalars, anchors) yields no prefix.
#pragma once

#include <string>

namespace sl::session {

// The prefix folder the text names, with a leading "~/" taken against home;
// "" when the text names none, or names a relative folder.
std::string LutrisGamePrefix(const std::string& text, const std::string& home);

// The game's name from its file name: "office-1612345678.yml" -> "office"
// (the number Lutris adds is left out; the extension too).
std::string LutrisGameName(const std::string& fileName);

}  // namespace sl::session
