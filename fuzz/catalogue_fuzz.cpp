// Fuzz target: the catalogue text, loaded by ComponentCatalogue from an
// injected text source, with a not-installed list from the input's first
// line. Loading, availability, check states and every text built from them
// must never crash, whatever the text says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/catalogue/component_catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string missing = split == std::string::npos ? std::string() : input.substr(0, split);
    const std::string text = split == std::string::npos ? input : input.substr(split + 1);

    sl::ComponentCatalogue catalogue(
        sl::kCatalogueMenus, [&missing](const char*) { return missing; },
        [&text]() { return text; });

    std::string ids;
    catalogue.ApplyPreset(0);
    catalogue.BuildIdList(ids);
    catalogue.ApplyPreset(1);
    ids.clear();
    catalogue.BuildIdList(ids);
    std::string summary;
    catalogue.BuildSummaryText(nullptr, summary, 0);
    std::string report;
    catalogue.BuildReportList(ids, nullptr, report, "", 0);

    // Toggle a few rows chosen by the input and rebuild the texts.
    for (std::size_t i = 0; i + 2 < size && i < 24; i += 3) {
        int menu = data[i] % (sl::kCatalogueMenus + 2) - 1;
        int row = data[i + 1] % 40;
        int state = data[i + 2] % 4;
        catalogue.SetCheckState(menu, row, state);
        int aggregate = catalogue.AggregateState(menu);
        if (aggregate < 0 || aggregate > 2) std::abort();
    }
    ids.clear();
    catalogue.BuildIdList(ids);
    catalogue.ApplyIdList(ids, 1);
    catalogue.PropagateAvailability();
    catalogue.HideUninstalled();
    catalogue.RemoveHidden();
    summary.clear();
    catalogue.BuildSummaryText(nullptr, summary, 0);
    return 0;
}
