// The element library: the XCOM element-file reader on whole and damaged texts, the importer
// against the committed files, and those files against published values.

#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "element_library.h"
#include "xcom_reader.h"

#include <algorithm>
#include <string>
#include <vector>

Q_DECLARE_METATYPE(xcom::ReadError)
Q_DECLARE_METATYPE(xcom::Block)

namespace fs = std::filesystem;

namespace {

// A made-up element with one edge at positions 8/9 of 82 energies: energy k (0-based) is
// 1000 + 10 k eV, cross section k of process p is (1 + k / 1000) * 10^p barns.
std::string validFile() {
    std::string text = "    26   55.847000\n     1    82\n     9\n K \n   1070.0\n";
    for (int p = -1; p < 5; ++p) { // the energies, six to a line, then eight cross sections
        for (int k = 0; k < 82; ++k) {
            text += p < 0 ? "  1." + std::to_string(100 + k).substr(1) + "000E+03"
                          : " 1." + std::to_string(1000 + k).substr(1) + "E+0" + std::to_string(p);
            if ((k + 1) % (p < 0 ? 6 : 8) == 0 || k == 81) {
                text += '\n';
            }
        }
    }
    // One fit list of two points: energies in MeV, then cross sections.
    return text + "     1\n     2\n  1.0000E-03  1.0700E-03\n  8.4210E+05  7.0000E+05\n";
}

std::string replaceFirst(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

const fs::path kLibrary = fs::path(PHOTONXS_SOURCE_DIR) / "library";

} // namespace

class LibraryElementsTest : public QObject {
    Q_OBJECT

  private slots:
    // Lines: 1 header, 2 counts, 3 index, 4 name, 5 edge energy, 6-19 energies, 20-30 coherent,
    // 31-41 incoherent, 42-52 photoelectric, 53-74 pair production, 75-78 fit data.
    void readsElementFiles_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<xcom::ReadError>("error");
        QTest::addColumn<xcom::Block>("block");
        QTest::addColumn<int>("line");
        QTest::addColumn<std::string>("message"); // checked where given
        QTest::addColumn<int>("energies");        // read, 0 when refused
        using E = xcom::ReadError;
        using B = xcom::Block;
        const std::string valid = validFile();
        const auto row = [&valid](const char* name, const std::string& from, const std::string& to,
                                  E error, B where, int line, const std::string& message = {}) {
            QTest::newRow(name) << replaceFirst(valid, from, to) << error << where << line
                                << message << (error == E::None ? 82 : 0);
        };
        const std::string last = "7.0000E+05\n";
        row("end-of-file mark after the last line", last, last + "\x1a", E::None, B::End, 0);
        row("CR LF line ends", "\n", "\r\n", E::None, B::End, 0);
        row("blank lines, no final line end", last, last + "\n  ", E::None, B::End, 0);
        row("cut inside the coherent block", valid.substr(valid.find(" 1.048E+00")), "",
            E::Truncated, B::Coherent, 26, "the file ends before line 26, in the coherent block");
        row("weight missing", "   55.847000", "", E::BadLayout, B::Header, 1);
        row("Z is not a number", "    26", "    2a", E::BadNumber, B::Header, 1);
        row("Z above 100", "    26", "   101", E::BadValue, B::Header, 1);
        row("weight zero", "   55.847000", "    0.000000", E::BadValue, B::Header, 1);
        row("energy count one short", "     1    82", "     1    81", E::CountMismatch, B::Counts,
            2, "line 2 (counts): the number of energies is not 80 plus two per edge");
        row("more edges than shells", "     1    82", "    15   110", E::BadValue, B::Counts, 2);
        row("negative edge count", "     1    82", "    -1    78", E::BadValue, B::Counts, 2);
        row("edge at energy 1", "\n     9\n", "\n     1\n", E::BadEdgeIndex, B::EdgeIndices, 3);
        row("edge past the end", "\n     9\n", "\n    83\n", E::BadEdgeIndex, B::EdgeIndices, 3);
        row("edge name not a name", "\n K \n", "\n K*\n", E::BadName, B::EdgeNames, 4);
        row("energy infinite", "  1.01000E+03", "          inf", E::BadNumber, B::Energies, 6);
        row("energy zero", "  1.00000E+03", "  0.00000E+00", E::BadValue, B::Energies, 6);
        row("energies out of order", "  1.01000E+03", "  9.00000E+02", E::EnergiesNotAscending,
            B::Energies, 6);
        row("energy line one field long", "  1.05000E+03\n", "  1.05000E+03  1.05000E+03\n",
            E::BadLayout, B::Energies, 6);
        row("NUL byte in a field", " 1.000E+00", std::string(" 1.0\0\0E+00", 10), E::BadNumber,
            B::Coherent, 20);
        row("cross section < 0", " 1.000E+02", "-1.000E-09", E::BadValue, B::PhotoElectric, 42);
        row("fit list count differs from edges", "\n     1\n     2\n", "\n     2\n     2\n",
            E::BadValue, B::FitData, 75);
        row("end-of-file mark inside the file", "\n  8.4210E+05", "\n\x1a  8.4210E+05",
            E::BadNumber, B::FitData, 78);
        row("two end-of-file marks", last, last + "\x1a\x1a", E::TrailingText, B::End, 79,
            "line 79: text after the last block");
    }

