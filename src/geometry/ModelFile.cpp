#include "geometry/ModelFile.h"

#include "attenuation/EnergyAbsorption.h"
#include "attenuation/TextLines.h"
#include "data/CharConv.h"
#include "data/EditDistance.h"
#include "material/Resolve.h"
#include "shielding/Buildup.h"
#include "shielding/Inventory.h"
#include "shielding/ShieldingLibrary.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

namespace geometry {

namespace {

using Json = nlohmann::json;

/// A fault in the model, as one sentence.
struct Fault {
    std::string message;
};

std::string inQuotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

/// The object's keys must be among `known`; `where` names the object in messages.
void onlyKnownKeys(const Json& object, std::string_view where,
                   const std::vector<std::string_view>& known) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(known.begin(), known.end(), it.key()) == known.end()) {
            throw Fault{std::string(where) + " has no key " + inQuotes(it.key()) +
                        data::SuggestWord(it.key(), known)};
        }
    }
}

const Json& required(const Json& object, std::string_view where, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw Fault{std::string(where) + " needs " + inQuotes(key)};
    }
    return *found;
}

std::string textOf(const Json& value, std::string_view what) {
    if (!value.is_string()) {
        throw Fault{std::string(what) + " is not a text"};
    }
    return value.get<std::string>();
}

double numberOf(const Json& value, std::string_view what) {
    if (!value.is_number()) {
        throw Fault{std::string(what) + " is not a number"};
    }
    const double number = value.get<double>();
    if (!std::isfinite(number)) {
        throw Fault{std::string(what) + " is not a finite number"};
    }
    return number;
}

/// A length: a number of cm, or a text with its unit.
double lengthOf(const Json& value, std::string_view what) {
    if (value.is_string()) {
        std::string error;
        const std::optional<double> length = ReadLength(value.get<std::string>(), error);
        if (!length) {
            throw Fault{std::string(what) + ": " + error};
        }
        return *length;
    }
    if (!value.is_number()) {
        throw Fault{std::string(what) + " is not a length (a number of cm, or a text such as " +
                    "\"6 ft\")"};
    }
    return numberOf(value, what);
}

double positiveLength(const Json& object, std::string_view where, const char* key) {
    const std::string what = std::string(where) + "'s " + key;
    const double length = lengthOf(required(object, where, key), what);
    if (!(length > 0.0)) {
        throw Fault{what + " is not above 0"};
    }
    return length;
}

Vec3 pointOf(const Json& value, std::string_view what) {
    if (!value.is_array() || value.size() != 3) {
        throw Fault{std::string(what) + " is not a point [x, y, z]"};
    }
    Vec3 p{};
    for (std::size_t i = 0; i < 3; ++i) {
        p[i] = lengthOf(value[i], what);
    }
    return p;
}

int axisOf(const Json& value, std::string_view what) {
    const std::string text = value.is_string() ? value.get<std::string>() : std::string();
    if (text == "x" || text == "X") {
        return 0;
    }
    if (text == "y" || text == "Y") {
        return 1;
    }
    if (text == "z" || text == "Z") {
        return 2;
    }
    throw Fault{std::string(what) + " is not an axis (\"x\", \"y\" or \"z\")"};
}

std::optional<MaterialSpec> materialOf(const Json& object, std::string_view where) {
    const auto name = object.find("material");
    const auto density = object.find("density");
    if (name == object.end()) {
        if (density != object.end()) {
            throw Fault{std::string(where) + " has a density but no material"};
        }
        return std::nullopt;
    }
    MaterialSpec asGiven;
    asGiven.name = textOf(*name, std::string(where) + "'s material");
    if (density != object.end()) {
        const double value = numberOf(*density, std::string(where) + "'s density");
        if (!(value > 0.0)) {
            throw Fault{std::string(where) + "'s density is not above 0"};
        }
        asGiven.densityGPerCm3 = value;
    }
    return asGiven;
}

/// A radius, and the inner radius (0 when not given) below it.
void radiiOf(const Json& object, std::string_view where, bool hollow, Solid& solid) {
    solid.radius = positiveLength(object, where, "radius");
    if (hollow && object.contains("inner_radius")) {
        const std::string what = std::string(where) + "'s inner_radius";
        solid.innerRadius = lengthOf(object["inner_radius"], what);
        if (!(solid.innerRadius >= 0.0)) {
            throw Fault{what + " is below 0"};
        }
        if (!(solid.innerRadius < solid.radius)) {
            throw Fault{what + " is not below its radius"};
        }
    }
}

