#include "../shielding/ShippedLibrary.h"

#include "fakes/RecordingCanvas.h"
#include "geometry/ModelFile.h"
#include "geometry/ModelPlots.h"
#include "geometry/ModelRun.h"
#include "shielding/Dose.h"
#include "shielding/Quantity.h"

#include <cmath>
#include <numbers>

using geometry::Vec3;

namespace {

using testing::shipped;

constexpr double kPi = std::numbers::pi;

/// A model read and made ready, or the test stops with the reason.
struct Ready {
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;

    explicit Ready(const std::string& json, double accuracy = 0.0) {
        std::string error;
        if (!geometry::ReadModel(json, asGiven, error)) {
            qFatal("%s", error.c_str());
        }
        if (accuracy > 0.0) {
            asGiven.accuracy = accuracy;
        }
        if (!geometry::PrepareModel(shipped(), asGiven, prepared, error)) {
            qFatal("%s", error.c_str());
        }
    }

    geometry::DetectorResult at(std::size_t detector = 0) const {
        geometry::DetectorResult result;
        geometry::DoseAt(prepared.model, prepared.detectors[detector], result);
        if (result.outcome != shielding::Outcome::Ok) {
            qFatal("no value at detector %zu", detector);
        }
        return result;
    }
};

/// The rate (uGy/h) that a fluence rate of one photon per cm2 per second of energy E gives.
double ratePerFluence(double energyMeV) {
    double muEn = 0.0;
    attenuation::MassEnergyAbsorption(testing::air(), energyMeV, muEn);
    return energyMeV * muEn * shielding::kMicroGrayPerHourPerMeVPerGramSecond;
}

/// E1(x), the exponential integral, for x > 0.
double e1(double x) { return -std::expint(-x); }

/// mu (1/cm) without coherent scattering of a library material at its own density.
double muOf(const std::string& name, double energyMeV) {
    const auto m = testing::resolved(name);
    double muRho = 0.0;
    shielding::AttenuationWithoutCoherent(m->table, energyMeV, muRho);
    return muRho * *m->densityGPerCm3;
}

std::string lineSource(double photons) {
    return R"("lines": [[0.662, )" + std::to_string(photons) + "]]";
}

} // namespace

/// Sources with extent, shields with shape: the kernel against closed forms, the quadrature's
/// error, the rays through bodies, and the model files that are refused.
class ModelTest : public QObject {
    Q_OBJECT

  private slots:
    void closedForms_data();
    void closedForms();
    void pointSourceBehindSlabsIsTheDoseCommand();
    void turnedModelsGiveTheSameAnswers();
    void errorEstimateHolds_data();
    void errorEstimateHolds();
    void raysCrossTheBodiesInOrder_data();
    void raysCrossTheBodiesInOrder();
    void refusals_data();
    void refusals();
    void mapRunsOverThePlane();
    void isodoseLinesFollowTheirDecades();
    void inventoriesDecayAndQuantities_data();
    void inventoriesDecayAndQuantities();
};