    void readsElementFiles() {
        QFETCH(std::string, text);
        QFETCH(xcom::ReadError, error);
        QFETCH(xcom::Block, block);
        QFETCH(int, line);
        QFETCH(std::string, message);
        QFETCH(int, energies);
        const xcom::ReadResult result = xcom::ReadElementFile(text);
        const std::string described = xcom::DescribeReadError(result);
        QVERIFY2(result.error == error && result.block == block, described.c_str());
        QCOMPARE(result.line, line);
        QVERIFY(message.empty() || described == message);
        // All five blocks read, or no half-read data.
        QCOMPARE(int(result.data.crossSectionsBarns[4].size()), energies);
    }

    // A file cut short is refused, never read past its end. The free-format fit data cannot
    // tell "7.0000E+0" or "7" from a whole number, so there only cuts before its last value count.
    void everyTruncationIsRefused() {
        const std::string valid = validFile();
        for (std::size_t size = 0; size <= valid.rfind("7.0000E+05"); ++size) {
            QVERIFY2(!xcom::ReadElementFile(valid.substr(0, size)).ok(),
                     qPrintable(QString("accepted the first %1 bytes").arg(size)));
        }
    }

    // Quoted names hold commas; a damaged list is named and nothing is written.
    void importRefusesDamagedElementFacts_data() {
        QTest::addColumn<std::string>("csv");
        QTest::addColumn<std::string>("error"); // a part of the message
        std::string csv = "z,symbol,name,atomic_weight,density_g_cm3\n";
        for (int z = 1; z <= 100; ++z) {
            csv += std::to_string(z) + ",X,\"Name, " + std::to_string(z) + "\",1.5,1E+00\n";
        }
        const auto row = [](const char* name, const std::string& text, const char* error) {
            QTest::newRow(name) << text << std::string(error);
        };
        row("wrong header", "z,name" + csv.substr(csv.find('\n')), "first line");
        row("element twice", csv + "5,B,Boron,10.8,2.37\n", "atomic number 5 appears twice");
        row("element missing", replaceFirst(csv, "2,X,\"Name, 2\",1.5,1E+00\n", ""),
            "no record for atomic number 2");
        row("density not a number", replaceFirst(csv, "1E+00", "x"), "density");
        row("quote left open", csv + "\"101", "not closed");
    }

    void importRefusesDamagedElementFacts() {
        QFETCH(std::string, csv);
        QFETCH(std::string, error);
        testing::TempFolder temp;
        testing::writeFile(temp.path() / "elements.csv", csv);
        const xcom::ImportResult result =
            xcom::ImportElementLibrary(temp.path(), temp.path() / "e");
        QVERIFY2(result.error.find(error) != std::string::npos, result.error.c_str());
        QVERIFY(!fs::exists(temp.path() / "e"));
    }

