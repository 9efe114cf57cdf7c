#include "export/CsvExport.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"

#include <vector>

namespace exporting {

std::string CsvText(const data::MaterialTable& table, double density) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(table.RowCount) + 3);
    lines.push_back(table.MaterialName);
    lines.push_back(data::FormatDensity(density));
    lines.push_back(data::FormatCount(table.RowCount));
    for (int i = 1; i <= table.RowCount; ++i) {
        const auto s = static_cast<std::size_t>(i);
        std::string line = data::FormatScientific(table.Energy[s]);
        for (const data::Column* column : {&table.Coherent, &table.Incoherent, &table.PhotoElectric,
                                           &table.PairNuclear, &table.PairElectron}) {
            line += ',';
            line += data::FormatScientificBlank((*column)[s]);
        }
        lines.push_back(std::move(line));
    }
    return data::JoinLines(lines);
}

std::filesystem::path ComposeTargetPath(const std::filesystem::path& folder,
                                        const std::filesystem::path& typedName,
                                        const std::string& extension) {
    std::filesystem::path name = typedName;
    name += extension;
    // Joining with the folder's own separator rules keeps a root folder ("/" or "C:\") valid;
    // dropping a leading separator or drive from the typed part keeps the file in the folder,
    // as writing "folder" + separator + "\name" would.
    return folder / name.relative_path();
}

ExportResult ExportTableCsv(data::MaterialTable& table, const std::filesystem::path& root,
                            const std::filesystem::path& target) {
    if (table.SelectedPath.empty()) {
        return {ExportStatus::NoSelection, "no material file is selected", {}};
    }
    // The extremes are deliberately left as the last GO left them: the reload only widens them.
    const data::LoadResult loaded = data::LoadMaterialTable(table, root);
    if (!loaded.ok()) {
        return {ExportStatus::CannotLoad, data::DescribeLoadError(loaded, table.SelectedPath), {}};
    }
    const data::WriteResult written =
        data::WriteFileReplacing(target, CsvText(table, loaded.density));
    if (!written.ok) {
        return {ExportStatus::CannotWrite, written.reason, target};
    }
    return {};
}

} // namespace exporting