void ModelTest::closedForms_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<double>("fluence");
    const double s = 1e6;
    const auto m = [&](const std::string& source, const std::string& rest) {
        return QString::fromStdString(R"({"source": {)" + source + ", " + lineSource(s) + "}, " +
                                      rest + R"(, "buildup": "none", "accuracy": 1e-7})");
    };
    {
        // Summed shell by shell: a shell of radius a seen from d gives 2 pi a ln((d+a)/(d-a)) / d;
        // not S / (4 pi d^2), which the 1/r^2 kernel reaches only far away.
        const double r = 10.0;
        const double d = 50.0;
        QTest::newRow("void sphere")
            << m(R"("shape": "sphere", "center": [1, 2, 3], "radius": 10)",
                 R"("detectors": [[1, 2, 53]])")
            << s / (4.0 / 3.0 * kPi * r * r * r) *
                   (r * d - (d * d - r * r) / 2 * std::log((d + r) / (d - r))) / (2 * d);
    }
    {
        const double l = 40.0;
        const double h = 25.0;
        QTest::newRow("line seen from the normal at one end")
            << m(R"("shape": "line", "from": [0, 0, 0], "to": [40, 0, 0])",
                 R"("detectors": [[0, 25, 0]])")
            << s / l * std::atan(l / h) / (4 * kPi * h);
    }
    {
        const double r = 30.0;
        const double h = 12.0;
        QTest::newRow("disk on its axis")
            << m(R"("shape": "disk", "center": [0, 0, 0], "axis": "y", "radius": 30)",
                 R"("detectors": [[0, 12, 0]])")
            << s / (kPi * r * r) * std::log(1 + r * r / (h * h)) / 4;
        const double mu = muOf("Fe", 0.662);
        const double t = 2.0;
        QTest::newRow("disk behind a parallel slab")
            << m(R"("shape": "disk", "center": [0, 0, 0], "axis": "y", "radius": 30)",
                 R"("shields": [{"shape": "slab", "axis": "y", "from": 5, "to": 7,
                    "material": "Fe"}], "detectors": [[0, 12, 0]])")
            << s / (kPi * r * r) * (e1(mu * t) - e1(mu * t * std::sqrt(1 + r * r / (h * h)))) / 2;
    }
    {
        // A void box's fluence is the point kernel summed over its volume; a long thin box seen
        // broadside is nearly a line: the same closed form with its ends' solid angle.
        QTest::newRow("void box as thin as a line")
            << m(R"("shape": "box", "min": [0, -0.005, -0.005], "max": [40, 0.005, 0.005])",
                 R"("detectors": [[0, 25, 0]])")
            << s / 40.0 * std::atan(40.0 / 25.0) / (4 * kPi * 25.0);
    }
}

void ModelTest::closedForms() {
    QFETCH(QString, model);
    QFETCH(double, fluence);
    const Ready ready(model.toStdString());
    const geometry::DetectorResult result = ready.at();
    const double expected = fluence * ratePerFluence(0.662);
    QVERIFY2(
        testing::closeTo(result.total, expected, 2e-6),
        qPrintable(QString("%1 != %2").arg(result.total, 0, 'g', 12).arg(expected, 0, 'g', 12)));
    QCOMPARE(result.uncollided, result.total);
}

void ModelTest::pointSourceBehindSlabsIsTheDoseCommand() {
    // Co-60 behind lead and concrete with Broder's rule, the detector on the slabs' normal.
    const Ready ready(R"({"source": {"shape": "point", "at": [0, 0, -10],
        "nuclides": {"Co-60": "1 GBq"}},
        "shields": [{"shape": "slab", "axis": "z", "from": 0, "to": 5, "material": "Pb"},
                    {"shape": "slab", "axis": "z", "from": 5, "to": 25, "material": "Concrete_Ordinary"}],
        "detectors": [[0, 0, 90]]})");
    const geometry::DetectorResult model = ready.at();

    std::string error;
    const shielding::Nuclide* cobalt = shielding::FindNuclide(*shipped().Nuclides(error), "Co-60");
    const auto lead = testing::resolved("Pb");
    const auto concrete = testing::resolved("Concrete_Ordinary");
    std::vector<shielding::ShieldMaterial> materials = {
        {lead.get(), *lead->densityGPerCm3, 5.0},
        {concrete.get(), *concrete->densityGPerCm3, 20.0}};
    shielding::Shield shield;
    QVERIFY(shielding::BuildShield(shipped(), materials, {}, "", shield, error));
    shielding::DoseResult dose;
    shielding::DoseRate(cobalt->lines, 1e9, 100.0, shield.layers, shield.options, shield.media,
                        dose);
    QCOMPARE(model.lines.size(), dose.lines.size());
    for (std::size_t i = 0; i < dose.lines.size(); ++i) {
        QVERIFY(testing::closeTo(model.lines[i].rate, dose.lines[i].rate, 1e-12));
        QVERIFY(testing::closeTo(model.lines[i].uncollided, dose.lines[i].uncollided, 1e-12));
    }
    QVERIFY(testing::closeTo(model.total, dose.total, 1e-12));
    QCOMPARE(model.rays, std::size_t(1));
}

