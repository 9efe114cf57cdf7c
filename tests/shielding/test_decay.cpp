#include "ShippedLibrary.h"

#include "shielding/Decay.h"
#include "shielding/Inventory.h"
#include "shielding/Quantity.h"

#include <cmath>
#include <numbers>

namespace {

using testing::shipped;

const shielding::DecayData& chains() {
    std::string error;
    return testing::must(shipped().Decay(error), error);
}

const shielding::Nuclide& nuclide(const char* name) {
    std::string error;
    return *shielding::FindNuclide(testing::must(shipped().Nuclides(error), error), name);
}

std::size_t at(const char* name) { return *chains().IndexOf(name); }
double lambda(const char* name) { return chains().members[at(name)].DecayConstant(); }

std::vector<double> start(const char* name, bool fresh, double bq = 1.0) {
    return *shielding::StartingActivities(chains(), nuclide(name), bq, fresh);
}

constexpr double kYear = 365.25 * 86400.0;
constexpr double kHour = 3600.0;

} // namespace

/// Decay chains in closed form, the H*(10) function, rate units and inventories as typed.
class DecayTest : public QObject {
    Q_OBJECT

  private slots:
    void batemanAgainstHandFormulas_data();
    void batemanAgainstHandFormulas();
    void pb210LineGrowsIntoAnOldRadiumSource();
    void dividedDifferencesKeepTheirDigits_data();
    void dividedDifferencesKeepTheirDigits();
    void activitiesNeverNegativeAndReachEquilibrium();
    void stayIntegralIsTheIntegralOfTheActivity();
    void h10AndConversions();
    void textsPeopleType_data();
    void textsPeopleType();
    void plotTimesShowTheChange();
};

void DecayTest::batemanAgainstHandFormulas_data() {
    QTest::addColumn<QString>("nuclide");
    QTest::addColumn<bool>("fresh");
    QTest::addColumn<double>("time");
    QTest::addColumn<QString>("member");
    QTest::addColumn<double>("expected"); // Bq per Bq of the nuclide at time 0
    // One half-life of Cs-137 (30.08 y of 365.25 d): half of both itself and Ba-137m.
    const double cs = std::exp(-lambda("Cs-137") * 30.08 * kYear);
    QTest::newRow("Cs-137 30.08 y") << "Cs-137" << false << 30.08 * kYear << "Cs-137" << 0.5;
    QTest::newRow("Ba-137m grows with it")
        << "Cs-137" << false << 30.08 * kYear << "Ba-137m"
        << 0.9469945 * cs * (1.0 + lambda("Cs-137") / (lambda("Ba-137m") - lambda("Cs-137")));
    // Fresh Mo-99 after 23 h: b l2 / (l2 - l1) (exp(-l1 t) - exp(-l2 t)).
    const double l1 = std::log(2.0) / 237513.6;
    const double l2 = std::log(2.0) / 21624.12;
    const double t = 23.0 * kHour;
    QTest::newRow("Tc-99m from fresh Mo-99")
        << "Mo-99" << true << t << "Tc-99m"
        << 0.8788641 * l2 / (l2 - l1) * (std::exp(-l1 * t) - std::exp(-l2 * t));
    QTest::newRow("at time 0 Tc-99m is not there") << "Mo-99" << false << 0.0 << "Tc-99m" << 0.0;
    QTest::newRow("Ra-226 holds Po-214 at 0") << "Ra-226" << false << 0.0 << "Po-214" << 0.99979;
}

void DecayTest::batemanAgainstHandFormulas() {
    QFETCH(QString, nuclide);
    QFETCH(bool, fresh);
    QFETCH(double, time);
    QFETCH(QString, member);
    QFETCH(double, expected);
    const std::vector<double> now =
        shielding::ActivitiesAt(chains(), start(qPrintable(nuclide), fresh), time);
    QVERIFY2(std::abs(now[at(qPrintable(member))] - expected) <= 2e-6 * expected + 1e-12,
             qPrintable(QString::number(now[at(qPrintable(member))], 'g', 10)));
}

