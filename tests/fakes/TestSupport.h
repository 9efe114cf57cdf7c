#pragma once

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testing {

/// True when a and b agree to a relative tolerance (absolute near zero).
inline bool closeTo(double a, double b, double relative = 1e-12) {
    return a == b || std::fabs(a - b) <= relative * std::max({std::fabs(a), std::fabs(b), 1e-300});
}

inline std::filesystem::path sourceDir() { return std::filesystem::path(PHOTONXS_SOURCE_DIR); }

/// The raw NIST tables the importers and the reference-material generator read (data/nist).
inline std::filesystem::path nistData() { return sourceDir() / "data" / "nist"; }

/// The composition lists the shipped reference materials are made from: NIST's, and the concrete
/// the buildup tables were computed for.
inline std::vector<std::filesystem::path> referenceLists() {
    return {nistData() / "materials.csv", sourceDir() / "data" / "buildup" / "materials.csv"};
}

inline std::filesystem::path testData(const std::string& name) {
    return sourceDir() / "tests" / "data" / name;
}

/// Writes bytes to a file exactly as given (no line-end translation).
inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

/// A fresh working folder for one test, removed when it goes out of scope.
struct TempFolder {
    QTemporaryDir dir;
    std::filesystem::path path() const { return std::filesystem::path(dir.path().toStdString()); }
};

} // namespace testing

#define QCOMPARE_CLOSE(actual, expected)                                                           \
    QVERIFY2(                                                                                      \
        testing::closeTo((actual), (expected)),                                                    \
        qPrintable(QString("%1 != %2").arg((actual), 0, 'g', 17).arg((expected), 0, 'g', 17)))