void ModelTest::turnedModelsGiveTheSameAnswers() {
    // A self-absorbing water drum behind a steel box, in air; then the same turned a quarter
    // about y (x -> z, z -> -x) and about z (x -> y, y -> -x).
    const auto model = [](const std::string& axis, const std::string& base,
                          const std::string& boxMin, const std::string& boxMax,
                          const std::string& detector) {
        return R"({"source": {"shape": "cylinder", "base": )" + base + R"(, "axis": ")" + axis +
               R"(", "length": 80, "radius": 30, "material": "Water_Liquid",
               "nuclides": {"Cs-137": "1 GBq"}},
               "shields": [{"shape": "box", "min": )" +
               boxMin + R"(, "max": )" + boxMax +
               R"(, "material": "Fe"}],
               "filler": {"material": "Air_Dry"}, "detectors": [)" +
               detector + R"(]})";
    };
    const double upright =
        Ready(model("z", "[0, 0, 0]", "[40, -50, -10]", "[45, 50, 90]", "[100, 10, 30]"))
            .at()
            .total;
    const double aboutY =
        Ready(model("x", "[0, 0, 0]", "[-10, -50, -45]", "[90, 50, -40]", "[30, 10, -100]"))
            .at()
            .total;
    const double aboutZ =
        Ready(model("z", "[0, 0, 0]", "[-50, 40, -10]", "[50, 45, 90]", "[-10, 100, 30]"))
            .at()
            .total;
    QVERIFY2(testing::closeTo(aboutY, upright, 1e-3),
             qPrintable(QString::number(aboutY / upright)));
    QVERIFY2(testing::closeTo(aboutZ, upright, 1e-3),
             qPrintable(QString::number(aboutZ / upright)));
}

void ModelTest::errorEstimateHolds_data() {
    QTest::addColumn<QString>("model");
    QTest::newRow("tank of water far away")
        << R"({"source": {"shape": "cylinder", "base": [0, 0, 0], "axis": "z", "length": 1070,
               "radius": 183, "material": "Water_Liquid", "lines": [[0.8, 1e10]]},
               "filler": {"material": "Air_Dry"}, "detectors": [[783, 0, 535]]})";
    QTest::newRow("detector on a drum's side")
        << R"({"source": {"shape": "cylinder", "base": [0, 0, 0], "axis": "z", "length": 88,
               "radius": 28, "material": "Concrete_Ordinary", "density": 1.5,
               "nuclides": {"Co-60": "1 GBq"}}, "detectors": [[28, 0, 44]]})";
    QTest::newRow("box source by a spherical shell")
        << R"({"source": {"shape": "box", "min": [-5, -5, -5], "max": [5, 5, 5],
               "material": "Fe", "density": 1.0, "lines": [[0.3, 1e9], [1.5, 1e9]]},
               "shields": [{"shape": "sphere", "center": [0, 0, 0], "radius": 30,
               "inner_radius": 25, "material": "Pb"}], "detectors": [[0, 0, 40]]})";
}

void ModelTest::errorEstimateHolds() {
    QFETCH(QString, model);
    const Ready coarse(model.toStdString(), 1e-3);
    const Ready fine(model.toStdString(), 1e-6);
    const geometry::DetectorResult a = coarse.at();
    const geometry::DetectorResult b = fine.at();
    const double apart = std::abs(a.total - b.total) / b.total;
    QVERIFY2(apart < 1e-3, qPrintable(QString::number(apart)));
    QVERIFY2(apart <= a.error, qPrintable(QString("%1 > %2").arg(apart).arg(a.error)));
    QVERIFY(a.error <= 1e-3 && b.error <= 1e-6);
    QVERIFY(b.rays > a.rays);
}