void boxOf(const Json& object, std::string_view where, Solid& solid) {
    solid.kind = Solid::Kind::Box;
    solid.low = pointOf(required(object, where, "min"), std::string(where) + "'s min");
    solid.high = pointOf(required(object, where, "max"), std::string(where) + "'s max");
    for (std::size_t i = 0; i < 3; ++i) {
        if (!(solid.low[i] < solid.high[i])) {
            throw Fault{std::string(where) + "'s min is not below its max in " +
                        std::string(1, "xyz"[i])};
        }
    }
}

void cylinderOf(const Json& object, std::string_view where, bool endless, Solid& solid) {
    solid.kind = Solid::Kind::Cylinder;
    solid.center = pointOf(required(object, where, "base"), std::string(where) + "'s base");
    solid.axis = axisOf(required(object, where, "axis"), std::string(where) + "'s axis");
    solid.length =
        endless && !object.contains("length") ? kInfinity : positiveLength(object, where, "length");
    radiiOf(object, where, true, solid);
}

std::string shapeOf(const Json& object, std::string_view where,
                    const std::vector<std::string_view>& shapes) {
    const std::string shape =
        textOf(required(object, where, "shape"), std::string(where) + "'s shape");
    if (std::find(shapes.begin(), shapes.end(), shape) == shapes.end()) {
        std::string list;
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            list += (i == 0 ? "" : i + 1 == shapes.size() ? " or " : ", ") + inQuotes(shapes[i]);
        }
        throw Fault{std::string(where) + "'s shape " + inQuotes(shape) + " is not " + list +
                    data::SuggestWord(shape, shapes)};
    }
    return shape;
}

void readSource(const Json& object, ModelSpec& asGiven) {
    const std::string_view where = "the source";
    if (!object.is_object()) {
        throw Fault{"the source is not an object {\"shape\": ...}"};
    }
    asGiven.sourceShape =
        shapeOf(object, where, {"point", "line", "disk", "box", "sphere", "cylinder"});
    const std::string& shape = asGiven.sourceShape;
    std::vector<std::string_view> keys = {"shape", "material", "density", "nuclides", "lines"};
    SourceBody& source = asGiven.source;
    if (shape == "point") {
        keys.insert(keys.end(), {"at"});
        onlyKnownKeys(object, where, keys);
        source.shape = SourceShape::Point;
        source.start = pointOf(required(object, where, "at"), "the source's at");
    } else if (shape == "line") {
        keys.insert(keys.end(), {"from", "to"});
        onlyKnownKeys(object, where, keys);
        source.shape = SourceShape::Line;
        source.start = pointOf(required(object, where, "from"), "the source's from");
        source.end = pointOf(required(object, where, "to"), "the source's to");
        if (source.start == source.end) {
            throw Fault{"the line source's from and to are one point"};
        }
    } else if (shape == "disk") {
        keys.insert(keys.end(), {"center", "axis", "radius"});
        onlyKnownKeys(object, where, keys);
        source.shape = SourceShape::Disk;
        source.start = pointOf(required(object, where, "center"), "the source's center");
        source.axis = axisOf(required(object, where, "axis"), "the source's axis");
        source.radius = positiveLength(object, where, "radius");
    } else if (shape == "box") {
        keys.insert(keys.end(), {"min", "max"});
        onlyKnownKeys(object, where, keys);
        source.shape = SourceShape::Box;
        boxOf(object, where, source.solid);
    } else if (shape == "sphere") {
        keys.insert(keys.end(), {"center", "radius"});
        onlyKnownKeys(object, where, keys);
        source.shape = SourceShape::Sphere;
        source.solid.kind = Solid::Kind::Sphere;
        source.solid.center = pointOf(required(object, where, "center"), "the source's center");
        radiiOf(object, where, false, source.solid);
    } else {
        keys.insert(keys.end(), {"base", "axis", "length", "radius", "inner_radius"});
        onlyKnownKeys(object, where, keys);
        source.shape = SourceShape::Cylinder;
        cylinderOf(object, where, false, source.solid);
    }
    asGiven.sourceMaterial = materialOf(object, where);
    if (asGiven.sourceMaterial && !source.HasVolume()) {
        throw Fault{"a " + shape + " source has no volume to hold a material: leave out its " +
                    "material, or give the source a volume"};
    }
    const bool nuclides = object.contains("nuclides");
    const bool lines = object.contains("lines");
    if (nuclides == lines) {
        throw Fault{"the source needs either \"nuclides\" ({\"Co-60\": \"1 GBq\"}) or \"lines\" "
                    "([[MeV, photons/s], ...]), not both"};
    }
    if (nuclides) {
        const Json& list = object["nuclides"];
        if (!list.is_object() || list.empty()) {
            throw Fault{"the source's nuclides are not {\"NAME\": \"ACTIVITY\", ...}"};
        }
        for (auto it = list.begin(); it != list.end(); ++it) {
            asGiven.nuclides.emplace_back(it.key(),
                                          textOf(it.value(), "the activity of " + it.key() +
                                                                 " (a text with its unit, "
                                                                 "such as \"1 GBq\")"));
        }
    } else {
        const Json& list = object["lines"];
        if (!list.is_array() || list.empty()) {
            throw Fault{"the source's lines are not [[MeV, photons/s], ...]"};
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string what = "the source's line " + std::to_string(i + 1);
            if (!list[i].is_array() || list[i].size() != 2) {
                throw Fault{what + " is not [MeV, photons/s]"};
            }
            const double energy = numberOf(list[i][0], what + "'s energy");
            const double photons = numberOf(list[i][1], what + "'s photons/s");
            if (!(energy > 0.0) || !(photons >= 0.0)) {
                throw Fault{what + " needs an energy above 0 and photons/s of 0 or more"};
            }
            asGiven.lines.emplace_back(energy, photons);
        }
    }
}

