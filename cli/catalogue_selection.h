// The component choice of a command, made with the wizard's catalogue code:
// the catalogue is built as the wizard builds it, cut down to what a folder
// holds for a restore or an unrestore, and checked through ApplyPreset or
// SetCheckState, so that a checked group carries every row below it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/catalogue/component_catalogue.h"

namespace sl::cli {

// The catalogue of the installed components (query is the library's
// not-installed query; empty means nothing is missing). With limitTo given,
// only its rows and the groups above them remain (ApplyIdList(list, 1),
// PropagateAvailability, RemoveHidden), as on the restore-choice page.
std::unique_ptr<ComponentCatalogue> MakeCatalogue(const InstalledIDsQuery& query,
                                                  const std::string* limitTo = nullptr);

// Checks every row whose ID is in ids with SetCheckState (state 1). IDs that
// name no row of the catalogue are appended to *unknown and change nothing.
void CheckIds(ComponentCatalogue& catalogue, const std::vector<int>& ids,
              std::vector<int>* unknown);

// The ID list of the checked rows (BuildIdList).
std::string SelectedIdList(const ComponentCatalogue& catalogue);

// Position of the first row with ItemID id; false when there is none.
bool FindRow(const ComponentCatalogue& catalogue, int id, int* menu, int* position);

// The row's title without its leading blank, behind the titles of the
// groups above it: "Microsoft Word Settings / Common Settings". Empty when
// no row has that ID.
std::string ComponentName(const ComponentCatalogue& catalogue, int id);

// The decimal IDs of the tokens of an ID list, in order, each once.
std::vector<int> IdsOf(const std::string& idList);

// A title as shown: without the leading blank the catalogue stores.
std::string PlainTitle(const std::string& title);

}  // namespace sl::cli
