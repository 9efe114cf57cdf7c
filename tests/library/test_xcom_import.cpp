// The XCOM element-file reader on whole and damaged texts, and the importer against the
// committed element library.

#include "fakes/TestSupport.h"

#include "element_library.h"
#include "xcom_reader.h"

#include <algorithm>
#include <string>
#include <vector>

Q_DECLARE_METATYPE(xcom::ReadError)
Q_DECLARE_METATYPE(xcom::Block)

namespace {

std::string pad(const std::string& text, std::size_t width, char fill = ' ') {
    return std::string(width > text.size() ? width - text.size() : 0, fill) + text;
}

// `values` as lines of `perLine` fields, each field right-justified in `width` columns.
std::string block(const std::vector<std::string>& values, std::size_t perLine, std::size_t width) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += pad(values[i], width);
        if ((i + 1) % perLine == 0 || i + 1 == values.size()) {
            text += '\n';
        }
    }
    return text;
}

// A complete file for a made-up element with one edge at positions 8/9 of 82 energies. Energy k
// (0-based) is 1000 + 10 k eV; cross section k of process p is (1 + k / 1000) * 10^p barns.
// Without the edge: 80 energies written with six decimals as in Z <= 10, cross sections 0.
std::string validFile(bool withEdge = true) {
    const int count = withEdge ? 82 : 80;
    std::string text = withEdge ? "    26   55.847000\n     1    82\n     9\n K \n   1070.0\n"
                                : "     1    1.007900\n     0    80\n";
    std::vector<std::string> energies;
    for (int k = 0; k < count; ++k) {
        energies.push_back("1." + pad(std::to_string(k), 2, '0') +
                           (withEdge ? "000E+03" : "0000E+03"));
    }
    text += block(energies, 6, 13);
    for (int p = 0; p < 5; ++p) {
        std::vector<std::string> sigmas(std::size_t(count), "0.000E-01");
        for (int k = 0; withEdge && k < count; ++k) {
            sigmas[std::size_t(k)] =
                "1." + pad(std::to_string(k), 3, '0') + "E+0" + std::to_string(p);
        }
        text += block(sigmas, 8, 10);
    }
    // One fit list of two points: energies in MeV, then cross sections.
    return withEdge ? text + "     1\n     2\n  1.0000E-03  1.0700E-03\n  8.4210E+05  7.0000E+05\n"
                    : text;
}

