#include "Library.h"

#include "DataPaths.h"
#include "data/MaterialFile.h"
#include "platform/FileListing.h"

#include <array>
#include <optional>

namespace bindings {

Library::Library(std::filesystem::path root) : m_root(std::move(root)) {
    std::error_code error;
    if (!std::filesystem::is_directory(m_root, error)) {
        throw NotFound(m_root.generic_string() + ": no such folder");
    }
}

std::filesystem::path Library::DefaultRoot(const char* home) {
    if (home != nullptr && *home != '\0') {
        return home;
    }
    return PHOTONXS_SHIPPED_LIBRARY;
}

std::vector<DataFileEntry> Library::DataFiles(std::vector<std::string>& problems) const {
    struct Folder {
        std::string_view name;
        std::string_view pattern;
        std::string_view category;
    };
    constexpr std::array<Folder, 4> kFolders = {{{"ele", "*.ele", "element"},
                                                 {"mix", "*.mix1", "human"},
                                                 {"mix", "*.mix2", "phantom"},
                                                 {"mix", "*.mix3", "other"}}};
    std::vector<DataFileEntry> entries;
    for (const Folder& folder : kFolders) {
        for (const std::string& file : platform::ListFiles(m_root / folder.name, folder.pattern)) {
            const std::string path = std::string(folder.name) + "/" + file;
            data::DataFileHeader header;
            const data::LoadResult read = data::ReadDataFileHeader(m_root / path, header);
            if (!read.ok()) {
                problems.push_back(data::DescribeLoadError(read, path));
                continue;
            }
            entries.push_back({path, header.name, std::string(folder.category), header.density});
        }
    }
    return entries;
}

Material Library::Load(std::string_view argument) const {
    std::string error;
    const std::optional<std::string> path = cli::ResolveDataPath(m_root, argument, error);
    if (!path) {
        // A name that matches nothing is missing; one that matches several is a bad argument.
        if (error.find("more than one") != std::string::npos) {
            throw std::invalid_argument(error);
        }
        throw NotFound(error);
    }
    auto table = std::make_shared<data::MaterialTable>();
    table->SelectedPath = *path;
    table->ResetExtremes();
    const data::LoadResult loaded = data::LoadMaterialTable(*table, m_root);
    if (!loaded.ok()) {
        const std::string message = data::DescribeLoadError(loaded, *path);
        if (loaded.error == data::LoadError::CannotOpen) {
            throw NotFound(message);
        }
        throw std::invalid_argument(message);
    }
    return {*path, table->MaterialName, loaded.density, std::move(table)};
}

} // namespace bindings