void DecayTest::pb210LineGrowsIntoAnOldRadiumSource() {
    // Ra-226 to Pb-210 through members of days at most: after 100 y Pb-210 has the two-member
    // activity l_Pb / (l_Pb - l_Ra) (exp(-l_Ra t) - exp(-l_Pb t)) to well within 1e-4.
    const double t = 100.0 * kYear;
    const double lRa = lambda("Ra-226");
    const double lPb = lambda("Pb-210");
    const double pb210 = 1e9 * lPb / (lPb - lRa) * (std::exp(-lRa * t) - std::exp(-lPb * t));
    const std::vector<shielding::InventoryItem> items = {{&nuclide("Ra-226"), 1e9}};
    const shielding::DecayRequest request{t, 0.0, false};
    std::string error;
    const auto shares = shielding::InventoryEmitters(chains(), items, request, error);
    QVERIFY2(shares, error.c_str());
    const shielding::EmittedLines lines = shielding::RateLines(items, *shares, request);
    bool seen = false;
    for (const shielding::PhotonLine& line : lines.lines) {
        if (line.emitter == "Pb-210" && std::abs(line.energyMeV - 0.0465) < 1e-4) {
            seen = true;
            QVERIFY(testing::closeTo(line.photonsPerDecay / 0.0445387, pb210, 1e-4));
        }
    }
    QVERIFY(seen);
}

void DecayTest::dividedDifferencesKeepTheirDigits_data() {
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<double>("expected");
    // Two points: (e^b - e^a) / (b - a) = e^a expm1(h) / h, exact however close they are.
    for (const double h : {1e-13, 1e-7, 0.3, 0.999, 1.0, 4.0, 300.0}) {
        QTest::addRow("two points %g apart", h)
            << QVector<double>{-2.0, -2.0 + h} << std::exp(-2.0) * std::expm1(h) / h;
    }
    QTest::newRow("three equal points") << QVector<double>{-1.0, -1.0, -1.0} << std::exp(-1.0) / 2;
    // Three points: the sum of e^x_k over the products of their differences.
    const auto three = [](double a, double b, double c) {
        return std::exp(a) / ((a - b) * (a - c)) + std::exp(b) / ((b - a) * (b - c)) +
               std::exp(c) / ((c - a) * (c - b));
    };
    QTest::newRow("three apart") << QVector<double>{-5.0, 0.0, -2.0} << three(-5.0, 0.0, -2.0);
    QTest::newRow("a pair close, one far")
        << QVector<double>{-40.0, -0.5, -0.5 + 1e-9}
        << (std::exp(-0.5) - (std::exp(-40.0) - std::exp(-0.5)) / -39.5) / 39.5;
}

void DecayTest::dividedDifferencesKeepTheirDigits() {
    QFETCH(QVector<double>, x);
    QFETCH(double, expected);
    QVERIFY2(testing::closeTo(shielding::ExpDividedDifference(x), expected, 1e-8),
             qPrintable(QString::number(shielding::ExpDividedDifference(x), 'g', 17)));
}

void DecayTest::activitiesNeverNegativeAndReachEquilibrium() {
    for (const shielding::ChainMember& head : chains().members) {
        std::vector<double> one(chains().members.size(), 0.0);
        one[at(head.name.c_str())] = 1.0;
        for (const double t : {1e-6, 1.0, 3600.0, 1e7, 1e10, 1e13}) {
            for (const double a : shielding::ActivitiesAt(chains(), one, t)) {
                QVERIFY2(a >= 0.0 && std::isfinite(a), head.name.c_str());
            }
        }
    }
    // Far past the parent's half-life A_n / A_1 = prod b_k l_k / (l_k - l_1) along the chain.
    const auto ratio = [](std::initializer_list<std::pair<const char*, double>> down) {
        double r = 1.0;
        for (auto it = down.begin() + 1; it != down.end(); ++it) {
            r *= it->second * lambda(it->first) / (lambda(it->first) - lambda(down.begin()->first));
        }
        return r;
    };
    const auto check = [](const char* head, double t, const char* member, double expected) {
        std::vector<double> fresh(chains().members.size(), 0.0);
        fresh[at(head)] = 1.0;
        const std::vector<double> a = shielding::ActivitiesAt(chains(), fresh, t);
        QVERIFY2(testing::closeTo(a[at(member)] / a[at(head)], expected, 1e-9), member);
    };
    check("Mo-99", 10 * 86400.0, "Tc-99m", ratio({{"Mo-99", 1}, {"Tc-99m", 0.8788641}}));
    check("Ge-68", 60 * 86400.0, "Ga-68", ratio({{"Ge-68", 1}, {"Ga-68", 1}}));
    check("Sr-82", 86400.0, "Rb-82", ratio({{"Sr-82", 1}, {"Rb-82", 1}}));
    check("Th-228", kYear, "Pb-212",
          ratio({{"Th-228", 1}, {"Ra-224", 1}, {"Rn-220", 1}, {"Po-216", 1}, {"Pb-212", 1}}));
}

