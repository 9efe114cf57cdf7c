#include "fakes/RecordingCanvas.h"
#include "fakes/SampleTables.h"
#include "fakes/TestSupport.h"

#include "attenuation/EquivalencePlot.h"
#include "attenuation/LayerShares.h"
#include "data/MaterialFile.h"

#include <numbers>

using namespace attenuation;
using testing::kHeavy;
using testing::kLight;
using testing::tableOf;

namespace {

/// One mix per layer whose mu_en/rho is 0.04 at 0.05 MeV and 0.02 at 0.1 MeV.
const AbsorptionTable kAbsorber = [] {
    std::string error;
    return *ParseAbsorptionTable("A\n7\n3\n0.001 1 1\n0.05 1 0.04\n0.1 1 0.02\n", error);
}();
std::vector<AbsorptionMix> mixesFor(std::size_t layers) {
    return std::vector<AbsorptionMix>(layers, AbsorptionMix{{{&kAbsorber, 1.0}}, true});
}

struct LibraryLayer {
    data::MaterialTable table;
    double density = 0.0;
};
LibraryLayer libraryLayer(const std::string& path, double density) {
    LibraryLayer layer{{}, density};
    layer.table.SelectedPath = path;
    data::LoadMaterialTable(layer.table, testing::sourceDir() / "library");
    return layer;
}

} // namespace

class LayerSharesTest : public QObject {
    Q_OBJECT

