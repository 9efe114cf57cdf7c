#include "ShippedLibrary.h"
#include "fakes/RecordingCanvas.h"

#include "material/Resolve.h"
#include "shielding/Dose.h"
#include "shielding/ShieldingLibrary.h"
#include "shielding/ShieldingPlots.h"

#include <cmath>
#include <memory>
#include <numbers>

using shielding::Outcome;

namespace {

using testing::air;
using testing::library;
using testing::shipped;

double airMuEn(double energyMeV) {
    double value = 0.0;
    if (attenuation::MassEnergyAbsorption(air(), energyMeV, value) != Outcome::Ok) {
        qFatal("no mu_en/rho of air at %g MeV", energyMeV);
    }
    return value;
}

/// A shield of one or more materials with their exposure buildup functions, kept alive together.
struct Shield {
    std::vector<std::unique_ptr<material::ResolvedMaterial>> materials;
    std::vector<std::unique_ptr<shielding::BuildupFunction>> functions;
    std::vector<shielding::ShieldLayer> layers;

    Shield& add(const std::string& name, double cm,
                shielding::BuildupKind kind = shielding::BuildupKind::Exposure) {
        auto m = std::make_unique<material::ResolvedMaterial>();
        std::string error;
        if (!material::ResolveMaterial(library(), name, *m, error)) {
            qFatal("%s", error.c_str());
        }
        const shielding::BuildupTables* tables = shipped().Buildup(error);
        auto function =
            shielding::BuildupFunctionOf(*m, *tables, kind, shipped().Elements(), {}, error);
        if (!function) {
            qFatal("%s", error.c_str());
        }
        functions.push_back(std::make_unique<shielding::BuildupFunction>(*function));
        layers.push_back({&m->table, *m->densityGPerCm3, cm, functions.back().get()});
        materials.push_back(std::move(m));
        return *this;
    }
};

shielding::DoseResult doseOf(const std::vector<shielding::PhotonLine>& lines, const Shield& shield,
                             const shielding::DoseOptions& options = {}, double activity = 1e9,
                             double distance = 100.0) {
    shielding::DoseResult result;
    shielding::DoseRate(lines, activity, distance, shield.layers, options, {&air(), nullptr},
                        result);
    return result;
}

const std::vector<shielding::PhotonLine>& cobalt60() {
    std::string error;
    static const std::vector<shielding::PhotonLine> lines =
        shielding::FindNuclide(*shipped().Nuclides(error), "Co-60")->lines;
    return lines;
}

} // namespace

/// Dose rates of point sources behind layers, the air-kerma-rate constant, the thickness for a
/// target rate and the texts people type for activities, distances and lines.
class DoseTest : public QObject {
    Q_OBJECT

  private slots:
    void unshieldedRateIsTheInverseSquareLaw();
    void kermaConstantsOfKnownNuclides_data();
    void kermaConstantsOfKnownNuclides();
    void cutoffLeavesOutLowLines();
    void broderForOneLayerIsThatLayersFactor();
    void buildupRaisesTheNarrowBeamRate();
    void notesForLinesOutsideTheTables();
    void thicknessForARateInvertsTheRate_data();
    void thicknessForARateInvertsTheRate();
    void rateCurveForThePlot();
    void ratePlotOnWholeDecades();
    void activitiesAndDistancesNeedTheirUnits_data();
    void activitiesAndDistancesNeedTheirUnits();
    void lineLists_data();
    void lineLists();
};

