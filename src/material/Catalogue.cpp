#include "material/Catalogue.h"

#include "data/EditDistance.h"
#include "data/MaterialFile.h"
#include "platform/FileListing.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <tuple>

namespace material {

namespace {

constexpr std::array<std::string_view, 3> kMaterialPatterns = {"*.mix1", "*.mix2", "*.mix3"};

// Element files are named by atomic number and symbol ("082_Pb.ele"): the symbol is the part
// between the first underscore and the extension.
std::string symbolOf(std::string_view fileName) {
    std::string_view stem = fileName.substr(0, fileName.size() - 4);
    const std::size_t underscore = stem.find('_');
    return std::string(underscore == std::string_view::npos ? stem : stem.substr(underscore + 1));
}

// How near a folded text is to a name or word: 1 when it begins with the text, 2 when it holds
// it, 2 + the edit distance when that is small; 0 when it is not near.
std::size_t nearness(std::string_view key, std::string_view name) {
    if (name.starts_with(key)) {
        return 1;
    }
    if (key.size() >= 3 && name.find(key) != std::string_view::npos) {
        return 2;
    }
    if (const std::size_t d = data::EditDistance(key, name);
        d <= std::max<std::size_t>(1, key.size() / 3)) {
        return 2 + d;
    }
    return 0;
}

// How near the words of a typed name of several words are to a name's words, each typed word
// to the name's word nearest it: 1 when each begins one, 2 + the slips summed when each is a
// slip or two from one and the sum is small for the whole; 0 when a word is near none.
std::size_t wordNearness(const std::vector<std::string>& typed,
                         const std::vector<std::string>& name) {
    std::size_t slips = 0;
    std::size_t letters = 0;
    for (const std::string& word : typed) {
        std::size_t least = word.size();
        for (const std::string& other : name) {
            least = std::min(least, other.starts_with(word) ? 0 : data::EditDistance(word, other));
        }
        // A word of two letters or less must begin a word; a longer one may be a slip or two off.
        if (least > (word.size() < 3 ? 0 : std::max<std::size_t>(1, word.size() / 3))) {
            return 0;
        }
        slips += least;
        letters += word.size();
    }
    if (slips == 0) {
        return 1;
    }
    return slips <= std::max<std::size_t>(1, letters / 4) ? 2 + slips : 0;
}

bool fromCompendium(NameKind kind) {
    return kind == NameKind::CompendiumName || kind == NameKind::Alias || kind == NameKind::Group;
}

Catalogue build(const std::filesystem::path& root) {
    Catalogue catalogue;
    catalogue.root = root;
    double density = 0.0;
    const auto add = [&](std::string shown, NameKind kind, std::string path, std::size_t material,
                         bool usual, std::string_view named) {
        std::string key = FoldedName(named);
        if (!key.empty()) {
            catalogue.names.push_back({std::move(key), std::move(shown), kind, std::move(path),
                                       material, usual, NameWords(named), LooseName(named), density,
                                       std::string(named)});
        }
    };
    const auto lineOne = [&](const std::string& path) {
        data::DataFileHeader header;
        const bool read = data::ReadDataFileHeader(root / path, header).ok();
        density = read ? header.density : 0.0;
        return read ? header.name : std::string();
    };
    catalogue.elementFiles = platform::ListFiles(root / "ele", "*.ele");
    for (const std::string& file : catalogue.elementFiles) {
        const std::string path = "ele/" + file;
        const std::string symbol = symbolOf(file);
        const std::string name = lineOne(path);
        add(symbol, NameKind::Symbol, path, 0, false, symbol);
        add(name, NameKind::ElementName, path, 0, false, name);
    }
    for (const std::string_view pattern : kMaterialPatterns) {
        for (std::string& file : platform::ListFiles(root / "mix", pattern)) {
            catalogue.materialFiles.push_back(std::move(file));
        }
    }
    for (const std::string& file : catalogue.materialFiles) {
        const std::string path = "mix/" + file;
        const std::string stem = file.substr(0, file.size() - 5);
        const std::string name = lineOne(path);
        add(stem, NameKind::FileStem, path, 0, false, stem);
        add(stem, NameKind::MaterialName, path, 0, false, name);
    }
    if (std::optional<Compendium> compendium = ReadCompendium(root, catalogue.compendiumError)) {
        catalogue.compendium = std::move(*compendium);
    }
    const std::vector<CompendiumMaterial>& materials = catalogue.compendium.materials;
    for (std::size_t i = 0; i < materials.size(); ++i) {
        density = materials[i].densityGPerCm3;
        add(materials[i].name, NameKind::CompendiumName, {}, i, false, materials[i].name);
    }
    for (const CompendiumName& name : catalogue.compendium.names) {
        density = materials[name.material].densityGPerCm3;
        add(name.name, name.group ? NameKind::Group : NameKind::Alias, {}, name.material,
            name.usual, name.name);
    }
    std::string text;
    std::string ignored;
    if (data::ReadWholeFile(root / attenuation::kCompositionsFile, text)) {
        if (auto compositions = attenuation::ParseCompositions(text, ignored)) {
            catalogue.compositions = std::move(*compositions);
        }
    }
    return catalogue;
}

// What tells that a folder's catalogue may have changed: the times its folders and files were
// last written (a file added, removed or renamed changes its folder's time).
using Stamp = std::array<std::filesystem::file_time_type, 6>;

Stamp stampOf(const std::filesystem::path& root) {
    const std::filesystem::path compendium = root / kCompendiumFolder;
    const std::array<std::filesystem::path, 6> watched = {root / "ele",
                                                          root / "mix",
                                                          root / attenuation::kCompositionsFile,
                                                          compendium,
                                                          compendium / kCompendiumMaterialsFile,
                                                          compendium / kCompendiumNamesFile};
    Stamp stamp{};
    for (std::size_t i = 0; i < watched.size(); ++i) {
        std::error_code missing;
        const auto time = std::filesystem::last_write_time(watched[i], missing);
        stamp[i] = missing ? std::filesystem::file_time_type::min() : time;
    }
    return stamp;
}

} // namespace

std::string FoldedName(std::string_view text) {
    std::string result;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '_') {
            continue;
        }
        result += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return result;
}