void ModelTest::raysCrossTheBodiesInOrder_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("expected"); // medium:length ... in order
    const QString shell = R"({"source": {"shape": "point", "at": [0, 0, 0], "lines": [[1, 1]]},
        "shields": [{"shape": "sphere", "center": [0, 0, 50], "radius": 10, "inner_radius": 4,
        "material": "Pb"}], "filler": {"material": "Air_Dry"}, "detectors": [[0, 0, 100]]})";
    QTest::newRow("through a hollow sphere: wall, hollow, wall")
        << shell << "1:40 0:6 1:8 0:6 1:40";
    QTest::newRow("touching slabs of one material merge")
        << R"({"source": {"shape": "point", "at": [0, 0, 0], "lines": [[1, 1]]},
        "shields": [{"shape": "slab", "axis": "z", "from": 10, "to": 12, "material": "Fe"},
                    {"shape": "slab", "axis": "z", "from": 12, "to": 15, "material": "Fe"}],
        "detectors": [[0, 0, 20]]})"
        << "0:5";
    QTest::newRow("source material to its surface, then a hollow cylinder's far wall")
        << R"({"source": {"shape": "cylinder", "base": [0, 0, -5], "axis": "z", "length": 10,
        "radius": 2, "material": "Water_Liquid", "lines": [[1, 1]]},
        "shields": [{"shape": "cylinder", "base": [0, 0, 0], "axis": "z", "radius": 8,
        "inner_radius": 6, "material": "Fe"}], "detectors": [[10, 0, 0]]})"
        << "0:2 1:2";
}

void ModelTest::raysCrossTheBodiesInOrder() {
    QFETCH(QString, model);
    QFETCH(QString, expected);
    const Ready ready(model.toStdString());
    const geometry::Model& m = ready.prepared.model;
    std::vector<geometry::Segment> segments;
    const Vec3 from = m.source.HasVolume() ? Vec3{0, 0, 0} : m.source.start;
    const double length = geometry::TraceRay(m, from, ready.prepared.detectors[0], segments);
    QString got;
    double sum = 0.0;
    for (const geometry::Segment& s : segments) {
        got += QString("%1:%2 ").arg(s.medium).arg(s.lengthCm, 0, 'g', 10);
        sum += s.lengthCm;
    }
    QCOMPARE(got.trimmed(), expected);
    if (m.filler >= 0) {
        QVERIFY(testing::closeTo(sum, length, 1e-12));
    }
}