void DoseTest::unshieldedRateIsTheInverseSquareLaw() {
    // One photon of 1 MeV per decay, 1 GBq, 1 m, no shield: 1e9/s x 1 MeV x mu_en/rho of air
    // over 4 pi (100 cm)^2 in MeV/(g s), then J, kg, hours and uGy written out by hand.
    const std::vector<shielding::PhotonLine> line{{1.0, 1.0, {}, {}}};
    const shielding::DoseResult result = doseOf(line, Shield{});
    const double mevPerGramSecond = 1e9 * 1.0 * airMuEn(1.0) / (4.0 * std::numbers::pi * 1e4);
    const double joulePerKgHour = mevPerGramSecond * 1.602176634e-13 * 1000.0 * 3600.0;
    QCOMPARE(result.outcome, Outcome::Ok);
    QVERIFY(testing::closeTo(result.total, joulePerKgHour * 1e6, 1e-14));
    QCOMPARE(result.lines.size(), std::size_t{1});
    QCOMPARE(result.lines[0].buildup, 1.0);
    // Twice the distance, a quarter of the rate; ten times the activity, ten times.
    QVERIFY(
        testing::closeTo(doseOf(line, Shield{}, {}, 1e9, 200.0).total, result.total / 4, 1e-14));
    QVERIFY(testing::closeTo(doseOf(line, Shield{}, {}, 1e10).total, result.total * 10, 1e-14));
    // 1 R = 8.76426 mGy of air kerma.
    QCOMPARE_CLOSE(shielding::MilliRoentgenPerHour(876.426), 100.0);
}

void DoseTest::kermaConstantsOfKnownNuclides_data() {
    QTest::addColumn<QString>("nuclide");
    QTest::addColumn<double>("low"); // uGy m2/(GBq h), published air-kerma-rate constants
    QTest::addColumn<double>("high");
    QTest::newRow("Co-60") << "Co-60" << 300.0 << 315.0;
    QTest::newRow("Cs-137 with Ba-137m") << "cs137" << 75.0 << 80.0;
    QTest::newRow("Ir-192") << "Ir-192" << 105.0 << 118.0;
    QTest::newRow("F-18") << "F-18" << 130.0 << 145.0;
}

void DoseTest::kermaConstantsOfKnownNuclides() {
    QFETCH(QString, nuclide);
    QFETCH(double, low);
    QFETCH(double, high);
    std::string error;
    const shielding::Nuclide* found =
        shielding::FindNuclide(*shipped().Nuclides(error), nuclide.toStdString());
    QVERIFY(found != nullptr);
    double constant = 0.0;
    QCOMPARE(shielding::KermaRateConstant(found->lines, 0.02, air(), constant), Outcome::Ok);
    QVERIFY2(constant > low && constant < high, qPrintable(QString::number(constant)));
    // By hand: the sum over the lines above 20 keV, as for one unshielded GBq at 1 m.
    double sum = 0.0;
    for (const shielding::PhotonLine& line : found->lines) {
        sum += line.energyMeV > 0.02
                   ? line.photonsPerDecay * line.energyMeV * airMuEn(line.energyMeV)
                   : 0.0;
    }
    const double byHand =
        sum * 1e9 / (4.0 * std::numbers::pi * 1e4) * 1.602176634e-13 * 1e3 * 3600.0 * 1e6;
    QVERIFY(testing::closeTo(constant, byHand, 1e-13));
}

void DoseTest::cutoffLeavesOutLowLines() {
    // Am-241's 59.5 keV line stays above 50 keV; its L X-rays of 12 to 21 keV go.
    std::string error;
    const shielding::Nuclide* americium =
        shielding::FindNuclide(*shipped().Nuclides(error), "Am-241");
    QVERIFY(americium != nullptr);
    shielding::DoseOptions options;
    options.cutoffMeV = 0.05;
    const shielding::DoseResult above = doseOf(americium->lines, Shield{}, options);
    QVERIFY(!above.lines.empty());
    for (const shielding::LineDose& line : above.lines) {
        QVERIFY(line.energyMeV > 0.05);
    }
    const shielding::DoseResult all = doseOf(americium->lines, Shield{});
    QVERIFY(all.lines.size() > above.lines.size());
    QVERIFY(all.total > above.total);
    // A line at the cut-off itself is left out, by the dose and by the constant alike.
    const std::vector<shielding::PhotonLine> two{{0.05, 1.0, {}, {}}, {0.1, 1.0, {}, {}}};
    QCOMPARE(doseOf(two, Shield{}, options).lines.size(), std::size_t{1});
    double constant = 0.0;
    QCOMPARE(shielding::KermaRateConstant(two, 0.05, air(), constant), Outcome::Ok);
    double above50 = 0.0;
    QCOMPARE(shielding::KermaRateConstant({two[1]}, 0.0, air(), above50), Outcome::Ok);
    QCOMPARE(constant, above50);
}

