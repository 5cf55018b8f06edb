// The program's own embedded resources (the catalogue text, "Text" 129),
// generated at build time from wizard/resources.
#pragma once

#include <string>

#include "kernel/script/resource_loader.h"

namespace sl {

inline constexpr std::uint16_t kCatalogueResourceID = 129;
inline constexpr const char* kCatalogueResourceType = "Text";

// The program module's resource table; never finds the kernel's resources.
const ResourceTable& ProgramResources();

// The catalogue text as embedded in the program; empty when the resource is
// missing.
std::string LoadProgramCatalogueText();

}  // namespace sl
