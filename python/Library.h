#pragma once

#include "material/Resolve.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bindings {

/// A data file or folder that is not there; the Python module raises FileNotFoundError for it.
/// Other bad input throws std::invalid_argument (ValueError).
class NotFound : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// A loaded material and the working folder it came from, shared and never changed once
/// loaded, so that look-ups may read its table from several threads.
struct LoadedMaterial {
    material::ResolvedMaterial resolved;
    std::filesystem::path root;
};
using Material = std::shared_ptr<LoadedMaterial>;

/// One absorption edge of an element of a material, with the jump of the material's total.
struct MaterialEdge {
    std::string element;
    std::string shell;
    double energyMeV = 0.0;
    double jump = 0.0; ///< total just above over total just below; NaN when the table has no step
};

/// The edges of every element of a material, in the order of its composition and of the
/// element library's list. Throws std::invalid_argument when the material's elements are not
/// known, NotFound when the working folder has no edge list.
std::vector<MaterialEdge> EdgesOf(const LoadedMaterial& material, std::string_view argument);

/// One data file of a working folder, as the main window lists it.
struct DataFileEntry {
    std::string path;
    std::string name;
    std::string category; ///< "element", "human", "phantom" or "other"
    double density = 0.0;
};

/// A working folder holding ele/ and mix/.
class Library {
  public:
    /// Throws NotFound when `root` is not a folder.
    explicit Library(std::filesystem::path root);

    /// `home` (PHOTONXS_HOME) when set and not empty, else the library shipped with the package
    /// (SetShippedLibrary). Throws NotFound when there is neither, as in a build tree.
    static std::filesystem::path DefaultRoot(const char* home);

    /// The library the installed package carries or was installed with; set once on import.
    static void SetShippedLibrary(std::filesystem::path library);

    const std::filesystem::path& Root() const { return m_root; }

    /// Every readable data file, elements first, then the three material categories, each
    /// sorted by file name. Each file that cannot be read adds its message to `problems`.
    std::vector<DataFileEntry> DataFiles(std::vector<std::string>& problems) const;

    /// Loads the material an argument names, resolved as the command line resolves it (a path,
    /// a file name, an element symbol, a material file name without extension, "formula:" or
    /// "mix:"). Throws NotFound or std::invalid_argument with the resolver's message.
    Material Load(std::string_view argument) const;

  private:
    std::filesystem::path m_root;
};

} // namespace bindings