void DoseTest::broderForOneLayerIsThatLayersFactor() {
    // One layer: Broder, the last layer's rule and the layer's own table named agree. Two
    // layers of one material: Broder gives that material's factor at the whole penetration.
    Shield one;
    one.add("Pb", 3.0);
    Shield split;
    split.add("Pb", 1.0).add("Pb", 2.0);
    shielding::DoseOptions broder;
    shielding::DoseOptions last;
    last.rule = shielding::LayerRule::Last;
    const shielding::DoseResult a = doseOf(cobalt60(), one, broder);
    const shielding::DoseResult b = doseOf(cobalt60(), one, last);
    const shielding::DoseResult c = doseOf(cobalt60(), split, broder);
    QCOMPARE(a.outcome, Outcome::Ok);
    for (std::size_t i = 0; i < a.lines.size(); ++i) {
        const double mfp = a.lines[i].mfp;
        if (a.lines[i].note == shielding::LineNote::BeyondRange) {
            continue; // the X-rays of a few keV: no factor, no rate
        }
        shielding::BuildupValue value;
        const Outcome outcome = one.functions[0]->At(a.lines[i].energyMeV, mfp, value);
        if (outcome == Outcome::Ok) {
            QVERIFY(testing::closeTo(a.lines[i].buildup, value.buildup, 1e-14));
        }
        QVERIFY(testing::closeTo(b.lines[i].buildup, a.lines[i].buildup, 1e-14));
        QVERIFY(testing::closeTo(c.lines[i].buildup, a.lines[i].buildup, 1e-12));
        QVERIFY(testing::closeTo(c.lines[i].mfp, mfp, 1e-12));
    }
    // The last layer's rule takes the last layer's factor at the whole penetration.
    Shield two;
    two.add("Fe", 2.0).add("Water_Liquid", 20.0);
    const shielding::DoseResult lastRule = doseOf(cobalt60(), two, last);
    for (const shielding::LineDose& line : lastRule.lines) {
        shielding::BuildupValue value;
        if (line.note == shielding::LineNote::None &&
            two.functions[1]->At(line.energyMeV, line.mfp, value) == Outcome::Ok) {
            QVERIFY(testing::closeTo(line.buildup, value.buildup, 1e-14));
        }
    }
    QVERIFY(!testing::closeTo(doseOf(cobalt60(), two, broder).total, lastRule.total, 1e-3));
    // Lead then water differs from water then lead under Broder (the order matters).
    Shield leadFirst;
    leadFirst.add("Pb", 2.0).add("Water_Liquid", 30.0);
    Shield waterFirst;
    waterFirst.add("Water_Liquid", 30.0).add("Pb", 2.0);
    QVERIFY(std::abs(doseOf(cobalt60(), leadFirst).total / doseOf(cobalt60(), waterFirst).total -
                     1.0) > 0.05);
}

void DoseTest::buildupRaisesTheNarrowBeamRate() {
    // Behind 30 cm of concrete the scattered photons outnumber the uncollided several times.
    Shield concrete;
    concrete.add("Concrete_Ordinary", 30.0);
    shielding::DoseOptions none;
    none.kind = shielding::DoseKind::None;
    const shielding::DoseResult broad = doseOf(cobalt60(), concrete);
    const shielding::DoseResult narrow = doseOf(cobalt60(), concrete, none);
    QCOMPARE(broad.outcome, Outcome::Ok);
    QVERIFY2(broad.total / narrow.total > 3.0 && broad.total / narrow.total < 20.0,
             qPrintable(QString::number(broad.total / narrow.total)));
    double uncollided = 0.0;
    for (const shielding::LineDose& line : broad.lines) {
        if (line.note == shielding::LineNote::BeyondRange) {
            QCOMPARE(line.rate, 0.0);
            continue;
        }
        QVERIFY(line.buildup >= 1.0);
        QVERIFY(testing::closeTo(line.rate, line.uncollided * line.buildup, 1e-15));
        uncollided += line.uncollided;
    }
    QVERIFY(testing::closeTo(uncollided, narrow.total, 1e-12));
}

