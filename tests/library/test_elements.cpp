// Checks the shipped element library: one loadable file per element, in atomic-number order, and
// values that agree with the XCOM cross sections and with known attenuation coefficients.

#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <vector>

namespace {

std::filesystem::path libraryDir() { return testing::sourceDir() / "library"; }

std::vector<std::string> elementFileNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(libraryDir() / "ele")) {
        if (entry.is_regular_file() && entry.path().extension() == ".ele") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string threeDigits(int value) {
    std::string text = std::to_string(value);
    return std::string(3 - text.size(), '0') + text;
}

// The lines of a CR LF file, without their ends.
std::vector<std::string> fileLines(const std::filesystem::path& file) {
    const std::string text = testing::readFile(file);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The whole text must be the number.
bool parseWholeNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// A value printed with four significant digits lies within half a unit of its last digit.
bool withinFourDigits(double printed, double exact) {
    return testing::closeTo(printed, exact, 5.0001e-4);
}

data::MaterialTable loadElement(const std::string& name, data::LoadResult& result) {
    data::MaterialTable table;
    table.SelectedPath = "ele/" + name;
    result = data::LoadMaterialTable(table, libraryDir());
    return table;
}

} // namespace

class LibraryElementsTest : public QObject {
    Q_OBJECT

  private slots:
    void oneFilePerElementInAtomicNumberOrder() {
        const std::vector<std::string> names = elementFileNames();
        QCOMPARE(static_cast<int>(names.size()), 100);
        for (int z = 1; z <= 100; ++z) {
            const std::string& name = names[static_cast<std::size_t>(z - 1)];
            QVERIFY2(name.rfind(threeDigits(z) + "_", 0) == 0, name.c_str());
        }
        QCOMPARE(names.front(), std::string("001_H.ele"));
        QCOMPARE(names[81], std::string("082_Pb.ele"));
        QCOMPARE(names.back(), std::string("100_Fm.ele"));
    }

    void startupFilesArePresent() {
        QVERIFY(!fileLines(libraryDir() / "Start.dat").empty());
        const std::vector<std::string> title = fileLines(libraryDir() / "ele" / "user.txt");
        QVERIFY(!title.empty());
        QVERIFY(!title.front().empty());
        QVERIFY(std::filesystem::is_directory(libraryDir() / "mix"));
    }

    void everyFileLoadsAsATable() {
        const std::vector<std::string> names = elementFileNames();
        QVERIFY(!names.empty());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string& name = names[i];
            const int z = static_cast<int>(i) + 1;
            data::LoadResult result;
            const data::MaterialTable table = loadElement(name, result);
            QVERIFY2(result.ok(), data::DescribeLoadError(result, name).c_str());
            QVERIFY2(!table.MaterialName.empty(), name.c_str());
            QVERIFY2(result.density > 0.0, name.c_str());
            // The builders take at most 120 rows of an element.
            QVERIFY2(table.RowCount >= 80 && table.RowCount <= 120, name.c_str());
            QCOMPARE(table.Energy[1], 0.001);
            QCOMPARE(table.Energy[table.RowCount], 1e5);
            for (int row = 1; row <= table.RowCount; ++row) {
                const auto r = static_cast<std::size_t>(row);
                QVERIFY2(table.RowText[r].size() == 59, name.c_str());
                if (row > 1) {
                    QVERIFY2(table.Energy[r] >= table.Energy[r - 1], name.c_str());
                }
                const double sum = table.Coherent[r] + table.Incoherent[r] +
                                   table.PhotoElectric[r] + table.PairNuclear[r] +
                                   table.PairElectron[r];
                QCOMPARE(table.Total[r], sum);
                // Pair production needs 2 electron masses (nuclear field) or 4 (electron field).
                const double e = table.Energy[r];
                QVERIFY2((e <= 1.022) == (table.PairNuclear[r] == 0.0), name.c_str());
                QVERIFY2((e <= 2.044) == (table.PairElectron[r] == 0.0), name.c_str());
                QVERIFY2(table.Coherent[r] > 0.0 && table.Incoherent[r] > 0.0, name.c_str());
            }

            // The file ends with the atomic weight, after the rows.
            const std::vector<std::string> lines = fileLines(libraryDir() / "ele" / name);
            QCOMPARE(static_cast<int>(lines.size()), 3 + table.RowCount + 1);
            double weight = 0.0;
            QVERIFY2(parseWholeNumber(lines.back(), weight), lines.back().c_str());
            QVERIFY2(weight >= z && weight <= 2.7 * z, name.c_str());
        }
    }

    // XCOM cross sections (barns/atom) at one energy row, converted here with N_A / A, and the
    // attenuation coefficient NIST tabulates for the element (Hubbell and Seltzer, Table 3; 0
    // where the two NIST databases part next to an edge). The two rows of an edge print the
    // same energy; the photo-electric jump shows which is which.
    void valuesAgreeWithXcom_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("energyMeV");
        QTest::addColumn<double>("atomicWeight");
        QTest::addColumn<QVector<double>>("barns");
        QTest::addColumn<double>("nistTotal");

        QTest::newRow("hydrogen 1 MeV")
            << "001_H.ele" << 25 << 1.0 << 1.0079
            << QVector<double>{4.625e-06, 0.2114, 1.961e-09, 0.0, 0.0} << 0.1263;
        QTest::newRow("carbon 1 MeV")
            << "006_C.ele" << 25 << 1.0 << 12.011
            << QVector<double>{7.682e-4, 1.268, 2.659e-05, 0.0, 0.0} << 0.06361;
        QTest::newRow("lead 1 MeV") << "082_Pb.ele" << 43 << 1.0 << 207.199997
                                    << QVector<double>{1.029, 17.18, 6.226, 0.0, 0.0} << 0.07102;
        // Below and above the lead K edge at 88.0045 keV: the same printed energy, the
        // photo-electric jump in file order.
        QTest::newRow("lead below K edge")
            << "082_Pb.ele" << 33 << 0.088 << 207.199997
            << QVector<double>{90.55, 34.16, 532.4, 0.0, 0.0} << 1.910;
        QTest::newRow("lead above K edge")
            << "082_Pb.ele" << 34 << 0.088 << 207.199997
            << QVector<double>{90.55, 34.16, 2519.0, 0.0, 0.0} << 7.683;
        QTest::newRow("iron below K edge")
            << "026_Fe.ele" << 8 << 0.007112 << 55.847
            << QVector<double>{161.8, 6.306, 4765.0, 0.0, 0.0} << 0.0;
        QTest::newRow("iron above K edge")
            << "026_Fe.ele" << 9 << 0.007112 << 55.847
            << QVector<double>{161.8, 6.306, 37640.0, 0.0, 0.0} << 0.0;
        QTest::newRow("uranium below K edge")
            << "092_U.ele" << 40 << 0.1156 << 238.050995
            << QVector<double>{78.04, 37.29, 429.2, 0.0, 0.0} << 0.0;
        QTest::newRow("uranium above K edge")
            << "092_U.ele" << 41 << 0.1156 << 238.050995
            << QVector<double>{78.04, 37.29, 1819.0, 0.0, 0.0} << 0.0;
    }

    void valuesAgreeWithXcom() {
        QFETCH(QString, file);
        QFETCH(int, row);
        QFETCH(double, energyMeV);
        QFETCH(double, atomicWeight);
        QFETCH(QVector<double>, barns);
        QFETCH(double, nistTotal);

        data::LoadResult result;
        const data::MaterialTable table = loadElement(file.toStdString(), result);
        QVERIFY(result.ok());
        const auto r = static_cast<std::size_t>(row);
        QCOMPARE(table.Energy[r], energyMeV);

        const std::array<double, 5> printed = {table.Coherent[r], table.Incoherent[r],
                                               table.PhotoElectric[r], table.PairNuclear[r],
                                               table.PairElectron[r]};
        const double avogadroPerBarn = 6.02214076e23 * 1e-24;
        double exactTotal = 0.0;
        for (std::size_t p = 0; p < printed.size(); ++p) {
            const double exact = barns[static_cast<qsizetype>(p)] * avogadroPerBarn / atomicWeight;
            exactTotal += exact;
            QVERIFY2(withinFourDigits(printed[p], exact),
                     qPrintable(QString("process %1: %2 against %3")
                                    .arg(p)
                                    .arg(printed[p], 0, 'g', 10)
                                    .arg(exact, 0, 'g', 10)));
        }
        QVERIFY(withinFourDigits(table.Total[r], exactTotal));
        if (nistTotal == 0.0) {
            return;
        }
        // The two NIST databases agree to a few parts in a thousand.
        QVERIFY2(
            testing::closeTo(table.Total[r], nistTotal, 2e-3),
            qPrintable(QString("total %1 against NIST %2").arg(table.Total[r]).arg(nistTotal)));
    }

    void densitiesAndWeightsOfKnownElements_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("density");
        QTest::addColumn<QString>("weightLine");

        QTest::newRow("hydrogen gas") << "001_H.ele"
                                      << "Hydrogen" << 8.375e-05 << "1.0079";
        QTest::newRow("water's oxygen") << "008_O.ele"
                                        << "Oxygen" << 1.332e-03 << "15.9994";
        QTest::newRow("lead") << "082_Pb.ele"
                              << "Lead" << 11.35 << "207.199997";
        QTest::newRow("fermium") << "100_Fm.ele"
                                 << "Fermium" << 9.7 << "257.095001";
    }

    void densitiesAndWeightsOfKnownElements() {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(double, density);
        QFETCH(QString, weightLine);

        data::LoadResult result;
        const data::MaterialTable table = loadElement(file.toStdString(), result);
        QVERIFY(result.ok());
        QCOMPARE(QString::fromStdString(table.MaterialName), name);
        QCOMPARE(result.density, density);
        const std::vector<std::string> lines = fileLines(libraryDir() / "ele" / file.toStdString());
        QCOMPARE(QString::fromStdString(lines.back()), weightLine);
    }
};

QTEST_GUILESS_MAIN(LibraryElementsTest)
#include "test_elements.moc"
