#include "Library.h"

#include "data/MaterialFile.h"
#include "material/Edges.h"
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

namespace {
// Only read and written with the interpreter lock held.
std::filesystem::path& shippedLibrary() {
    static std::filesystem::path library;
    return library;
}
} // namespace

std::filesystem::path Library::DefaultRoot(const char* home) {
    if (home != nullptr && *home != '\0') {
        return home;
    }
    if (shippedLibrary().empty()) {
        throw NotFound("this photonxs carries no library (a build tree): set PHOTONXS_HOME or "
                       "give Library(root)");
    }
    return shippedLibrary();
}

void Library::SetShippedLibrary(std::filesystem::path library) {
    shippedLibrary() = std::move(library);
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
    auto loaded = std::make_shared<LoadedMaterial>();
    loaded->root = m_root;
    std::string error;
    material::ResolveFailure failure = material::ResolveFailure::Invalid;
    if (material::ResolveMaterial(m_root, argument, loaded->resolved, error, &failure)) {
        return loaded;
    }
    if (failure == material::ResolveFailure::NotFound) {
        throw NotFound(error);
    }
    throw std::invalid_argument(error);
}

std::vector<MaterialEdge> EdgesOf(const LoadedMaterial& material, std::string_view argument) {
    const material::Composition& composition = material.resolved.composition;
    if (!composition.known) {
        throw std::invalid_argument("the elements of '" + std::string(argument) +
                                    "' are not known, so neither are its edges");
    }
    std::vector<material::Edge> edges;
    std::string error;
    if (!material::ReadEdgeList(material.root, edges, error)) {
        std::error_code noFile;
        if (!std::filesystem::exists(material.root / "edges.csv", noFile)) {
            throw NotFound(error);
        }
        throw std::invalid_argument(error);
    }
    std::vector<MaterialEdge> found;
    for (const material::ElementFraction& element : composition.elements) {
        for (const material::Edge& edge : edges) {
            if (edge.z == element.z) {
                found.push_back({element.symbol, edge.shell, edge.energyMeV,
                                 material::EdgeJump(material.resolved.table, edge.energyMeV)});
            }
        }
    }
    return found;
}

} // namespace bindings
