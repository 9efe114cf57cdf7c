// Shielding models: a model file's text checked, described, computed and drawn. The page
// computes in a worker of its own, which calls model_dose; the views and the map are drawn on
// the page from the model's text and the worker's totals.
#include "Support.h"
#include "geometry/ModelFile.h"
#include "geometry/ModelPlots.h"
#include "geometry/ModelRun.h"
#include "shielding/ShieldingLibrary.h"

#include <emscripten/bind.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace bindings {
namespace {

shielding::ShieldingLibrary& modelLibrary() {
    static shielding::ShieldingLibrary library(kRoot);
    return library;
}

// A model read and prepared, or the reader's or the resolver's message in `error`.
bool prepare(const std::string& text, const val& accuracy, geometry::ModelSpec& asGiven,
             geometry::PreparedModel& prepared, std::string& error) {
    if (!geometry::ReadModel(text, asGiven, error)) {
        return false;
    }
    if (!accuracy.isUndefined() && !accuracy.isNull()) {
        const double wanted = accuracy.isNumber() ? accuracy.as<double>() : kNaN;
        if (!(wanted >= 1e-9 && wanted <= 0.1)) {
            error = "accuracy is not between 1e-9 and 0.1";
            return false;
        }
        asGiven.accuracy = wanted;
    }
    return geometry::PrepareModel(modelLibrary(), asGiven, prepared, error);
}

val texts(const std::vector<std::string>& lines) {
    val list = val::array();
    for (const std::string& line : lines) {
        list.call<void>("push", line);
    }
    return list;
}

// What the model is, as `model --check` prints it, with the resolver's notes.
val modelCheck(const std::string& text) {
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::string error;
    if (!prepare(text, val::undefined(), asGiven, prepared, error)) {
        return failed(error);
    }
    val result = val::object();
    result.set("description", texts(geometry::DescribeModel(asGiven, prepared)));
    result.set("notes", texts(prepared.notes));
    return result;
}

// The model computed on this thread, as the command line computes it: every detector (the
// listed ones, then the map's) with its total, error and uncollided rate, per detector and line
// (detector by detector) the uncollided rate, buildup and rate, the rates' unit, and the notes
// the command line gives. A point with no value holds NaN. `progress(done, total)` hears how far it
// has come, each percent.
val modelDose(const std::string& text, const val& accuracy, const val& progress) {
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::string error;
    if (!prepare(text, accuracy, asGiven, prepared, error)) {
        return failed(error);
    }
    std::vector<geometry::DetectorResult> results;
    std::size_t told = 0;
    geometry::RunModel(
        prepared, results,
        [&](std::size_t done, std::size_t total) {
            if (progress.isUndefined() || done * 100 / total == told * 100 / total) {
                return true;
            }
            told = done;
            progress(done, total);
            return true;
        },
        1);
    const std::size_t n = results.size();
    const std::size_t lines = prepared.model.lines.size();
    std::vector<double> at(3 * n), total(n, kNaN), relative(n, kNaN), uncollidedTotal(n, kNaN);
    std::vector<double> uncollided(n * lines, kNaN), buildup(n * lines, kNaN),
        rate(n * lines, kNaN);
    std::vector<double> energies(lines), intensities(lines), reached(n, 1.0);
    for (std::size_t k = 0; k < lines; ++k) {
        energies[k] = prepared.model.lines[k].energyMeV;
        intensities[k] = prepared.model.lines[k].photonsPerSecond;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const geometry::DetectorResult& result = results[i];
        for (std::size_t c = 0; c < 3; ++c) {
            at[3 * i + c] = result.at[c];
        }
        if (!result.computed || result.outcome != shielding::Outcome::Ok) {
            continue;
        }
        total[i] = result.total;
        relative[i] = result.error;
        uncollidedTotal[i] = result.uncollided;
        reached[i] = result.reached ? 1.0 : 0.0;
        for (std::size_t k = 0; k < lines; ++k) {
            const geometry::LineResult& line = result.lines[k];
            uncollided[i * lines + k] = line.uncollided;
            rate[i * lines + k] = line.rate;
            buildup[i * lines + k] = line.uncollided > 0.0 ? line.rate / line.uncollided : kNaN;
        }
    }
    std::vector<std::string> notes = prepared.notes;
    for (const std::string& note :
         geometry::RunNotes(prepared.model, asGiven.quantity, results,
                            [](double energyMeV) { return numberText(energyMeV) + " MeV"; })) {
        notes.push_back(note);
    }
    val out = val::object();
    out.set("listed", static_cast<double>(prepared.listedDetectors));
    out.set("detectors", floatArray(at));
    out.set("energies", floatArray(energies));
    out.set("intensities", floatArray(intensities));
    out.set("total", floatArray(total));
    out.set("error", floatArray(relative));
    out.set("uncollided_total", floatArray(uncollidedTotal));
    out.set("reached", floatArray(reached));
    out.set("uncollided", floatArray(uncollided));
    out.set("buildup", floatArray(buildup));
    out.set("rate", floatArray(rate));
    out.set("unit", std::string(shielding::BaseRateUnit(asGiven.quantity)));
    out.set("notes", texts(notes));
    return out;
}

// The model seen along `axis` (0 x, 1 y, 2 z) with the detectors it lists (the map's points
// are in the map), to scale.
val drawModelView(const std::string& text, int axis, val context, int width, int height) {
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::string error;
    if (!prepare(text, val::undefined(), asGiven, prepared, error)) {
        return failed(error);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    const auto listed =
        prepared.detectors.begin() + static_cast<std::ptrdiff_t>(prepared.listedDetectors);
    geometry::DrawModelView(canvas, double(width) / height, prepared.model,
                            std::vector<geometry::Vec3>(prepared.detectors.begin(), listed),
                            std::clamp(axis, 0, 2));
    return val::null();
}

// The model's map from its points' totals (uGy/h, NaN where there is none), in map order.
val drawDoseMap(const std::string& text, const val& totals, val context, int width, int height) {
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::string error;
    if (!prepare(text, val::undefined(), asGiven, prepared, error)) {
        return failed(error);
    }
    if (!asGiven.map) {
        return failed("the model has no map");
    }
    const std::vector<double> values = numbers(totals);
    std::vector<geometry::DetectorResult> results(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        results[i].computed = !std::isnan(values[i]);
        results[i].total = values[i];
    }
    HtmlCanvas canvas(std::move(context), width, height);
    geometry::DrawDoseMap(canvas, double(width) / height, prepared.model, *asGiven.map, results);
    return val::null();
}

} // namespace

void BindGeometry() {
    emscripten::function("model_check", &modelCheck);
    emscripten::function("model_dose", &modelDose);
    emscripten::function("draw_model_view", &drawModelView);
    emscripten::function("draw_dose_map", &drawDoseMap);
}

} // namespace bindings