  private slots:
    // Light (1 cm, 1 g/cm3) then heavy (0.5 cm, 3 g/cm3): mu x of 0.5 and 3 at 0.05 MeV, 0.2 and
    // 1.5 at 0.1 MeV, divided by cos(theta) at an angle.
    void sharesByHand_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("angle");
        QTest::addColumn<double>("muX1");
        QTest::addColumn<double>("muX2");
        QTest::addColumn<double>("photo1"); // tau / mu
        QTest::addColumn<double>("photo2");
        QTest::addColumn<double>("muEnOverMu1");
        const auto row = [](const char* name, double e, double a, double x1, double x2, double p1,
                            double p2, double d1) {
            QTest::newRow(name) << e << a << x1 << x2 << p1 << p2 << d1;
        };
        row("0.05 MeV, normal", 0.05, 0.0, 0.5, 3.0, 0.6, 0.5, 0.04 / 0.5);
        row("0.1 MeV, normal", 0.1, 0.0, 0.2, 1.5, 0.5, 0.5, 0.02 / 0.2);
        row("60 degrees doubles the path", 0.05, 60.0, 1.0, 6.0, 0.6, 0.5, 0.04 / 0.5);
        row("45 degrees", 0.1, 45.0, 0.2 * std::numbers::sqrt2, 1.5 * std::numbers::sqrt2, 0.5, 0.5,
            0.1);
    }
    void sharesByHand() {
        QFETCH(double, energy);
        QFETCH(double, angle);
        QFETCH(double, muX1);
        QFETCH(double, muX2);
        QFETCH(double, photo1);
        QFETCH(double, photo2);
        QFETCH(double, muEnOverMu1);
        std::string problem;
        const std::optional<double> factor = PathFactor(angle, problem);
        QVERIFY(factor);
        const std::vector<Layer> stack{{&kLight, 1.0, 1.0}, {&kHeavy, 3.0, 0.5}};
        const auto mixes = mixesFor(2);
        std::vector<LayerShare> s;
        QCOMPARE(LayerSharesAt(stack, &mixes, energy, *factor, s), Outcome::Ok);
        QCOMPARE(s.size(), std::size_t(2));
        const double i1 = 1.0 - std::exp(-muX1);
        const double i2 = std::exp(-muX1) * (1.0 - std::exp(-muX2));
        const double tol = 1e-12;
        QVERIFY(testing::closeTo(s[0].interacted, i1, tol));
        QVERIFY(testing::closeTo(s[0].photoAbsorbed, i1 * photo1, tol));
        QVERIFY(testing::closeTo(s[0].deposited, i1 * muEnOverMu1, tol));
        QVERIFY(testing::closeTo(s[0].transmitted, std::exp(-muX1), tol));
        QVERIFY(testing::closeTo(s[1].interacted, i2, tol));
        QVERIFY(testing::closeTo(s[1].photoAbsorbed, i2 * photo2, tol));
        QVERIFY(testing::closeTo(s[1].transmitted, std::exp(-muX1 - muX2), tol));
        // Without absorption data the deposited share is not known; the rest stands.
        QCOMPARE(LayerSharesAt(stack, nullptr, energy, *factor, s), Outcome::Ok);
        QVERIFY(std::isnan(s[1].deposited) && testing::closeTo(s[1].interacted, i2, tol));
    }

    // Real stacks of the library: the interacted shares and what leaves the last layer make up
    // every photon, no layer keeps more energy than its photons bring, photo-absorption is part
    // of the interactions, and the stack's transmission is that of attenuate.
    void sharesAddUp_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("angle");
        for (const double e : {0.0015, 0.01, 0.0881, 0.1, 0.662, 1.25, 10.0})
            for (const double a : {0.0, 30.0, 75.0})
                QTest::newRow(qPrintable(QString("%1 MeV at %2").arg(e).arg(a))) << e << a;
    }
    void sharesAddUp() {
        QFETCH(double, energy);
        QFETCH(double, angle);
        const LibraryLayer be = libraryLayer("ele/004_Be.ele", 1.85);
        const LibraryLayer si = libraryLayer("ele/014_Si.ele", 2.33);
        const LibraryLayer pb = libraryLayer("ele/082_Pb.ele", 11.35);
        const std::vector<Layer> stack{
            {&be.table, 1.85, 0.05}, {&si.table, 2.33, 0.03}, {&pb.table, 11.35, 0.01}};
        AbsorptionLibrary library(testing::sourceDir() / "library");
        std::vector<AbsorptionMix> mixes;
        for (const int z : {4, 14, 82}) {
            mixes.push_back({{{library.Element(z), 1.0}}, true});
        }
        std::string problem;
        const double factor = *PathFactor(angle, problem);
        std::vector<LayerShare> s;
        QCOMPARE(LayerSharesAt(stack, &mixes, energy, factor, s), Outcome::Ok);
        double sum = s.back().transmitted;
        for (const LayerShare& share : s) {
            sum += share.interacted;
            QVERIFY(share.deposited <= share.interacted && share.deposited > 0.0);
            QVERIFY(share.photoAbsorbed <= share.interacted && share.photoAbsorbed > 0.0);
        }
        QVERIFY2(testing::closeTo(sum, 1.0, 1e-14), qPrintable(QString::number(sum - 1.0)));
        double muX = 0.0;
        QCOMPARE(StackAt(stack, energy, muX), Outcome::Ok);
        QVERIFY(testing::closeTo(s.back().transmitted, std::exp(-muX * factor), 1e-13));
    }

    // Bins of 1 photon at 0.05 MeV and 3 at 0.1 MeV through 1 cm of light: the totals are the
    // bins' shares weighted by photons (by photons x energy for the energy deposited).
    void spectrumByHand() {
        const std::vector<SpectrumBin> bins{{0.05, 1.0, 1}, {0.1, 3.0, 2}};
        const std::vector<Layer> stack{{&kLight, 1.0, 1.0}};
        const auto mixes = mixesFor(1);
        SpectrumShares shares;
        SpectrumProblem problem;
        QVERIFY(SpectrumLayerShares(bins, stack, &mixes, 1.0, shares, problem));
        const double i1 = 1.0 - std::exp(-0.5), i2 = 1.0 - std::exp(-0.2);
        QCOMPARE(shares.bins.size(), std::size_t(2));
        QCOMPARE_CLOSE(shares.bins[1][0].interacted, i2);
        QCOMPARE_CLOSE(shares.total[0].interacted, (i1 + 3 * i2) / 4);
        QCOMPARE_CLOSE(shares.total[0].photoAbsorbed, (0.6 * i1 + 3 * 0.5 * i2) / 4);
        QCOMPARE_CLOSE(shares.total[0].deposited,
                       (0.05 * i1 * 0.08 + 0.3 * i2 * 0.1) / (0.05 + 0.3));
        QCOMPARE_CLOSE(shares.total[0].transmitted, (std::exp(-0.5) + 3 * std::exp(-0.2)) / 4);
        const std::vector<SpectrumBin> beyond{{0.05, 1.0, 1}, {0.5, 1.0, 7}};
        QVERIFY(!SpectrumLayerShares(beyond, stack, &mixes, 1.0, shares, problem));
        QCOMPARE(problem.line, 7);
    }

    // The thickness found, put back into the stack, gives the fraction asked for; one layer
    // alone by hand: 1 - exp(-0.5 t) = 1/2 at t = 2 ln 2, and 0.6 (1 - exp(-0.5 t)) = 0.3 too.
    void sensorThickness_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<bool>("photo");
        QTest::addColumn<double>("angle");
        QTest::addColumn<double>("alone"); // the thickness with no layer before; 0: none
        QTest::addColumn<bool>("behind");  // whether a thickness does it behind the first layer
        const auto row = [](const char* name, double e, double f, bool p, double a, double t,
                            bool b) { QTest::newRow(name) << e << f << p << a << t << b; };
        row("half interacts", 0.05, 0.5, false, 0.0, 2 * std::numbers::ln2, true);
        row("photo-absorbs 0.3", 0.05, 0.3, true, 0.0, 2 * std::numbers::ln2, true);
        row("at 60 degrees", 0.05, 0.5, false, 60.0, std::numbers::ln2, true);
        row("0.1 MeV, 0.2 photo", 0.1, 0.2, true, 0.0, -std::log(0.6) / 0.2, true);
        row("more than photo-absorption can", 0.05, 0.61, true, 0.0, 0.0, false);
        // exp(-0.2) = 0.8187 reaches the sensor behind the first layer, exp(-0.4) at 60 degrees.
        row("more than reaches it", 0.05, 0.85, false, 0.0, -std::log(0.15) / 0.5, false);
        row("more than reaches it at 60", 0.05, 0.7, false, 60.0, -std::log(0.3) / 1.0, false);
    }
    void sensorThickness() {
        QFETCH(double, energy);
        QFETCH(double, fraction);
        QFETCH(bool, photo);
        QFETCH(double, angle);
        QFETCH(double, alone);
        QFETCH(bool, behind);
        std::string problem;
        const double factor = *PathFactor(angle, problem);
        const SensorCount count = photo ? SensorCount::PhotoAbsorbed : SensorCount::Interacted;
        std::vector<Layer> one{{&kLight, 1.0, 0.0}};
        double t = 0.0;
        const Outcome alone1 = SensorThicknessFor(one, 0, energy, factor, fraction, count, t);
        QCOMPARE(alone1 == Outcome::Ok, alone > 0.0);
        QVERIFY(alone == 0.0 || testing::closeTo(t, alone, 1e-12));
        // Behind 0.1 cm of heavy (0.2 of mu x at 0.05 MeV) the sensor needs more, and the
        // thickness put back gives the fraction.
        std::vector<Layer> stack{{&kHeavy, 1.0, 0.1}, {&kLight, 1.0, 0.0}, {&kHeavy, 3.0, 1.0}};
        const Outcome found = SensorThicknessFor(stack, 1, energy, factor, fraction, count, t);
        QCOMPARE(found, behind ? Outcome::Ok : Outcome::NoSolution);
        if (behind) {
            QVERIFY(alone == 0.0 || t > alone);
            stack[1].thicknessCm = t;
            std::vector<LayerShare> s;
            QCOMPARE(LayerSharesAt(stack, nullptr, energy, factor, s), Outcome::Ok);
            QVERIFY(
                testing::closeTo(photo ? s[1].photoAbsorbed : s[1].interacted, fraction, 1e-12));
        }
        QCOMPARE(SensorThicknessFor(stack, 3, energy, factor, 0.1, count, t), Outcome::NoSolution);
    }

    // Lead's lead equivalence is its own thickness at every energy (edges and all); a light
    // layer by hand: mu x 0.5 at 0.05 MeV against heavy at 3 g/cm3 (mu 6/cm) is 1/12 cm.
    void equivalentThickness_data() {
        QTest::addColumn<double>("energy");
        for (const double e : {0.001, 0.01, 0.013035, 0.0880045, 0.1, 0.662, 1.0, 10.0, 1e5})
            QTest::newRow(qPrintable(QString::number(e))) << e;
    }
    void equivalentThickness() {
        QFETCH(double, energy);
        const LibraryLayer pb = libraryLayer("ele/082_Pb.ele", 11.35);
        const std::vector<Layer> lead{{&pb.table, 11.35, 0.05}, {&pb.table, 11.35, 0.2}};
        double t = 0.0;
        QCOMPARE(EquivalentThicknessAt(lead, lead[0], energy, t), Outcome::Ok);
        QVERIFY2(testing::closeTo(t, 0.25, 1e-13), qPrintable(QString::number(t, 'g', 17)));
        QCOMPARE(EquivalentThicknessAt({{&kLight, 1.0, 1.0}}, {&kHeavy, 3.0, 0.0}, 0.05, t),
                 Outcome::Ok);
        QCOMPARE_CLOSE(t, 0.5 / 6.0);
    }

    // Plotted, lead's own 0.25 cm lies flat across the axis, in the decade 0.1 to 1 cm of Lead.
    void equivalencePlot() {
        const LibraryLayer pb = libraryLayer("ele/082_Pb.ele", 11.35);
        testing::RecordingCanvas c;
        DrawEquivalencePlot(c, {{&pb.table, 11.35, 0.05}, {&pb.table, 11.35, 0.2}},
                            {&pb.table, 11.35, 0.0}, "Lead");
        const auto curve = c.ofKind("LineTo");
        QVERIFY(curve.size() == 300 && std::all_of(curve.begin(), curve.end(), [](const auto& s) {
                    return testing::closeTo(s.y2, std::log10(0.25), 1e-6);
                }));
        const auto texts = c.ofKind("Print");
        QCOMPARE(texts[texts.size() - 3].text + texts[texts.size() - 2].text + texts.back().text,
                 std::string("1E-11E0cm of Lead"));
    }

    // By air kerma: lead behind lead is matched by the lead itself; nothing at all by 0 cm.
    void spectrumEquivalentThickness() {
        const std::filesystem::path root = testing::sourceDir() / "library";
        AbsorptionLibrary library(root);
        std::string error;
        const auto air = MixAbsorption(*FindComposition(root, kDryAirPath, error), library, error);
        QVERIFY2(air, error.c_str());
        const LibraryLayer pb = libraryLayer("ele/082_Pb.ele", 11.35);
        const LibraryLayer water = libraryLayer("mix/Water_Liquid.mix2", 1.0);
        std::vector<SpectrumBin> bins;
        for (int b = 1; b <= 40; ++b) {
            bins.push_back({0.0025 * b, 1.0 + b % 7, b});
        }
        const std::vector<Layer> lead{{&pb.table, 11.35, 0.01}, {&pb.table, 11.35, 0.015}};
        double kerma = 0.0, t = 0.0;
        SpectrumProblem problem;
        QVERIFY(SpectrumEquivalentThickness(bins, lead, lead[0], *air, kerma, t, problem));
        QVERIFY2(testing::closeTo(t, 0.025, 1e-8), qPrintable(QString::number(t, 'g', 17)));
        QVERIFY(kerma > 0.0 && kerma < 1.0);
        QVERIFY(SpectrumEquivalentThickness(bins, {{&water.table, 1.0, 0.0}}, lead[0], *air, kerma,
                                            t, problem));
        QCOMPARE(t, 0.0);
        QCOMPARE(kerma, 1.0);
        QVERIFY(!SpectrumEquivalentThickness(bins, {{&pb.table, 11.35, 1e4}}, lead[0], *air, kerma,
                                             t, problem));
        QVERIFY(!problem.what.empty());
    }
};

QTEST_GUILESS_MAIN(LayerSharesTest)
#include "test_layers.moc"