void ModelTest::refusals_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("message");
    const QString point = R"("source": {"shape": "point", "at": [0, 0, 0], "lines": [[1, 1]]})";
    const auto with = [&](const QString& rest) { return "{" + point + ", " + rest + "}"; };
    QTest::newRow("not JSON, with line and column")
        << "{\"source\": {\n  \"shape\": \"point\",,\n}}"
        << "the model is not JSON: line 2, column 20: syntax error";
    QTest::newRow("misspelt key")
        << R"({"source": {"shape": "sphere", "center": [0, 0, 0], "radious": 3, "lines": [[1, 1]]}, "detectors": [[9, 9, 9]]})"
        << R"(the source has no key "radious"; did you mean "radius"?)";
    QTest::newRow("unknown shape")
        << R"({"source": {"shape": "cylindre", "lines": [[1, 1]]}, "detectors": [[9, 9, 9]]})"
        << R"(the source's shape "cylindre" is not "point", "line", "disk", "box", "sphere" or "cylinder"; did you mean "cylinder"?)";
    QTest::newRow("missing radius")
        << with(
               R"("shields": [{"shape": "sphere", "center": [0, 0, 9], "material": "Pb"}], "detectors": [[0, 0, 20]])")
        << R"(shield 1 needs "radius")";
    QTest::newRow("radius not above 0")
        << with(
               R"("shields": [{"shape": "sphere", "center": [0, 0, 9], "radius": "0 mm", "material": "Pb"}], "detectors": [[0, 0, 20]])")
        << "shield 1's radius is not above 0";
    QTest::newRow("inner radius not below radius")
        << with(
               R"("shields": [{"shape": "cylinder", "base": [0, 0, 9], "axis": "x", "radius": 2, "inner_radius": 2, "material": "Pb"}], "detectors": [[0, 0, 20]])")
        << "shield 1's inner_radius is not below its radius";
    QTest::newRow("box min not below max")
        << with(
               R"("shields": [{"shape": "box", "min": [1, 1, 5], "max": [2, 2, 5], "material": "Pb"}], "detectors": [[0, 0, 20]])")
        << "shield 1's min is not below its max in z";
    QTest::newRow("length without a known unit")
        << with(
               R"("shields": [{"shape": "slab", "axis": "z", "from": "5 yd", "to": 6, "material": "Pb"}], "detectors": [[0, 0, 20]])")
        << "shield 1's from: the length '5 yd' is not a number with a unit (mm, cm, m, in, ft)";
    QTest::newRow("source in a shield")
        << with(
               R"("shields": [{"shape": "box", "min": [-1, -1, -1], "max": [1, 1, 1], "material": "Pb"}], "detectors": [[0, 0, 20]])")
        << "the source (point) and shield 1 (box) overlap: bodies may touch but not share space";
    QTest::newRow("two shields overlap")
        << with(R"("shields": [{"shape": "slab", "axis": "z", "from": 5, "to": 6, "material": "Pb"},
                   {"shape": "sphere", "center": [0, 0, 8], "radius": 2.5, "material": "Fe"}], "detectors": [[0, 0, 20]])")
        << "shield 1 (slab) and shield 2 (sphere) overlap: bodies may touch but not share space";
    QTest::newRow("detector inside a volume source")
        << R"({"source": {"shape": "box", "min": [0, 0, 0], "max": [2, 2, 2], "lines": [[1, 1]]}, "detectors": [[5, 5, 5], [1, 1, 1.5]]})"
        << "detector 2 at (1, 1, 1.5) lies inside the source";
    QTest::newRow("detector on a line source")
        << R"({"source": {"shape": "line", "from": [0, 0, 0], "to": [0, 0, 10], "lines": [[1, 1]]}, "detectors": [[0, 0, 4]]})"
        << "detector 1 at (0, 0, 4) lies on the line source";
    QTest::newRow("activity without a unit")
        << R"({"source": {"shape": "point", "at": [0, 0, 0], "nuclides": {"Co-60": "10"}}, "detectors": [[0, 0, 4]]})"
        << "the source's Co-60: the activity '10' needs a unit (Bq, kBq, MBq, GBq, TBq, Ci, mCi, "
           "uCi)";
    QTest::newRow("unknown nuclide")
        << R"({"source": {"shape": "point", "at": [0, 0, 0], "nuclides": {"Co-61": "1 Bq"}}, "detectors": [[0, 0, 4]]})"
        << "the source's nuclides: 'Co-61' is no nuclide of the library; did you mean Co-60?";
    QTest::newRow("unknown material")
        << with(R"("filler": {"material": "Unobtainium"}, "detectors": [[0, 0, 20]])")
        << "the filler's material: ";
    QTest::newRow("nothing to compute")
        << "{" + point + "}"
        << "the model has no detectors and no map: nothing to compute";
}

void ModelTest::refusals() {
    QFETCH(QString, model);
    QFETCH(QString, message);
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::string error;
    const bool read = geometry::ReadModel(model.toStdString(), asGiven, error);
    QVERIFY(!read || !geometry::PrepareModel(shipped(), asGiven, prepared, error));
    QVERIFY2(QString::fromStdString(error).startsWith(message), error.c_str());
}

void ModelTest::mapRunsOverThePlane() {
    // Touching bodies are fine; map points inside the source get no value; the rest fall off
    // with distance from the source.
    const Ready ready(R"({"source": {"shape": "sphere", "center": [0, 0, 0], "radius": 10,
        "material": "Water_Liquid", "lines": [[1, 1e9]]},
        "shields": [{"shape": "slab", "axis": "x", "from": 10, "to": 12, "material": "Pb"}],
        "map": {"plane": "z", "at": 0, "from": [0, 0], "to": [40, 30], "steps": [5, 4]},
        "accuracy": 1e-2})");
    QCOMPARE(ready.prepared.detectors.size(), std::size_t(20));
    std::vector<geometry::DetectorResult> results;
    std::size_t calls = 0;
    geometry::RunModel(ready.prepared, results, [&](std::size_t done, std::size_t total) {
        ++calls;
        return done <= total;
    });
    QVERIFY(calls > 0);
    QCOMPARE(results[0].computed, false); // the centre
    QCOMPARE(results[1].at[0], 10.0);     // on the sphere's surface: a value
    QVERIFY(results[1].computed && results[1].total > 0.0);
    QVERIFY(results[6].total < results[5].total); // farther along x, behind lead
    QVERIFY(results[19].total < results[15].total);
}