void DoseTest::notesForLinesOutsideTheTables() {
    // A 10 keV line lies below lead's buildup table (30 keV): B = 1, said so. 1.25 MeV through
    // 2 m of lead is far beyond 100 mfp: it counts 0 and the total stands.
    Shield thin;
    thin.add("Pb", 0.001);
    const std::vector<shielding::PhotonLine> lines{{0.01, 1.0, {}, {}}, {1.25, 1.0, {}, {}}};
    const shielding::DoseResult low = doseOf(lines, thin);
    QCOMPARE(low.outcome, Outcome::Ok);
    QCOMPARE(low.lines[0].note, shielding::LineNote::NoBuildupData);
    QCOMPARE(low.lines[0].buildup, 1.0);
    QCOMPARE(low.lines[1].note, shielding::LineNote::None);
    Shield thick;
    thick.add("Pb", 200.0);
    const shielding::DoseResult far = doseOf(lines, thick);
    QCOMPARE(far.outcome, Outcome::Ok);
    QCOMPARE(far.lines[1].note, shielding::LineNote::BeyondRange);
    QCOMPARE(far.lines[1].rate, 0.0);
    QCOMPARE(far.total, 0.0);
    // At the first energy of lead's table (30 keV) the table holds: B above 1, no note.
    const shielding::DoseResult first = doseOf({{0.03, 1.0, {}, {}}}, thin);
    QCOMPARE(first.lines[0].note, shielding::LineNote::None);
    QVERIFY(first.lines[0].buildup > 1.0);
    // Between 40 and 100 mfp the factor is extrapolated.
    Shield deep;
    deep.add("Pb", 80.0);
    QCOMPARE(doseOf({{1.25, 1.0, {}, {}}}, deep).lines[0].note, shielding::LineNote::Extrapolated);
}

void DoseTest::thicknessForARateInvertsTheRate_data() {
    QTest::addColumn<QString>("material");
    QTest::addColumn<double>("target");
    QTest::addColumn<int>("kind");
    QTest::newRow("lead, broad beam") << "Pb" << 1.0 << int(shielding::DoseKind::Exposure);
    QTest::newRow("concrete, broad beam")
        << "Concrete_Ordinary" << 0.5 << int(shielding::DoseKind::Exposure);
    QTest::newRow("water, narrow beam") << "Water_Liquid" << 10.0 << int(shielding::DoseKind::None);
}

void DoseTest::thicknessForARateInvertsTheRate() {
    QFETCH(QString, material);
    QFETCH(double, target);
    QFETCH(int, kind);
    Shield shield;
    shield.add("Fe", 1.0).add(material.toStdString(), 0.0);
    shielding::DoseOptions options;
    options.kind = static_cast<shielding::DoseKind>(kind);
    double thickness = 0.0;
    QCOMPARE(shielding::ThicknessForRate(cobalt60(), 1e11, 100.0, shield.layers, options,
                                         {&air(), nullptr}, target, thickness),
             Outcome::Ok);
    QVERIFY(thickness > 0.0);
    shield.layers.back().thicknessCm = thickness;
    QVERIFY2(testing::closeTo(doseOf(cobalt60(), shield, options, 1e11).total, target, 1e-7),
             qPrintable(QString::number(thickness)));
    // A rate the other layers already reach needs none of the last; no target of 0.
    QCOMPARE(shielding::ThicknessForRate(cobalt60(), 1e11, 100.0, shield.layers, options,
                                         {&air(), nullptr}, 1e12, thickness),
             Outcome::Ok);
    QCOMPARE(thickness, 0.0);
    QCOMPARE(shielding::ThicknessForRate(cobalt60(), 1e11, 100.0, shield.layers, options,
                                         {&air(), nullptr}, 0.0, thickness),
             Outcome::NoSolution);
}