void DecayTest::stayIntegralIsTheIntegralOfTheActivity() {
    // Simpson's rule over 4000 steps of the activity itself.
    for (const auto& [head, from, stay] :
         {std::tuple{"Mo-99", 5 * kHour, 2 * 86400.0}, std::tuple{"Ra-226", kYear, 30 * kYear},
          std::tuple{"Cs-137", 0.0, 60.0}}) {
        const std::vector<double> begin =
            shielding::ActivitiesAt(chains(), start(head, true), from);
        const std::vector<double> decays = shielding::DecaysDuring(chains(), begin, stay);
        const int steps = 4000;
        std::vector<double> sum(begin.size(), 0.0);
        for (int i = 0; i <= steps; ++i) {
            const double weight = i == 0 || i == steps ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
            const std::vector<double> a =
                shielding::ActivitiesAt(chains(), begin, stay * i / steps);
            for (std::size_t m = 0; m < a.size(); ++m) {
                sum[m] += weight * a[m] * stay / steps / 3.0;
            }
        }
        for (std::size_t m = 0; m < sum.size(); ++m) {
            QVERIFY2(std::abs(decays[m] - sum[m]) <= 1e-7 * (sum[m] + 1e-3 * sum[at(head)]),
                     chains().members[m].name.c_str());
        }
    }
}

void DecayTest::h10AndConversions() {
    // By hand from the ICRU 47 function: x = ln(662/9.85) = 4.20780, ln(1250/9.85) = 4.84344.
    QVERIFY(std::abs(shielding::H10PerKerma(0.662) - 1.2018) < 1e-4);
    QVERIFY(std::abs(shielding::H10PerKerma(1.25) - 1.1581) < 1e-4);
    QCOMPARE(shielding::H10PerKerma(0.009), 0.0);
    // A user's table is interpolated log-log: halfway in ln E between 2 and 8 at 0.1 and 1 MeV.
    std::string error;
    const auto table =
        shielding::ConversionTable::Parse("energy_mev,sv_per_gy\n0.1,2\n1,8\n", error);
    QVERIFY2(table, error.c_str());
    double value = 0.0;
    QCOMPARE(table->At(std::sqrt(0.1), value), shielding::Outcome::Ok);
    QVERIFY(testing::closeTo(value, 4.0, 1e-14));
    QCOMPARE(table->At(1.5, value), shielding::Outcome::OutOfRange);
    QVERIFY(!shielding::ConversionTable::Parse("0.1,2\n0.05,3\n", error));
}