void ModelTest::isodoseLinesFollowTheirDecades() {
    // A point in vacuum: the rate is K / r^2, so each end of an isodose line, where the map's
    // log rate crosses a decade, lies where K / r^2 is that decade (to the grid's interpolation,
    // which is too coarse within a few cells of the source).
    const Ready ready(R"({"source": {"shape": "point", "at": [0, 0, 0], "lines": [[1, 1e9]]},
        "map": {"plane": "z", "at": 0, "from": [-60, -60], "to": [60, 60], "steps": [41, 41]},
        "buildup": "none"})");
    std::vector<geometry::DetectorResult> results;
    geometry::RunModel(ready.prepared, results, {});
    const geometry::DetectorResult& corner = results.front();
    const double k = corner.total * (corner.at[0] * corner.at[0] + corner.at[1] * corner.at[1]);
    testing::RecordingCanvas canvas;
    geometry::DrawDoseMap(canvas, 1.5, ready.prepared.model, *ready.asGiven.map, results);
    std::size_t ends = 0;
    for (const testing::CanvasCommand& c : canvas.commands) {
        if (c.kind != "Line" || !(c.colour == platform::Rgb{255, 255, 255})) {
            continue;
        }
        for (const auto& [x, y] : {std::pair{c.x1, c.y1}, std::pair{c.x2, c.y2}}) {
            const double r2 = double(x) * x + double(y) * y;
            if (r2 < 100.0) {
                continue;
            }
            const double decade = std::log10(k / r2);
            QVERIFY2(std::abs(decade - std::round(decade)) < 0.02,
                     qPrintable(QString("(%1, %2) at 1E%3").arg(x).arg(y).arg(decade)));
            ++ends;
        }
    }
    QVERIFY(ends > 40);
}

void ModelTest::inventoriesDecayAndQuantities_data() {
    // The rate of a model over the same model's rate as a fresh Cs-137 point in air kerma.
    QTest::addColumn<QString>("options");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("tolerance");
    std::string error;
    const shielding::Nuclide* cesium = shielding::FindNuclide(*shipped().Nuclides(error), "Cs-137");
    double kerma = 0.0;
    double h10 = 0.0;
    for (const shielding::PhotonLine& line : cesium->lines) {
        const double k = line.photonsPerDecay * ratePerFluence(line.energyMeV);
        kerma += k;
        h10 += k * shielding::H10PerKerma(line.energyMeV);
    }
    QTest::newRow("one half-life later, half the rate") << R"("decay": "30.08 y")" << 0.5 << 2e-3;
    QTest::newRow("exposure in mR/h") << R"("quantity": "exposure")" << 1.0 / 8.76426 << 1e-12;
    QTest::newRow("H*(10) line by line") << R"("quantity": "h10")" << h10 / kerma << 1e-12;
}

void ModelTest::inventoriesDecayAndQuantities() {
    QFETCH(QString, options);
    QFETCH(double, ratio);
    QFETCH(double, tolerance);
    const std::string model = R"({"source": {"shape": "point", "at": [0, 0, 0],
        "nuclides": {"Cs-137": "1 GBq"}}, "detectors": [[0, 0, 100]])";
    const double plain = Ready(model + "}").at().total;
    const double rate = Ready(model + ", " + options.toStdString() + "}").at().total;
    QVERIFY2(testing::closeTo(rate / plain, ratio, tolerance),
             qPrintable(QString::number(rate / plain, 'g', 12)));
}

QTEST_GUILESS_MAIN(ModelTest)
#include "test_model.moc"