void readShield(const Json& object, std::size_t index, ModelSpec& asGiven) {
    const std::string where = "shield " + std::to_string(index + 1);
    if (!object.is_object()) {
        throw Fault{where + " is not an object {\"shape\": ...}"};
    }
    ShieldSpec shield;
    shield.shape = shapeOf(object, where, {"slab", "box", "sphere", "cylinder"});
    std::vector<std::string_view> keys = {"shape", "material", "density"};
    if (shield.shape == "slab") {
        keys.insert(keys.end(), {"axis", "from", "to"});
        onlyKnownKeys(object, where, keys);
        const int axis = axisOf(required(object, where, "axis"), where + "'s axis");
        double from = lengthOf(required(object, where, "from"), where + "'s from");
        double to = lengthOf(required(object, where, "to"), where + "'s to");
        if (from > to) {
            std::swap(from, to);
        }
        if (!(from < to)) {
            throw Fault{where + "'s two planes are one: its thickness is 0"};
        }
        shield.solid.kind = Solid::Kind::Box;
        shield.solid.low = {-kInfinity, -kInfinity, -kInfinity};
        shield.solid.high = {kInfinity, kInfinity, kInfinity};
        shield.solid.low[static_cast<std::size_t>(axis)] = from;
        shield.solid.high[static_cast<std::size_t>(axis)] = to;
    } else if (shield.shape == "box") {
        keys.insert(keys.end(), {"min", "max"});
        onlyKnownKeys(object, where, keys);
        boxOf(object, where, shield.solid);
    } else if (shield.shape == "sphere") {
        keys.insert(keys.end(), {"center", "radius", "inner_radius"});
        onlyKnownKeys(object, where, keys);
        shield.solid.kind = Solid::Kind::Sphere;
        shield.solid.center = pointOf(required(object, where, "center"), where + "'s center");
        radiiOf(object, where, true, shield.solid);
    } else {
        keys.insert(keys.end(), {"base", "axis", "length", "radius", "inner_radius"});
        onlyKnownKeys(object, where, keys);
        cylinderOf(object, where, true, shield.solid);
    }
    std::optional<MaterialSpec> material = materialOf(object, where);
    if (!material) {
        throw Fault{where + " needs \"material\""};
    }
    shield.material = *material;
    asGiven.shields.push_back(shield);
}

void readMap(const Json& object, ModelSpec& asGiven) {
    const std::string_view where = "the map";
    if (!object.is_object()) {
        throw Fault{"the map is not an object {\"plane\": ...}"};
    }
    onlyKnownKeys(object, where, {"plane", "at", "from", "to", "steps"});
    MapSpec map;
    map.plane = axisOf(required(object, where, "plane"), "the map's plane");
    map.at = lengthOf(required(object, where, "at"), "the map's at");
    const auto pair = [&](const char* key, double out[2]) {
        const Json& value = required(object, where, key);
        const std::string what = std::string("the map's ") + key;
        if (!value.is_array() || value.size() != 2) {
            throw Fault{what + " is not a pair [u, v]"};
        }
        out[0] = lengthOf(value[0], what);
        out[1] = lengthOf(value[1], what);
    };
    pair("from", map.from);
    pair("to", map.to);
    const Json& steps = required(object, where, "steps");
    if (!steps.is_array() || steps.size() != 2) {
        throw Fault{"the map's steps are not a pair [nu, nv]"};
    }
    for (std::size_t i = 0; i < 2; ++i) {
        if (!steps[i].is_number_integer() || steps[i].get<long long>() < 1 ||
            steps[i].get<long long>() > 2000) {
            throw Fault{"the map's steps are not whole numbers from 1 to 2000"};
        }
        map.steps[i] = steps[i].get<std::size_t>();
    }
    asGiven.map = map;
}