void DecayTest::textsPeopleType_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // in base units, seconds or Bq of the first item
    QTest::addColumn<QString>("error");
    QTest::newRow("uSv/h") << "rate"
                           << "2.5uSv/h" << 2.5 << "";
    QTest::newRow("mR/h") << "rate"
                          << "3 R/h" << 3000.0 << "";
    QTest::newRow("per second") << "rate"
                                << "1 uGy/s" << 3600.0 << "";
    QTest::newRow("bare number") << "rate"
                                 << "2.5" << 2.5 << "";
    QTest::newRow("a dose, no rate") << "rate"
                                     << "2.5 uSv" << 0.0 << "is not a number with a unit";
    QTest::newRow("rate of 0") << "rate"
                               << "0 mSv/h" << 0.0 << "not above 0";
    QTest::newRow("hours") << "time"
                           << "23h" << 23 * kHour << "";
    QTest::newRow("years") << "time"
                           << "30.08 y" << 30.08 * kYear << "";
    QTest::newRow("time without unit") << "time"
                                       << "23" << 0.0 << "needs a unit (s, min, h, d, y)";
    QTest::newRow("negative time") << "time"
                                   << "-1 d" << 0.0 << "below 0";
    QTest::newRow("inventory") << "list"
                               << "co60=1GBq,Cs-137=10mCi" << 1e9 << "";
    QTest::newRow("unknown nuclide")
        << "list"
        << "Co-60=1GBq,Cs-173=1MBq" << 0.0 << "no nuclide of the library; did you mean Cs-137?";
    QTest::newRow("negative activity") << "list"
                                       << "Co-60=-1GBq" << 0.0 << "below 0";
    QTest::newRow("no activity") << "list"
                                 << "Co-60" << 0.0 << "is not NUCLIDE=ACTIVITY";
    QTest::newRow("named twice") << "list"
                                 << "Co-60=1GBq,co60=1MBq" << 0.0 << "named twice";
    QTest::newRow("chain member") << "chain"
                                  << "pb210=3GBq" << 3e9 << "";
    QTest::newRow("stable member") << "chain"
                                   << "Pb-206=3GBq" << 0.0 << "no nuclide of the library";
    QTest::newRow("file") << "csv"
                          << "# drum 7\nnuclide,activity\nAm-241,2 GBq\n"
                          << 2e9 << "";
    QTest::newRow("file row") << "csv"
                              << "nuclide,activity\nAm-241,2\n"
                              << 0.0 << "line 2: Am-241: the activity '2' needs a unit";
}

void DecayTest::textsPeopleType() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(QString, error);
    std::string message;
    const std::string typed = text.toStdString();
    std::optional<double> got;
    std::string problem;
    if (kind == "rate") {
        const auto rate = shielding::ReadRate(typed, message);
        got = rate ? std::optional(rate->base) : std::nullopt;
    } else if (kind == "time") {
        got = shielding::ReadTimeS(typed, "--decay time", message);
    } else {
        const auto& all = *shipped().Nuclides(problem);
        const auto items =
            kind == "csv" ? shielding::ParseInventoryCsv(typed, all, message)
                          : shielding::ParseInventoryList(typed, all, message,
                                                          kind == "chain" ? &chains() : nullptr);
        got = items ? std::optional(items->front().activityBq) : std::nullopt;
    }
    QCOMPARE(got.has_value(), error.isEmpty());
    if (got) {
        QVERIFY(testing::closeTo(*got, value, 1e-15));
    } else {
        QVERIFY2(message.find(error.toStdString()) != std::string::npos, message.c_str());
    }
}

// The rate against time spans three half-lives of the shortest-lived nuclide named, or 1.5 times
// the decay time and the stay, at most 100 y, in even steps from 0.
void DecayTest::plotTimesShowTheChange() {
    const double co60 = chains().members[at("Co-60")].halfLifeS;
    const struct {
        std::vector<const char*> names;
        double decayS, stayS, span;
    } cases[] = {{{"Co-60", "Cs-137"}, 0.0, 0.0, 3.0 * co60},
                 {{"Co-60"}, 20.0 * kYear, 4.0 * kYear, 36.0 * kYear},
                 {{"Ra-226"}, 0.0, 0.0, 100.0 * kYear}};
    for (const auto& c : cases) {
        std::vector<shielding::InventoryItem> items;
        for (const char* name : c.names) {
            items.push_back({&nuclide(name), 1e9});
        }
        const std::vector<double> times =
            shielding::DecayPlotTimesS(chains(), items, {c.decayS, c.stayS, false}, 4);
        QCOMPARE(times.size(), 5u);
        QCOMPARE(times.front(), 0.0);
        QVERIFY(testing::closeTo(times[2], c.span / 2.0, 1e-12));
        QVERIFY(testing::closeTo(times.back(), c.span, 1e-12));
    }
}

QTEST_GUILESS_MAIN(DecayTest)
#include "test_decay.moc"