std::vector<std::string> NameWords(std::string_view text) {
    std::vector<std::string> words(1);
    for (const char c : text) {
        if (std::string_view(" \t_,;:()[]").find(c) != std::string_view::npos) {
            if (!words.back().empty()) {
                words.emplace_back();
            }
            continue;
        }
        words.back() += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (words.back().empty()) {
        words.pop_back();
    }
    return words;
}

std::string LooseName(std::string_view text) {
    std::string result;
    for (const char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) {
            result += c;
        } else if (c >= 'A' && c <= 'Z') {
            result += static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::string TypedCompendiumName(const Catalogue& catalogue, std::size_t material) {
    std::string typed;
    for (const char c : catalogue.compendium.materials[material].name) {
        const bool letter = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                            (c >= 'A' && c <= 'Z') || c == '.' || c == '%' || c == '-';
        if (letter) {
            typed += c;
        } else if (!typed.empty() && typed.back() != '_') {
            typed += '_';
        }
    }
    while (!typed.empty() && typed.back() == '_') {
        typed.pop_back();
    }
    // Where a data file, an element or a library material would answer first, the prefix says
    // which is meant.
    const std::string key = FoldedName(typed);
    const std::vector<std::string> words = NameWords(typed);
    const bool taken =
        std::any_of(catalogue.names.begin(), catalogue.names.end(), [&](const CatalogueName& name) {
            if (name.path.empty()) {
                return false;
            }
            return name.key == key ||
                   std::all_of(words.begin(), words.end(), [&](const std::string& word) {
                       return std::find(name.words.begin(), name.words.end(), word) !=
                              name.words.end();
                   });
        });
    return taken ? "compendium:" + typed : typed;
}

std::vector<MaterialChoice> MaterialChoices(const Catalogue& catalogue, bool elements) {
    std::vector<MaterialChoice> choices;
    std::map<std::string, std::size_t> byPath;
    std::map<std::size_t, std::size_t> byMaterial;
    for (const CatalogueName& name : catalogue.names) {
        std::size_t at = 0;
        const bool element = name.kind == NameKind::Symbol || name.kind == NameKind::ElementName;
        if (name.kind == NameKind::FileStem || name.kind == NameKind::MaterialName ||
            (element && elements)) {
            const auto [found, added] = byPath.emplace(name.path, choices.size());
            if (added) {
                choices.push_back({name.shown, name.shown, name.density, false, {}, {}, name.path});
            }
            at = found->second;
            if (name.kind == NameKind::MaterialName || name.kind == NameKind::ElementName) {
                choices[at].name = name.text;
            }
        } else if (name.kind == NameKind::CompendiumName || name.kind == NameKind::Alias) {
            const auto [found, added] = byMaterial.emplace(name.material, choices.size());
            if (added) {
                choices.push_back({catalogue.compendium.materials[name.material].name,
                                   TypedCompendiumName(catalogue, name.material),
                                   name.density,
                                   true,
                                   {},
                                   {},
                                   {}});
            }
            at = found->second;
            if (name.kind == NameKind::Alias) {
                choices[at].aliases += (choices[at].aliases.empty() ? "" : ", ") + name.shown;
            }
        } else {
            continue;
        }
        choices[at].words.insert(choices[at].words.end(), name.words.begin(), name.words.end());
    }
    return choices;
}

bool ChoiceMatches(const MaterialChoice& choice, std::string_view search, bool anywhere) {
    for (const std::string& word : NameWords(search)) {
        const bool begins =
            std::any_of(choice.words.begin(), choice.words.end(), [&](const std::string& w) {
                return anywhere ? w.find(word) != std::string::npos : w.starts_with(word);
            });
        if (!begins) {
            return false;
        }
    }
    return true;
}

std::vector<const CatalogueName*> Catalogue::Exactly(std::string_view typed) const {
    const std::string key = FoldedName(typed);
    std::vector<const CatalogueName*> found;
    for (const CatalogueName& name : names) {
        if (!key.empty() && name.key == key) {
            found.push_back(&name);
        }
    }
    return found;
}

std::string Catalogue::Closest(std::string_view typed) const {
    const std::string key = FoldedName(typed);
    const std::vector<std::string> typedWords = NameWords(typed);
    const std::string loose = LooseName(typed);
    struct Near {
        std::size_t score;
        bool compendium;
        bool byWord;
        std::size_t lengthGap;
        const CatalogueName* name;
    };
    std::vector<Near> near;
    for (const CatalogueName& name : names) {
        if (key.empty()) {
            break;
        }
        std::size_t score = nearness(key, name.key);
        // The whole name again by its letters and digits alone, so that its punctuation and
        // brackets count for no slips.
        if (score == 0 && !loose.empty()) {
            const std::size_t d = data::EditDistance(loose, name.loose);
            score = d <= std::max<std::size_t>(1, loose.size() / 3) ? 2 + d : 0;
        }
        bool byWord = false;
        if (typedWords.size() > 1) {
            const std::size_t s = wordNearness(typedWords, name.words);
            if (s != 0 && (score == 0 || s < score)) {
                score = s;
                byWord = true;
            }
        }
        if (name.words.size() > 1) {
            for (const std::string& word : name.words) {
                const std::size_t s = word.size() > 1 ? nearness(key, word) : 0;
                if (s != 0 && (score == 0 || s < score)) {
                    score = s;
                    byWord = true;
                }
            }
        }
        if (score == 0) {
            continue;
        }
        const std::size_t gap = name.key.size() > key.size() ? name.key.size() - key.size()
                                                             : key.size() - name.key.size();
        near.push_back({score, fromCompendium(name.kind), byWord, gap, &name});
    }
    std::sort(near.begin(), near.end(), [](const Near& a, const Near& b) {
        return std::tie(a.score, a.compendium, a.byWord, a.lengthGap, a.name->shown) <
               std::tie(b.score, b.compendium, b.byWord, b.lengthGap, b.name->shown);
    });
    std::vector<std::string> shown;
    for (const Near& n : near) {
        if (n.score != near.front().score || shown.size() == 3) {
            break;
        }
        if (std::find(shown.begin(), shown.end(), n.name->shown) == shown.end()) {
            shown.push_back(n.name->shown);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == shown.size() ? " or " : ", ") + shown[i];
    }
    return text;
}

namespace {

struct Kept {
    Stamp stamp;
    std::shared_ptr<const Catalogue> catalogue;
};

std::mutex g_guard;
std::map<std::string, Kept> g_kept;

} // namespace

void ForgetCatalogues() {
    const std::lock_guard lock(g_guard);
    g_kept.clear();
}

std::shared_ptr<const Catalogue> CatalogueOf(const std::filesystem::path& root) {
    const Stamp stamp = stampOf(root);
    const std::lock_guard lock(g_guard);
    Kept& entry = g_kept[root.generic_string()];
    if (!entry.catalogue || entry.stamp != stamp) {
        entry = {stamp, std::make_shared<const Catalogue>(build(root))};
    }
    return entry.catalogue;
}

} // namespace material