void readModel(const Json& root, ModelSpec& asGiven) {
    if (!root.is_object()) {
        throw Fault{"the model is not a JSON object {\"source\": ...}"};
    }
    onlyKnownKeys(root, "the model",
                  {"source", "shields", "filler", "detectors", "map", "buildup", "accuracy",
                   "decay", "fresh", "quantity"});
    readSource(required(root, "the model", "source"), asGiven);
    if (const auto shields = root.find("shields"); shields != root.end()) {
        if (!shields->is_array()) {
            throw Fault{"the shields are not a list [{\"shape\": ...}, ...]"};
        }
        for (std::size_t i = 0; i < shields->size(); ++i) {
            readShield((*shields)[i], i, asGiven);
        }
    }
    if (const auto filler = root.find("filler"); filler != root.end()) {
        if (!filler->is_object()) {
            throw Fault{"the filler is not an object {\"material\": ...}"};
        }
        onlyKnownKeys(*filler, "the filler", {"material", "density"});
        asGiven.filler = materialOf(*filler, "the filler");
        if (!asGiven.filler) {
            throw Fault{"the filler needs \"material\""};
        }
    }
    if (const auto detectors = root.find("detectors"); detectors != root.end()) {
        if (!detectors->is_array()) {
            throw Fault{"the detectors are not a list of points [[x, y, z], ...]"};
        }
        for (std::size_t i = 0; i < detectors->size(); ++i) {
            asGiven.detectors.push_back(
                pointOf((*detectors)[i], "detector " + std::to_string(i + 1)));
        }
    }
    if (const auto map = root.find("map"); map != root.end()) {
        readMap(*map, asGiven);
    }
    if (asGiven.detectors.empty() && !asGiven.map) {
        throw Fault{"the model has no detectors and no map: nothing to compute"};
    }
    if (const auto buildup = root.find("buildup"); buildup != root.end()) {
        if (buildup->is_object()) {
            onlyKnownKeys(*buildup, "the buildup", {"table"});
            asGiven.buildup = BuildupMode::Table;
            asGiven.buildupTable =
                textOf(required(*buildup, "the buildup", "table"), "the buildup's table");
        } else {
            const std::string word = buildup->is_string() ? buildup->get<std::string>() : "";
            if (word == "broder") {
                asGiven.buildup = BuildupMode::Broder;
            } else if (word == "none") {
                asGiven.buildup = BuildupMode::None;
            } else {
                throw Fault{"the buildup is not \"broder\", \"none\" or {\"table\": NAME}" +
                            data::SuggestWord(word, {"broder", "none"})};
            }
        }
    }
    if (const auto decay = root.find("decay"); decay != root.end()) {
        std::string error;
        const std::optional<double> time =
            shielding::ReadTimeS(textOf(*decay, "the decay time"), "the decay time", error);
        if (!time) {
            throw Fault{error};
        }
        asGiven.decayS = *time;
    }
    if (const auto fresh = root.find("fresh"); fresh != root.end()) {
        if (!fresh->is_boolean()) {
            throw Fault{"fresh is not true or false"};
        }
        asGiven.fresh = fresh->get<bool>();
    }
    if ((asGiven.decayS > 0.0 || asGiven.fresh) && asGiven.nuclides.empty()) {
        throw Fault{"decay and fresh need the source's nuclides, not lines"};
    }
    if (const auto quantity = root.find("quantity"); quantity != root.end()) {
        const std::string word = quantity->is_string() ? quantity->get<std::string>() : "";
        const std::optional<shielding::Quantity> named = shielding::QuantityNamed(word);
        if (!named) {
            throw Fault{"the quantity is not \"kerma\", \"exposure\" or \"h10\"" +
                        data::SuggestWord(word, {"kerma", "exposure", "h10"})};
        }
        asGiven.quantity = *named;
    }
    if (const auto accuracy = root.find("accuracy"); accuracy != root.end()) {
        asGiven.accuracy = numberOf(*accuracy, "the accuracy");
        if (!(asGiven.accuracy >= 1e-9 && asGiven.accuracy <= 0.1)) {
            throw Fault{"the accuracy is not between 1e-9 and 0.1"};
        }
    }
}

