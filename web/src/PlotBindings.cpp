// The plots the page draws through the core: the graph, the fraction plot, the enlarged view
// and the transmission of a stack, and the read-out over them.
#include "Support.h"
#include "attenuation/TransmissionPlot.h"
#include "graph/GraphCoords.h"
#include "graph/Plots.h"
#include "graph/Readout.h"

#include <emscripten/bind.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bindings {
namespace {

// Draws the graph ("graph") or the fraction plot ("fraction") of a material on a 2D context
// of width x height picture pixels; returns the user scale for the read-out.
val drawPlot(const std::string& argument, const std::string& which, val context, int width,
             int height) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        HtmlCanvas canvas(std::move(context), width, height);
        if (which == "fraction") {
            graph::PrepareFractionCanvas(canvas);
            graph::DrawFractionPlot(canvas, m.table);
        } else {
            graph::PrepareGraphCanvas(canvas);
            graph::DrawGraphPlot(canvas, m.table);
        }
        return scaleOf(canvas);
    });
}

// The enlarged view of several materials, the first without and the others with circles at
// their tabulated points, as materials are added to it one by one.
val drawEnlarged(const val& names, val context, int width, int height) {
    std::vector<Material> materials;
    std::string error;
    const auto count = names["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) {
        const std::optional<Material> found = resolve(names[i].as<std::string>(), error);
        if (!found) {
            return failed(error);
        }
        materials.push_back(*found);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    graph::PrepareEnlargedCanvas(canvas);
    data::MaterialTable scratch;
    graph::DrawEnlargedFrame(canvas, scratch);
    int used = 0;
    for (const Material& material : materials) {
        auto table = std::make_unique<data::MaterialTable>(material->table);
        table->EnlargedViewUsed = used;
        graph::DrawEnlargedCurves(canvas, *table);
        used = table->EnlargedViewUsed;
    }
    return scaleOf(canvas);
}

// The transmission of a stack against energy, as the Attenuation window draws it.
val drawTransmission(const val& list, val context, int width, int height) {
    std::string error;
    const std::optional<Stack> stack = stackOf(list, error);
    if (!stack) {
        return failed(error);
    }
    HtmlCanvas canvas(std::move(context), width, height);
    attenuation::DrawTransmissionPlot(canvas, stack->layers);
    return scaleOf(canvas);
}

// A tabulated row for the read-out: its number, energy, six coefficients and where the
// read-out's line stands for it (user x).
val rowObject(const data::MaterialTable& t, int row) {
    const auto s = static_cast<std::size_t>(row);
    val result = val::object();
    result.set("row", row);
    result.set("rows", t.RowCount);
    result.set("x", graph::ReadoutX(t.Energy[s]));
    result.set("energy", t.Energy[s]);
    const std::array<double, 6> values = {t.Coherent[s],    t.Incoherent[s],   t.PhotoElectric[s],
                                          t.PairNuclear[s], t.PairElectron[s], t.Total[s]};
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        result.set(kColumns[c], values[c]);
    }
    return result;
}

// The transmission plot's note when there is nothing to draw.
void drawNoTransmission(const std::string& note, val context, int width, int height) {
    HtmlCanvas canvas(std::move(context), width, height);
    attenuation::DrawNoTransmission(canvas, note);
}

// What the read-out shows for a pointer at user (x, y) of the graph or fraction plot: the
// nearest tabulated row, or null off the plot.
val readout(const std::string& argument, const std::string& which, float x, float y) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        const bool inside =
            which == "fraction" ? graph::InsideFraction(x, y) : graph::InsideGraph(x, y);
        const std::optional<int> row = inside ? graph::NearestRow(m.table, x) : std::nullopt;
        return row ? rowObject(m.table, *row) : val::null();
    });
}

// Row `row` (1..RowCount, kept within) for the read-out moved by the keyboard.
val readoutRow(const std::string& argument, int row) {
    return onMaterial(argument, [&](const material::ResolvedMaterial& m) {
        return m.table.RowCount < 1 ? val::null()
                                    : rowObject(m.table, std::clamp(row, 1, m.table.RowCount));
    });
}

} // namespace

void BindPlots() {
    emscripten::function("draw_plot", &drawPlot);
    emscripten::function("draw_enlarged", &drawEnlarged);
    emscripten::function("draw_transmission", &drawTransmission);
    emscripten::function("draw_no_transmission", &drawNoTransmission);
    emscripten::function("readout", &readout);
    emscripten::function("readout_row", &readoutRow);
}

} // namespace bindings