    // One file per element in atomic-number order, each spanning 1 keV to 100 GeV within the
    // 120 rows the builders take, and exactly what the importer makes of the NIST data.
    void shippedLibrary() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(kLibrary / "ele")) {
            if (entry.path().extension() == ".ele") {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        QCOMPARE(names.size(), std::size_t(100));
        for (std::size_t i = 0; i < names.size(); ++i) {
            QVERIFY(names[i].starts_with(std::to_string(1001 + i).substr(1) + "_"));
            data::MaterialTable table;
            table.SelectedPath = "ele/" + names[i];
            const data::LoadResult result = data::LoadMaterialTable(table, kLibrary);
            QVERIFY2(result.ok(), data::DescribeLoadError(result, names[i]).c_str());
            QVERIFY2(table.RowCount >= 80 && table.RowCount <= 120, names[i].c_str());
            QCOMPARE(table.Energy[1], 0.001);
            QCOMPARE(table.Energy[static_cast<std::size_t>(table.RowCount)], 1e5);
        }
        testing::TempFolder temp;
        const xcom::ImportResult result =
            xcom::ImportElementLibrary(testing::nistData(), temp.path() / "ele");
        QVERIFY2(result.ok(), result.error.c_str());
        QCOMPARE(result.filesWritten, 100);
        for (const std::string& name : names) {
            QVERIFY2(testing::readFile(temp.path() / "ele" / name) ==
                         testing::readFile(kLibrary / "ele" / name),
                     (name + " differs from the importer's output").c_str());
        }
    }

    // XCOM cross sections (barns/atom) of one row, converted here with N_A / A, and the
    // coefficient NIST tabulates for the element (Hubbell and Seltzer, Table 3). Of the two rows
    // of an edge, the second lies above it.
    void shippedValuesAgreeWithXcom_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("atomicWeight");
        QTest::addColumn<double>("density");
        QTest::addColumn<QVector<double>>("barns");
        QTest::addColumn<double>("nistTotal");
        QTest::newRow("hydrogen 1 MeV")
            << "001_H.ele" << 25 << 1.0079 << 8.375e-05
            << QVector<double>{4.625e-06, 0.2114, 1.961e-09, 0.0, 0.0} << 0.1263;
        QTest::newRow("lead above K edge")
            << "082_Pb.ele" << 34 << 207.199997 << 11.35
            << QVector<double>{90.55, 34.16, 2519.0, 0.0, 0.0} << 7.683;
        QTest::newRow("lead 10 MeV, both pair fields")
            << "082_Pb.ele" << 56 << 207.199997 << 11.35
            << QVector<double>{1.059e-2, 4.193, 0.1790, 12.63, 9.427e-2} << 0.04972;
    }

    void shippedValuesAgreeWithXcom() {
        QFETCH(QString, file);
        QFETCH(int, row);
        QFETCH(double, atomicWeight);
        QFETCH(double, density);
        QFETCH(QVector<double>, barns);
        QFETCH(double, nistTotal);
        data::MaterialTable table;
        table.SelectedPath = "ele/" + file.toStdString();
        const data::LoadResult result = data::LoadMaterialTable(table, kLibrary);
        QCOMPARE(result.density, density);
        const auto r = static_cast<std::size_t>(row);
        const data::Column* columns[] = {&table.Coherent, &table.Incoherent, &table.PhotoElectric,
                                         &table.PairNuclear, &table.PairElectron};
        for (qsizetype p = 0; p < barns.size(); ++p) {
            // Four significant digits printed: within half a unit of the last one.
            const double exact = barns[p] * 0.602214076 / atomicWeight;
            QVERIFY2(testing::closeTo((*columns[p])[r], exact, 5.0001e-4), qPrintable(file));
        }
        // The two NIST databases agree to a few parts in a thousand.
        QVERIFY(testing::closeTo(table.Total[r], nistTotal, 2e-3));
    }
};

QTEST_GUILESS_MAIN(LibraryElementsTest)
#include "test_elements.moc"