/// Line and column (from 1) of a byte of the text.
std::string placeOf(std::string_view text, std::size_t byte) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < std::min(byte, text.size()); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    // The parser counts the byte it stopped at; the column is that byte's.
    if (byte > 0 && column > 1) {
        --column;
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string label(const std::string& shape, std::size_t index) {
    return "shield " + std::to_string(index + 1) + " (" + shape + ")";
}

/// Six significant digits, as a person reads a dimension.
std::string number(double x) {
    char buffer[40];
    const auto result =
        data::ToChars(buffer, buffer + sizeof buffer, x, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

std::string pointText(const Vec3& p) {
    return "(" + number(p[0]) + ", " + number(p[1]) + ", " + number(p[2]) + ")";
}

} // namespace

std::optional<double> ReadLength(std::string_view text, std::string& error) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    std::size_t split = text.size();
    while (split > 0 && ((text[split - 1] >= 'a' && text[split - 1] <= 'z'))) {
        --split;
    }
    const std::string_view unit = text.substr(split);
    std::string_view number = text.substr(0, split);
    while (!number.empty() && blank(number.back())) {
        number.remove_suffix(1);
    }
    static const std::vector<std::pair<std::string_view, double>> units = {
        {"mm", 0.1}, {"cm", 1.0}, {"m", 100.0}, {"in", 2.54}, {"ft", 30.48}};
    const auto known =
        std::find_if(units.begin(), units.end(), [&](const auto& u) { return u.first == unit; });
    const std::optional<double> value = attenuation::ReadNumberField(number);
    if (!value || !std::isfinite(*value) || unit.empty() || known == units.end()) {
        error = "the length " + attenuation::QuotedExcerpt(text) +
                " is not a number with a unit (mm, cm, m, in, ft)";
        return std::nullopt;
    }
    return *value * known->second;
}

PreparedModel::PreparedModel() = default;
PreparedModel::~PreparedModel() = default;

std::vector<Vec3> MapSpec::Points() const {
    std::vector<Vec3> points;
    const std::size_t u = plane == 0 ? 1 : 0;
    const std::size_t v = plane == 2 ? 1 : 2;
    points.reserve(steps[0] * steps[1]);
    for (std::size_t j = 0; j < steps[1]; ++j) {
        for (std::size_t i = 0; i < steps[0]; ++i) {
            Vec3 p{};
            p[static_cast<std::size_t>(plane)] = at;
            p[u] = steps[0] == 1 ? from[0]
                                 : from[0] + (to[0] - from[0]) * static_cast<double>(i) /
                                                 static_cast<double>(steps[0] - 1);
            p[v] = steps[1] == 1 ? from[1]
                                 : from[1] + (to[1] - from[1]) * static_cast<double>(j) /
                                                 static_cast<double>(steps[1] - 1);
            points.push_back(p);
        }
    }
    return points;
}

bool ReadModel(std::string_view text, ModelSpec& asGiven, std::string& error) {
    asGiven = ModelSpec{};
    Json root;
    try {
        root = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        std::string reason = e.what();
        // The library's text after its own prefix and place: "syntax error while parsing ...".
        if (const std::size_t colon = reason.find(": "); colon != std::string::npos) {
            reason = reason.substr(colon + 2);
        }
        error = "the model is not JSON: " + placeOf(text, e.byte) + ": " + reason;
        return false;
    }
    try {
        readModel(root, asGiven);
    } catch (const Fault& fault) {
        error = fault.message;
        asGiven = ModelSpec{};
        return false;
    } catch (const Json::exception& e) {
        error = std::string("the model has a value of the wrong kind: ") + e.what();
        asGiven = ModelSpec{};
        return false;
    }
    return true;
}

bool PrepareModel(shielding::ShieldingLibrary& library, const ModelSpec& asGiven,
                  PreparedModel& prepared, std::string& error) {
    Model& model = prepared.model;
    model = Model{};
    prepared.materials.clear();
    prepared.functions.clear();
    prepared.curves.clear();
    prepared.notes.clear();
    model.source = asGiven.source;
    model.accuracy = asGiven.accuracy;

    // The lines: a list as given, or the inventory's lines at the decay time: each nuclide's
    // line table (its chain in equilibrium) at time 0, each member's own lines after decay.
    if (!asGiven.nuclides.empty()) {
        const std::vector<shielding::Nuclide>* nuclides = library.Nuclides(error);
        if (nuclides == nullptr) {
            return false;
        }
        const shielding::DecayRequest request{asGiven.decayS, 0.0, asGiven.fresh};
        const shielding::DecayData* chains = nullptr;
        if (!request.UsesLineTables()) {
            chains = library.Decay(error);
            if (chains == nullptr) {
                return false;
            }
        }
        std::vector<shielding::InventoryItem> items;
        for (const auto& [name, activityText] : asGiven.nuclides) {
            std::string why;
            const std::optional<double> activity = shielding::ReadActivityBq(activityText, why);
            std::optional<shielding::InventoryItem> item =
                activity ? shielding::InventoryItemOf(name, *activity, *nuclides, chains, why)
                         : std::nullopt;
            if (!item) {
                error = (activity ? std::string("the source's nuclides: ")
                                  : "the source's " + name + ": ") +
                        why;
                return false;
            }
            items.push_back(*item);
        }
        if (request.UsesLineTables()) {
            for (const shielding::InventoryItem& item : items) {
                for (const shielding::PhotonLine& line : item.nuclide->lines) {
                    model.lines.push_back(
                        {line.energyMeV, item.activityBq * line.photonsPerDecay, 0.0});
                }
            }
        } else {
            const std::optional<std::vector<shielding::EmitterShare>> shares =
                shielding::InventoryEmitters(*chains, items, request, error);
            if (!shares) {
                return false;
            }
            const shielding::EmittedLines emitted = shielding::RateLines(items, *shares, request);
            for (const shielding::PhotonLine& line : emitted.lines) {
                model.lines.push_back(
                    {line.energyMeV, emitted.activityBq * line.photonsPerDecay, 0.0});
            }
        }
    } else {
        for (const auto& [energy, photons] : asGiven.lines) {
            model.lines.push_back({energy, photons, 0.0});
        }
    }
    const attenuation::AbsorptionMix* air = library.Air(error);
    if (air == nullptr) {
        return false;
    }
    for (SourceLine& line : model.lines) {
        double muEnRho = 0.0;
        const shielding::Outcome outcome =
            attenuation::MassEnergyAbsorption(*air, line.energyMeV, muEnRho);
        if (outcome != shielding::Outcome::Ok) {
            error =
                "the source's line at " + number(line.energyMeV) + " MeV has no mu_en/rho of air";
            return false;
        }
        // In the quantity's unit: air kerma, exposure or H*(10).
        double factor = 1.0;
        shielding::QuantityConversion{asGiven.quantity, nullptr}.FactorAt(line.energyMeV, factor);
        line.rateAtOneCm = line.photonsPerSecond * line.energyMeV * muEnRho * factor *
                           shielding::kMicroGrayPerHourPerMeVPerGramSecond /
                           (4.0 * std::numbers::pi);
    }

    // The options and, for one table along every ray, its function.
    const shielding::BuildupTables* tables = nullptr;
    if (asGiven.buildup != BuildupMode::None) {
        tables = library.Buildup(error);
        if (tables == nullptr) {
            return false;
        }
    }
    model.options.kind = asGiven.buildup == BuildupMode::None ? shielding::DoseKind::None
                                                              : shielding::DoseKind::Exposure;
    model.options.rule = shielding::LayerRule::Broder;

    // The media, one per material and density, each with its attenuation at every line.
    const auto mediumOf = [&](const MaterialSpec& material, const std::string& where) -> int {
        auto resolved = std::make_unique<material::ResolvedMaterial>();
        if (!material::ResolveMaterial(library.Root(), material.name, *resolved, error)) {
            error = where + "'s material: " + error;
            return -2;
        }
        const double density =
            material.densityGPerCm3.value_or(resolved->densityGPerCm3.value_or(0.0));
        if (!(density > 0.0) || !std::isfinite(density)) {
            error = "the density of " + where + "'s material " + inQuotes(material.name) +
                    " is not known: give its \"density\"";
            return -2;
        }
        for (std::size_t i = 0; i < model.media.size(); ++i) {
            if (model.media[i].name == resolved->name && model.media[i].densityGPerCm3 == density) {
                return static_cast<int>(i);
            }
        }
        if (!resolved->note.empty() && std::find(prepared.notes.begin(), prepared.notes.end(),
                                                 resolved->note) == prepared.notes.end()) {
            prepared.notes.push_back(resolved->note);
        }
        Medium medium;
        medium.name = resolved->name;
        medium.table = &resolved->table;
        medium.densityGPerCm3 = density;
        if (tables != nullptr && asGiven.buildup == BuildupMode::Broder) {
            std::optional<shielding::BuildupFunction> function =
                shielding::BuildupFunctionOf(*resolved, *tables, shielding::BuildupKind::Exposure,
                                             library.Elements(), "", error);
            if (!function) {
                error = where + "'s material: " + error;
                return -2;
            }
            prepared.functions.push_back(
                std::make_unique<shielding::BuildupFunction>(std::move(*function)));
            medium.buildup = prepared.functions.back().get();
        }
        for (const SourceLine& line : model.lines) {
            double muRho = 0.0;
            const shielding::Outcome outcome =
                shielding::AttenuationWithoutCoherent(resolved->table, line.energyMeV, muRho);
            if (outcome != shielding::Outcome::Ok) {
                error = where + "'s material " + inQuotes(material.name) +
                        " has no attenuation coefficient at " + number(line.energyMeV) + " MeV";
                return -2;
            }
            medium.muPerCm.push_back(muRho * density);
        }
        prepared.materials.push_back(std::move(resolved));
        model.media.push_back(std::move(medium));
        return static_cast<int>(model.media.size() - 1);
    };
    if (asGiven.sourceMaterial) {
        model.sourceMedium = mediumOf(*asGiven.sourceMaterial, "the source");
        if (model.sourceMedium == -2) {
            return false;
        }
    }
    for (std::size_t i = 0; i < asGiven.shields.size(); ++i) {
        const std::string where = label(asGiven.shields[i].shape, i);
        const int medium = mediumOf(asGiven.shields[i].material, where);
        if (medium == -2) {
            return false;
        }
        model.shields.push_back({asGiven.shields[i].solid, medium, where});
    }
    if (asGiven.filler) {
        model.filler = mediumOf(*asGiven.filler, "the filler");
        if (model.filler == -2) {
            return false;
        }
    }
    if (asGiven.buildup == BuildupMode::Table) {
        material::ResolvedMaterial any;
        std::optional<shielding::BuildupFunction> function =
            prepared.materials.empty()
                ? std::nullopt
                : shielding::BuildupFunctionOf(*prepared.materials.front(), *tables,
                                               shielding::BuildupKind::Exposure, library.Elements(),
                                               asGiven.buildupTable, error);
        if (!function) {
            error = prepared.materials.empty() ? "a buildup table needs a material along the rays"
                                               : "the buildup's table: " + error;
            return false;
        }
        prepared.functions.push_back(
            std::make_unique<shielding::BuildupFunction>(std::move(*function)));
        // One table at the ray's whole penetration: the last layer's function, where every
        // medium has the table's.
        model.options.rule = shielding::LayerRule::Last;
        for (Medium& medium : model.media) {
            medium.buildup = prepared.functions.back().get();
        }
    }
    // A source with extent asks each function at each line's energy along very many rays.
    if (asGiven.source.shape != SourceShape::Point) {
        std::vector<std::pair<const shielding::BuildupFunction*, std::size_t>> made;
        std::vector<const shielding::BuildupCurve*> madeCurves;
        for (Medium& medium : model.media) {
            medium.curves.assign(model.lines.size(), nullptr);
            if (medium.buildup == nullptr) {
                continue;
            }
            for (std::size_t n = 0; n < model.lines.size(); ++n) {
                const auto known =
                    std::find(made.begin(), made.end(), std::pair{medium.buildup, n});
                if (known != made.end()) {
                    medium.curves[n] = madeCurves[static_cast<std::size_t>(known - made.begin())];
                    continue;
                }
                std::optional<shielding::BuildupCurve> curve =
                    shielding::BuildupCurve::Of(*medium.buildup, model.lines[n].energyMeV);
                if (curve) {
                    prepared.curves.push_back(
                        std::make_unique<shielding::BuildupCurve>(std::move(*curve)));
                    medium.curves[n] = prepared.curves.back().get();
                }
                made.emplace_back(medium.buildup, n);
                madeCurves.push_back(medium.curves[n]);
            }
        }
    }

    // The model's size sets how near two faces must be to count as touching.
    double size = 0.0;
    const auto grow = [&](const Vec3& p) {
        for (const double x : p) {
            if (std::isfinite(x)) {
                size = std::max(size, std::abs(x));
            }
        }
    };
    grow(asGiven.source.start);
    grow(asGiven.source.end);
    Vec3 low{};
    Vec3 high{};
    if (asGiven.source.HasVolume()) {
        asGiven.source.solid.Bounds(low, high);
        grow(low);
        grow(high);
    }
    for (const ShieldSpec& shield : asGiven.shields) {
        shield.solid.Bounds(low, high);
        grow(low);
        grow(high);
    }
    for (const Vec3& p : asGiven.detectors) {
        grow(p);
    }
    model.tolerance = 1e-9 * std::max(size, 1.0);

    // Bodies may touch but not overlap.
    const std::string sourceLabel = "the source (" + asGiven.sourceShape + ")";
    for (std::size_t i = 0; i < model.shields.size(); ++i) {
        const Solid& shield = model.shields[i].solid;
        bool overlaps = false;
        if (asGiven.source.HasVolume()) {
            overlaps = Overlap(asGiven.source.solid, shield, model.tolerance);
        } else {
            // A source without volume overlaps a shield where any of its points lies inside.
            overlaps = Depth(shield, asGiven.source.start) > model.tolerance;
            if (asGiven.source.shape == SourceShape::Line && !overlaps) {
                Vec3 dir{};
                for (std::size_t k = 0; k < 3; ++k) {
                    dir[k] = asGiven.source.end[k] - asGiven.source.start[k];
                }
                const double length = std::hypot(dir[0], dir[1], dir[2]);
                for (double& x : dir) {
                    x /= length;
                }
                Interval found[2];
                const std::size_t n = Cross(shield, asGiven.source.start, dir, length, found);
                for (std::size_t k = 0; k < n && !overlaps; ++k) {
                    const double middle = 0.5 * (found[k].enter + found[k].leave);
                    const Vec3 p{asGiven.source.start[0] + middle * dir[0],
                                 asGiven.source.start[1] + middle * dir[1],
                                 asGiven.source.start[2] + middle * dir[2]};
                    overlaps = found[k].leave - found[k].enter > model.tolerance &&
                               Depth(shield, p) > model.tolerance;
                }
            } else if (asGiven.source.shape == SourceShape::Disk && !overlaps) {
                // A disk is a cylinder of no height: test one a hair thick.
                Solid disk;
                disk.kind = Solid::Kind::Cylinder;
                disk.axis = asGiven.source.axis;
                disk.center = asGiven.source.start;
                disk.radius = asGiven.source.radius;
                disk.length = 4.0 * model.tolerance;
                disk.center[static_cast<std::size_t>(disk.axis)] -= 2.0 * model.tolerance;
                overlaps = Overlap(disk, shield, 0.5 * model.tolerance);
            }
        }
        if (overlaps) {
            error = sourceLabel + " and " + model.shields[i].label +
                    " overlap: bodies may touch but not share space";
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (Overlap(model.shields[j].solid, shield, model.tolerance)) {
                error = model.shields[j].label + " and " + model.shields[i].label +
                        " overlap: bodies may touch but not share space";
                return false;
            }
        }
    }

    prepared.detectors = asGiven.detectors;
    prepared.listedDetectors = asGiven.detectors.size();
    for (std::size_t i = 0; i < asGiven.detectors.size(); ++i) {
        const std::string why = WhyNoDetector(model, asGiven.detectors[i]);
        if (!why.empty()) {
            error = "detector " + std::to_string(i + 1) + " at " + pointText(asGiven.detectors[i]) +
                    " " + why;
            return false;
        }
    }
    if (asGiven.map) {
        const std::vector<Vec3> points = asGiven.map->Points();
        prepared.detectors.insert(prepared.detectors.end(), points.begin(), points.end());
    }
    return true;
}

std::vector<std::string> DescribeModel(const ModelSpec& asGiven, const PreparedModel& prepared) {
    const Model& model = prepared.model;
    std::vector<std::string> lines;
    const auto body = [&](const std::string& name, const Solid& solid, int medium) {
        const double volume = solid.Volume();
        std::string line =
            name + ": volume " +
            (std::isfinite(volume) ? number(volume) + " cm3" : std::string("infinite"));
        if (medium >= 0) {
            const Medium& m = model.media[static_cast<std::size_t>(medium)];
            line += ", " + m.name + " at " + number(m.densityGPerCm3) + " g/cm3";
            if (std::isfinite(volume)) {
                line += ", mass " + number(volume * m.densityGPerCm3 / 1000.0) + " kg";
            }
        } else {
            line += ", void";
        }
        lines.push_back(line);
    };
    double photons = 0.0;
    for (const SourceLine& line : model.lines) {
        photons += line.photonsPerSecond;
    }
    const SourceBody& source = model.source;
    const std::string sourceName = "source (" + asGiven.sourceShape + ")";
    if (source.HasVolume()) {
        body(sourceName, source.solid, model.sourceMedium);
    } else if (source.shape == SourceShape::Line) {
        lines.push_back(sourceName + ": length " + number(source.Measure()) + " cm");
    } else if (source.shape == SourceShape::Disk) {
        lines.push_back(sourceName + ": area " + number(source.Measure()) + " cm2");
    } else {
        lines.push_back(sourceName + ": at " + pointText(source.start));
    }
    std::string strength = "source: " + std::to_string(model.lines.size()) + " lines, " +
                           number(photons) + " photons/s";
    if (!asGiven.nuclides.empty()) {
        std::string error;
        double activity = 0.0;
        for (const auto& nuclide : asGiven.nuclides) {
            activity += shielding::ReadActivityBq(nuclide.second, error).value_or(0.0);
        }
        strength += ", " + number(activity) + " Bq";
        if (source.shape != SourceShape::Point) {
            const char* per = source.HasVolume()                  ? " Bq/cm3"
                              : source.shape == SourceShape::Disk ? " Bq/cm2"
                                                                  : " Bq/cm";
            strength += ", " + number(activity / source.Measure()) + per;
        }
    }
    lines.push_back(strength);
    for (const Shield& shield : model.shields) {
        body(shield.label, shield.solid, shield.medium);
    }
    if (model.filler >= 0) {
        const Medium& m = model.media[static_cast<std::size_t>(model.filler)];
        lines.push_back("filler: " + m.name + " at " + number(m.densityGPerCm3) + " g/cm3");
    } else {
        lines.push_back("filler: vacuum");
    }
    lines.push_back(
        "detectors: " + std::to_string(prepared.listedDetectors) + " listed" +
        (asGiven.map ? ", " + std::to_string(prepared.detectors.size() - prepared.listedDetectors) +
                           " on the map"
                     : std::string()));
    return lines;
}

} // namespace geometry