void DoseTest::rateCurveForThePlot() {
    // From no lead to 15 mean free paths of the strongest line (1.33 MeV: 15 / (0.0575 x
    // 11.35) cm, about 23 cm), broad beam above narrow beam, both falling.
    Shield lead;
    lead.add("Pb", 2.0);
    const double thickness = shielding::PlotThicknessCm(cobalt60(), lead.layers, 0.0);
    double muRho = 0.0;
    QCOMPARE(shielding::AttenuationWithoutCoherent(*lead.layers[0].table, 1.332492, muRho),
             Outcome::Ok);
    QVERIFY(testing::closeTo(thickness, 15.0 / (muRho * 11.35), 1e-12));
    const auto points = shielding::RateAgainstThickness(cobalt60(), 1e9, 100.0, lead.layers, {},
                                                        {&air(), nullptr}, thickness, 10);
    QCOMPARE(points.size(), std::size_t{11});
    QCOMPARE(points.front().thicknessCm, 0.0);
    QCOMPARE(points.back().thicknessCm, thickness);
    Shield none;
    none.add("Pb", 0.0);
    QCOMPARE(points.front().broad, doseOf(cobalt60(), none).total);
    for (std::size_t i = 1; i < points.size(); ++i) {
        QVERIFY(points[i].broad > points[i].narrow);
        QVERIFY(points[i].broad < points[i - 1].broad && points[i].narrow < points[i - 1].narrow);
    }
    // A line at the cut-off is left out, as the dose leaves it out: the weaker 1.25 MeV line
    // sets the range.
    const std::vector<shielding::PhotonLine> two{{0.662, 1.0, "", ""}, {1.25, 0.1, "", ""}};
    QCOMPARE(shielding::AttenuationWithoutCoherent(*lead.layers[0].table, 1.25, muRho),
             Outcome::Ok);
    QVERIFY(testing::closeTo(shielding::PlotThicknessCm(two, lead.layers, 0.662),
                             15.0 / (muRho * 11.35), 1e-12));
    // A thick layer is shown past its own thickness.
    lead.layers[0].thicknessCm = 40.0;
    QCOMPARE(shielding::PlotThicknessCm(cobalt60(), lead.layers, 0.0), 60.0);
}

void DoseTest::ratePlotOnWholeDecades() {
    // Rates from 1E3 down to 1E-2 uGy/h over 10 cm, with a point of no value that breaks both
    // curves: six decades labelled, ticks every 2 cm, one stroke of each curve before the gap
    // and none after it, and the target's line at 1E0.
    const double none = std::nan("");
    testing::RecordingCanvas canvas;
    shielding::DrawRatePlot(canvas,
                            {{0, 1000, 500}, {5, 3, 1}, {7.5, none, none}, {10, 0.02, 0.01}}, 1.0);
    QStringList labels;
    for (const testing::CanvasCommand& print : canvas.ofKind("Print")) {
        labels << QString::fromStdString(print.text);
    }
    QCOMPARE(labels, QStringList({"0", "2", "4", "6", "8", "10", "cm", "1E-2", "1E-1", "1E0", "1E1",
                                  "1E2", "1E3", "uGy/h"}));
    const auto strokes = canvas.ofKind("LineTo");
    QCOMPARE(strokes.size(), std::size_t{2}); // narrow beam, then broad beam
    QCOMPARE(strokes[0].x2, 5.0f);
    QCOMPARE(strokes[1].x2, 5.0f);
    QCOMPARE(canvas.ofKind("Line").back().y1, 0.0f);
    // A rate that stays at 1E2 still gets a decade of frame below it.
    testing::RecordingCanvas flat;
    shielding::DrawRatePlot(flat, {{0, 100, 100}, {1, 100, 100}}, 0.0);
    QCOMPARE(flat.ofKind("Box").front().y2, 1.0f);
    // A rate of 0 (every line beyond 100 mfp) is left off the scale, not taken as its bottom.
    testing::RecordingCanvas stopped;
    shielding::DrawRatePlot(stopped, {{0, 100, 100}, {1, 0, 0}}, 0.0);
    QCOMPARE(stopped.ofKind("Box").front().y2, 1.0f);
}

