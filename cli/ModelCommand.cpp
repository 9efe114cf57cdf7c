#include "ModelCommand.h"

#include "CommandSupport.h"
#include "NumberText.h"
#include "TableOutput.h"
#include "geometry/ModelFile.h"
#include "geometry/ModelRun.h"
#include "shielding/ShieldingLibrary.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace cli {

int RunModel(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1) {
        return Usage(err, "model takes one FILE (or - for standard input)");
    }
    std::string text;
    if (!ReadInputFile(invocation.arguments[0], text, err)) {
        return kExitBadInput;
    }
    geometry::ModelSpec asGiven;
    std::string error;
    if (!geometry::ReadModel(text, asGiven, error)) {
        Complain(err, (invocation.arguments[0] == "-" ? std::string("standard input")
                                                      : invocation.arguments[0]) +
                          ": " + error);
        return kExitBadInput;
    }
    if (const auto found = invocation.options.find("accuracy"); found != invocation.options.end()) {
        const std::optional<double> accuracy = ReadNumber(found->second);
        if (!accuracy || !(*accuracy >= 1e-9 && *accuracy <= 0.1)) {
            Complain(err, "--accuracy " + Echo(found->second) +
                              " is not a relative accuracy from 1e-9 to 0.1");
            return kExitBadInput;
        }
        asGiven.accuracy = *accuracy;
    }
    const auto png = invocation.options.find("png");
    if (png != invocation.options.end() && !asGiven.map) {
        return Usage(err, "--png draws the model's map, and this model has none");
    }
    shielding::ShieldingLibrary library(invocation.root);
    geometry::PreparedModel prepared;
    if (!geometry::PrepareModel(library, asGiven, prepared, error)) {
        Complain(err, error);
        return kExitBadInput;
    }
    for (const std::string& note : prepared.notes) {
        Note(err, note);
    }
    if (invocation.options.contains("check")) {
        for (const std::string& line : geometry::DescribeModel(asGiven, prepared)) {
            out.Text() += line + "\n";
        }
        return kExitDone;
    }

    // A long map tells how far it has come, where a person is watching.
    const bool watched = asGiven.map && isatty(STDERR_FILENO) != 0;
    std::vector<geometry::DetectorResult> results;
    geometry::RunModel(prepared, results, [&](std::size_t done, std::size_t total) {
        if (watched) {
            std::fprintf(stderr, "\rphotonxs-cli: %zu of %zu points", done, total);
            std::fflush(stderr);
        }
        return true;
    });
    if (watched) {
        std::fputs("\n", stderr);
    }

    const Table table(invocation,
                      {"detector", "x", "y", "z", "energy", "intensity", "uncollided", "buildup",
                       "rate", "error"},
                      {"", "cm", "cm", "cm", "", "photons/s", "uGy/h", "", "uGy/h", ""});
    table.Header(out.Text());
    std::size_t failed = 0;
    std::size_t noValue = 0;
    std::vector<std::string> notes;
    const auto noteOnce = [&](const std::string& note) {
        if (std::find(notes.begin(), notes.end(), note) == notes.end()) {
            notes.push_back(note);
        }
    };
    for (std::size_t d = 0; d < results.size(); ++d) {
        const geometry::DetectorResult& result = results[d];
        const std::string number = std::to_string(d + 1);
        const double x = result.at[0];
        const double y = result.at[1];
        const double z = result.at[2];
        const bool listed = d < prepared.listedDetectors;
        if (!result.computed) {
            ++noValue;
            table.Cells(out.Text(),
                        {std::string_view(number), x, y, z, std::string_view("total"),
                         Table::Cell::Blank(), Table::Cell::Blank(), Table::Cell::Blank(),
                         Table::Cell::Blank(), Table::Cell::Blank()});
            continue;
        }
        if (result.outcome != shielding::Outcome::Ok) {
            ++failed;
            const std::string_view word = attenuation::OutcomeWord(result.outcome);
            table.Cells(out.Text(), {std::string_view(number), x, y, z, std::string_view("total"),
                                     word, word, word, word, word});
            continue;
        }
        double photons = 0.0;
        for (const geometry::LineResult& line : result.lines) {
            photons += line.photonsPerSecond;
            if (!listed) {
                continue;
            }
            table.Cells(out.Text(),
                        {std::string_view(number), x, y, z, line.energyMeV, line.photonsPerSecond,
                         line.uncollided,
                         line.uncollided > 0.0 ? Table::Cell(line.rate / line.uncollided)
                                               : Table::Cell::Blank(),
                         line.rate, Table::Cell::Blank()});
        }
        table.Cells(out.Text(),
                    {std::string_view(number), x, y, z, std::string_view("total"), photons,
                     result.uncollided,
                     result.uncollided > 0.0 ? Table::Cell(result.total / result.uncollided)
                                             : Table::Cell::Blank(),
                     result.total, result.error});
        if (!result.reached) {
            noteOnce("detector " + number + " stopped refining at its limit of rays; its " +
                     "error estimate says how far it got");
        }
        if (listed && invocation.format == OutputFormat::Text && invocation.textHeader &&
            asGiven.quantity == shielding::Quantity::Kerma) {
            std::string mr;
            AppendValue(mr, shielding::MilliRoentgenPerHour(result.total), invocation.digits);
            out.Text() += "# detector " + number + ": exposure rate " + mr + " mR/h\n";
        }
        out.FlushIfLarge();
    }
    for (const std::string& note :
         geometry::RunNotes(prepared.model, asGiven.quantity, results,
                            [&](double energyMeV) { return EnergyText(invocation, energyMeV); })) {
        notes.push_back(note);
    }
    for (const std::string& note : notes) {
        Complain(err, "note: " + note);
    }
    if (noValue > 0) {
        Complain(err, "note: " + std::to_string(noValue) + " map points lie inside or on the " +
                          "source and have no value");
    }
    if (png != invocation.options.end()) {
        const int status = WriteModelPicture(prepared, asGiven, results, png->second, err);
        if (status != kExitDone) {
            return status;
        }
    }
    if (failed > 0) {
        Complain(err, std::to_string(failed) + " of " + std::to_string(results.size()) +
                          " detectors gave no value");
        return kExitSomeRowsFailed;
    }
    return kExitDone;
}

} // namespace cli