std::string replaceFirst(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The text up to (not including) its 1-based line `line`.
std::string firstLines(const std::string& text, int lines) {
    std::size_t at = 0;
    for (int i = 0; i < lines; ++i) {
        at = text.find('\n', at) + 1;
    }
    return text.substr(0, at);
}

std::vector<std::string> eleFiles(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".ele") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class XcomImportTest : public QObject {
    Q_OBJECT

  private slots:
    void readsEveryBlockOfAWholeFile() {
        const xcom::ReadResult result = xcom::ReadElementFile(validFile());
        QVERIFY2(result.ok(), xcom::DescribeReadError(result).c_str());
        const xcom::ElementData& data = result.data;
        QCOMPARE(data.atomicNumber, 26);
        QCOMPARE(data.atomicWeight, 55.847);
        QCOMPARE(data.energyCount, 82);
        QCOMPARE(data.edgeIndices, std::vector<int>{9});
        QCOMPARE(data.edgeNames, std::vector<std::string>{"K"});
        QCOMPARE(data.edgeEnergiesEv, std::vector<double>{1070.0});
        QCOMPARE(data.energiesEv.size(), std::size_t(82));
        QCOMPARE(data.energiesEv[7], 1070.0);
        QCOMPARE(data.energiesEv[81], 1810.0);
        for (std::size_t p = 0; p < 5; ++p) {
            const std::vector<double>& column = data.crossSectionsBarns[p];
            QCOMPARE(column.size(), std::size_t(82));
            QCOMPARE_CLOSE(column[8], 1.008 * std::pow(10.0, static_cast<double>(p)));
            QCOMPARE_CLOSE(column[81], 1.081 * std::pow(10.0, static_cast<double>(p)));
        }
    }

    void acceptsHarmlessVariants_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<int>("energies");
        QTest::newRow("end-of-file mark after the last line") << validFile() + "\x1a" << 82;
        QTest::newRow("CR LF line ends") << replaceFirst(validFile(), "\n", "\r\n") << 82;
        QTest::newRow("no line end after the last line")
            << validFile().substr(0, validFile().size() - 1) << 82;
        QTest::newRow("blank lines at the end") << validFile() + "\n  \n" << 82;
        QTest::newRow("no edges, six-decimal energies") << validFile(false) << 80;
    }

    void acceptsHarmlessVariants() {
        QFETCH(std::string, text);
        QFETCH(int, energies);
        const xcom::ReadResult result = xcom::ReadElementFile(text);
        QVERIFY2(result.ok(), xcom::DescribeReadError(result).c_str());
        QCOMPARE(result.data.energyCount, energies);
        QCOMPARE(static_cast<int>(result.data.crossSectionsBarns[4].size()), energies);
    }

    void rejectsDamagedFiles_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<xcom::ReadError>("error");
        QTest::addColumn<xcom::Block>("block");
        QTest::addColumn<int>("line");
        QTest::addColumn<std::string>("message"); // checked where given
        using E = xcom::ReadError;
        using B = xcom::Block;
        const std::string valid = validFile();
        const auto row = [](const char* name, const std::string& text, E error, B where, int line,
                            const std::string& message = {}) {
            QTest::newRow(name) << text << error << where << line << message;
        };
        const auto changed = [&valid](const std::string& from, const std::string& to) {
            return replaceFirst(valid, from, to);
        };
        // Lines: 1 header, 2 counts, 3 index, 4 name, 5 edge energy, 6-19 energies, 20-30
        // coherent, 31-41 incoherent, 42-52 photoelectric, 53-63 pair nuclear, 64-74 pair
        // electron, 75-78 fit data.
        row("empty", "", E::Truncated, B::Header, 1);
        row("cut inside the coherent block", firstLines(valid, 25), E::Truncated, B::Coherent, 26,
            "the file ends before line 26, in the coherent block");
        row("weight missing", changed("    26   55.847000", "    26"), E::BadLayout, B::Header, 1);
        row("text after the weight", changed("55.847000", "55.847000 x"), E::BadLayout, B::Header,
            1);
        row("Z is not a number", changed("    26", "    2a"), E::BadNumber, B::Header, 1);
        row("Z above 100", changed("    26", "   126"), E::BadValue, B::Header, 1);
        row("weight zero", changed("   55.847000", "    0.000000"), E::BadValue, B::Header, 1);
        row("energy count one short", changed("     1    82", "     1    81"), E::CountMismatch,
            B::Counts, 2, "line 2 (counts): the number of energies is not 80 plus two per edge");
        row("more edges than shells", changed("     1    82", "    15   110"), E::BadValue,
            B::Counts, 2);
        row("negative edge count", changed("     1    82", "    -1    78"), E::BadValue, B::Counts,
            2);
        row("huge energy count", changed("     1    82", "     199999999"), E::BadLayout, B::Counts,
            2);
        row("edge at the first energy", changed("\n     9\n", "\n     1\n"), E::BadEdgeIndex,
            B::EdgeIndices, 3);
        row("edge beyond the energies", changed("\n     9\n", "\n    83\n"), E::BadEdgeIndex,
            B::EdgeIndices, 3);
        row("edge-name block missing", changed("\n K \n", "\n"), E::BadLayout, B::EdgeNames, 4);
        row("edge name not a name", changed("\n K \n", "\n K*\n"), E::BadName, B::EdgeNames, 4);
        row("edge energy block missing", changed("\n   1070.0\n", "\n"), E::BadLayout,
            B::EdgeEnergies, 5);
        row("energy infinite", changed("  1.01000E+03", "          inf"), E::BadNumber, B::Energies,
            6);
        row("energy overflows", changed("  1.01000E+03", "  1.0000E+999"), E::BadNumber,
            B::Energies, 6);
        row("energy zero", changed("  1.00000E+03", "  0.00000E+00"), E::BadValue, B::Energies, 6);
        row("energies out of order", changed("  1.01000E+03", "  9.00000E+02"),
            E::EnergiesNotAscending, B::Energies, 6);
        row("energy line one field short", changed("  1.05000E+03\n", "\n"), E::BadLayout,
            B::Energies, 6);
        row("energy line one field long",
            changed("  1.05000E+03\n", "  1.05000E+03  1.05000E+03\n"), E::BadLayout, B::Energies,
            6);
        row("NUL byte in a field", changed(" 1.000E+00", std::string(" 1.0\0\0E+00", 10)),
            E::BadNumber, B::Coherent, 20);
        row("negative cross section", changed(" 1.000E+02", "-1.000E+02"), E::BadValue,
            B::PhotoElectric, 42);
        row("incoherent block missing",
            firstLines(valid, 30) + valid.substr(firstLines(valid, 41).size()), E::BadLayout,
            B::PairElectron, 64);
        row("fit list count differs from edges",
            changed("\n     1\n     2\n", "\n     2\n     2\n"), E::BadValue, B::FitData, 75);
        row("end-of-file mark inside the file", changed("\n  8.4210E+05", "\n\x1a  8.4210E+05"),
            E::BadNumber, B::FitData, 78);
        row("two end-of-file marks", valid + "\x1a\x1a", E::TrailingText, B::End, 79);
        row("no-edge file with extra text", validFile(false) + "     1\n", E::TrailingText, B::End,
            67);
    }

    void rejectsDamagedFiles() {
        QFETCH(std::string, text);
        QFETCH(xcom::ReadError, error);
        QFETCH(xcom::Block, block);
        QFETCH(int, line);
        QFETCH(std::string, message);
        const xcom::ReadResult result = xcom::ReadElementFile(text);
        QVERIFY(!result.ok());
        QVERIFY2(result.error == error, xcom::DescribeReadError(result).c_str());
        QVERIFY2(result.block == block, xcom::DescribeReadError(result).c_str());
        QCOMPARE(result.line, line);
        if (!message.empty()) {
            QCOMPARE(xcom::DescribeReadError(result), message);
        }
        // A failed read hands back no half-read data.
        QVERIFY(result.data.energiesEv.empty());
    }

    // A file cut short is refused, never read past its end. Fixed-width blocks catch a cut
    // anywhere before the final line end; the free-format fit data cannot tell "7.0000E+0" or
    // "7" from a whole number, so there only cuts before the last value count.
    void everyTruncationIsRefused() {
        for (const bool withEdge : {true, false}) {
            const std::string valid = validFile(withEdge);
            const std::size_t refusedBelow =
                withEdge ? valid.rfind("7.0000E+05") + 1 : valid.size() - 1;
            for (std::size_t size = 0; size < refusedBelow; ++size) {
                const xcom::ReadResult result = xcom::ReadElementFile(valid.substr(0, size));
                QVERIFY2(!result.ok(),
                         qPrintable(QString("accepted the first %1 bytes").arg(size)));
            }
        }
    }

    void readsElementFacts_data() {
        QTest::addColumn<std::string>("csv");
        QTest::addColumn<QString>("errorPart");

        const std::string header = "z,symbol,name,atomic_weight,density_g_cm3\n";
        std::string rows;
        for (int z = 1; z <= 100; ++z) {
            rows += std::to_string(z) + ",X" + std::to_string(z) + ",\"Name, " + std::to_string(z) +
                    "\",1.5," + (z == 82 ? "11.35" : "1.000E+00") + "\n";
        }
        QTest::newRow("complete, quoted names") << header + rows << QString();
        QTest::newRow("wrong header") << "z,name\n" + rows << QString("first line");
        QTest::newRow("element twice") << header + rows + "5,B,Boron,10.8,2.37\n"
                                       << QString("appears twice");
        QTest::newRow("density not a number")
            << header + replaceFirst(rows, "1.5,1.000E+00", "1.5,dense") << QString("density");
        QTest::newRow("quote left open") << header + rows + "\"101" << QString("not closed");
    }

    void readsElementFacts() {
        QFETCH(std::string, csv);
        QFETCH(QString, errorPart);
        const xcom::FactsResult facts = xcom::ReadElementFacts(csv);
        if (errorPart.isEmpty()) {
            QVERIFY2(facts.ok(), facts.error.c_str());
            QCOMPARE(facts.elements.size(), std::size_t(100));
            QCOMPARE(facts.elements[81].name, std::string("Name, 82"));
            QCOMPARE(facts.elements[81].densityGPerCm3, 11.35);
            QCOMPARE(xcom::ElementFileName(facts.elements[81]), std::string("082_X82.ele"));
            QCOMPARE(xcom::ElementFileName(facts.elements[0]), std::string("001_X1.ele"));
        } else {
            QVERIFY(!facts.ok());
            QVERIFY2(QString::fromStdString(facts.error).contains(errorPart), facts.error.c_str());
        }
    }

    // The committed element library is exactly what the importer makes of the NIST data.
    void importReproducesTheLibrary() {
        const std::filesystem::path dataDir = std::filesystem::path(PHOTONXS_SHARED_DIR) / "data";
        if (!std::filesystem::is_directory(dataDir / "xcom")) {
            QSKIP("the XCOM data folder is not beside the repository");
        }
        testing::TempFolder temp;
        const std::filesystem::path out = temp.path() / "ele";
        const xcom::ImportResult result = xcom::ImportElementLibrary(dataDir, out);
        QVERIFY2(result.ok(), result.error.c_str());
        QCOMPARE(result.filesWritten, 100);
        const std::filesystem::path library = testing::sourceDir() / "library" / "ele";
        const std::vector<std::string> made = eleFiles(out);
        QCOMPARE(made, eleFiles(library));
        for (const std::string& name : made) {
            QVERIFY2(testing::readFile(out / name) == testing::readFile(library / name),
                     (name + " differs from the importer's output").c_str());
        }
    }

    void importLeavesTheOutputAloneOnBadInput() {
        testing::TempFolder temp;
        const std::filesystem::path dataDir = temp.path() / "data";
        testing::writeFile(dataDir / "elements.csv", "z,symbol,name,atomic_weight,density_g_cm3\n"
                                                     "1,H,Hydrogen,1.007900,8.375E-05\n");
        const std::filesystem::path out = temp.path() / "ele";
        const xcom::ImportResult result = xcom::ImportElementLibrary(dataDir, out);
        QVERIFY(!result.ok());
        QVERIFY2(result.error.find("atomic number 2") != std::string::npos, result.error.c_str());
        QVERIFY(!std::filesystem::exists(out));
    }
};

QTEST_GUILESS_MAIN(XcomImportTest)
#include "test_xcom_import.moc"