void DoseTest::activitiesAndDistancesNeedTheirUnits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("activity"); // else a distance
    QTest::addColumn<double>("value");  // Bq or cm; NaN when refused
    QTest::addColumn<QString>("message");
    const double no = std::nan("");
    QTest::newRow("GBq") << "1 GBq" << true << 1e9 << "";
    QTest::newRow("no blank") << "2.5MBq" << true << 2.5e6 << "";
    QTest::newRow("curie") << "1 Ci" << true << 3.7e10 << "";
    QTest::newRow("millicurie") << "10 mCi" << true << 3.7e8 << "";
    QTest::newRow("micro sign") << "5 \u00b5Ci" << true << 1.85e5 << "";
    QTest::newRow("exponent") << "1e3 kBq" << true << 1e6 << "";
    QTest::newRow("no unit") << "1000" << true << no << "needs a unit";
    QTest::newRow("unknown unit") << "1 Gbq" << true << no << "does not know";
    QTest::newRow("negative") << "-1 GBq" << true << no << "below 0";
    QTest::newRow("metres") << "1 m" << false << 100.0 << "";
    QTest::newRow("millimetres") << "25mm" << false << 2.5 << "";
    QTest::newRow("distance without unit") << "2" << false << no << "needs a unit";
    QTest::newRow("zero distance") << "0 m" << false << no << "not above 0";
}

void DoseTest::activitiesAndDistancesNeedTheirUnits() {
    QFETCH(QString, text);
    QFETCH(bool, activity);
    QFETCH(double, value);
    QFETCH(QString, message);
    std::string error;
    const std::string typed = text.toStdString();
    const std::optional<double> read = activity ? shielding::ReadActivityBq(typed, error)
                                                : shielding::ReadDistanceCm(typed, error);
    QCOMPARE(read.has_value(), !std::isnan(value));
    if (read) {
        QVERIFY(testing::closeTo(*read, value, 1e-15));
    } else {
        QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
    }
}

void DoseTest::lineLists_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("keV");
    QTest::addColumn<int>("count"); // -1 when refused
    QTest::addColumn<double>("firstEnergy");
    QTest::newRow("two lines") << "0.662=0.851,1.25=1" << false << 2 << 0.662;
    QTest::newRow("in keV, the double of MeV") << "662=0.851" << true << 1 << 0.662;
    QTest::newRow("no yield") << "0.662" << false << -1 << 0.0;
    QTest::newRow("zero energy") << "0=1" << false << -1 << 0.0;
    QTest::newRow("negative yield") << "1=-1" << false << -1 << 0.0;
    QTest::newRow("empty item") << "1=1," << false << -1 << 0.0;
}

void DoseTest::lineLists() {
    QFETCH(QString, text);
    QFETCH(bool, keV);
    QFETCH(int, count);
    QFETCH(double, firstEnergy);
    std::string error;
    const auto lines = shielding::ParseLineList(text.toStdString(), keV, error);
    QCOMPARE(lines.has_value(), count >= 0);
    if (lines) {
        QCOMPARE(static_cast<int>(lines->size()), count);
        QCOMPARE(lines->front().energyMeV, firstEnergy);
    } else {
        QVERIFY(!error.empty());
    }
}

QTEST_GUILESS_MAIN(DoseTest)
#include "test_dose.moc"
