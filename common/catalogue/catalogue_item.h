// One row of the component catalogue: a component (one unit of settings) or a
// group that opens a sub-menu of further rows.
#pragma once

#include <cstdint>
#include <string>

namespace sl {

// Check states of a row.
inline constexpr std::int32_t kUnchecked = 0;
inline constexpr std::int32_t kChecked = 1;
inline constexpr std::int32_t kPartlyChecked = 2;

// Sub-menu number of a component.
inline constexpr std::int16_t kNoSubMenu = -1;

class CatalogueItem {
public:
    virtual ~CatalogueItem() = default;

    bool IsGroup() const { return SubMenuID != kNoSubMenu; }

    std::string Title;            // one blank, then the title as written
    std::int16_t MenuID = 0;      // menu that holds the row
    std::int16_t ItemID = 0;      // instruction ID sent to the kernel library
    std::int16_t SubMenuID = kNoSubMenu;  // menu the row opens, -1 for a component
    int ParentMenu = -1;          // menu holding the row that opens MenuID; -1 for none
    std::string Description;
    std::int32_t CheckState = kUnchecked;  // kUnchecked, kChecked or kPartlyChecked
    std::int32_t Available = 1;   // 1 shown, 0 hidden
    std::int32_t Typical = 0;     // 1 for a component of the typical preset
};

}  // namespace sl
