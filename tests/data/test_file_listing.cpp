#include "fakes/TestSupport.h"
#include "platform/FileListing.h"

using namespace platform;

class FileListingTest : public QObject {
    Q_OBJECT

  private slots:
    void patterns_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        QTest::newRow("extension") << "082_Pb.ele"
                                   << "*.ele" << true;
        QTest::newRow("user.txt is not an element") << "user.txt"
                                                    << "*.ele" << false;
        QTest::newRow("category 3 only") << "Air.mix3"
                                         << "*.mix1" << false;
        QTest::newRow("no prefix match") << "Air.mix3"
                                         << "*.mix" << false;
        QTest::newRow("question mark") << "a.mix2"
                                       << "?.mix?" << true;
        QTest::newRow("star in the middle") << "Water_Liquid.mix2"
                                            << "W*d.mix2" << true;
        QTest::newRow("backtracking") << "a.ele.ele"
                                      << "*.ele" << true;
        QTest::newRow("empty name") << ""
                                    << "*" << true;
        QTest::newRow("case matters") << "A.ELE"
                                      << "*.ele" << false;
    }
    void patterns() {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QFETCH(bool, matches);
        QCOMPARE(MatchesPattern(name.toStdString(), pattern.toStdString()), matches);
    }

    void listsSortedRegularFiles() {
        testing::TempFolder folder;
        const auto root = folder.path();
        testing::writeFile(root / "b.mix3", "x");
        testing::writeFile(root / "a.mix3", "x");
        testing::writeFile(root / "c.mix1", "x");
        std::filesystem::create_directory(root / "d.mix3");
        std::filesystem::create_directory(root / "sub");
        QCOMPARE(ListFiles(root, "*.mix3"), (std::vector<std::string>{"a.mix3", "b.mix3"}));
        QCOMPARE(ListFolders(root), (std::vector<std::string>{"d.mix3", "sub"}));
        QVERIFY(ListFiles(root / "absent", "*").empty());
    }
};

QTEST_GUILESS_MAIN(FileListingTest)
#include "test_file_listing.moc"
