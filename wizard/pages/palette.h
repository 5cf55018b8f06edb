// A dark palette like the ones dark desktop themes give programs: the
// wizard's pages must stay readable in it (the screenshot tour and the tests
// draw pages with it).
#pragma once

#include <QPalette>

namespace sl::wizard {

QPalette DarkPalette();

}  // namespace sl::wizard
