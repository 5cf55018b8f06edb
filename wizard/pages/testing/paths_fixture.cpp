// The fixture's slots are defined in its header; this file gives it a
// translation unit of its own, so that its meta-object is built once.
#include "wizard/pages/testing/paths_fixture.h"
