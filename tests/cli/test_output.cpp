// Typed numbers as the command line reads them, and text fields as it writes them into JSON and
// CSV: whatever bytes a material's name holds, the result must stay valid.

#include "NumberText.h"
#include "Output.h"

#include <QtTest>

#include <charconv>
#include <cmath>
#include <random>

class CliOutputTest : public QObject {
    Q_OBJECT

  private slots:
    // A number is a number from its first character to its last; the value is that of the
    // windows' reader. NaN in `value` marks a refused text.
    void typedNumbers_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("whole number") << QByteArray("662") << 662.0;
        QTest::newRow("digits, point, digits") << QByteArray("0.662") << 0.662;
        QTest::newRow("sign and point first") << QByteArray("-.5") << -0.5;
        QTest::newRow("D exponent with sign") << QByteArray("6.62D-1") << 0.662;
        QTest::newRow("unit glued on") << QByteArray("662keV") << qQNaN();
        QTest::newRow("unit glued on after the decimals") << QByteArray("0.662MeV") << qQNaN();
        QTest::newRow("decimal comma") << QByteArray("0,662") << qQNaN();
        QTest::newRow("blank after the decimals") << QByteArray("0.5 ") << qQNaN();
        QTest::newRow("exponent without digits") << QByteArray("1e+") << qQNaN();
        QTest::newRow("lone point") << QByteArray(".") << qQNaN();
    }
    void typedNumbers() {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        // A view without the string's closing NUL, so that reading past its end shows.
        const std::string padded = text.toStdString() + "5";
        const std::string_view typed(padded.data(), padded.size() - 1);
        const std::optional<double> read = cli::ReadNumber(typed);
        QCOMPARE(cli::IsNumberText(typed), !qIsNaN(value));
        QCOMPARE(read.has_value(), !qIsNaN(value));
        if (read) {
            QCOMPARE(*read, value);
        }
    }

    // A value with `digits` significant digits is what std::to_chars rounds it to, with 'E' for
    // 'e' and zero unsigned: over random values of every magnitude and sign, and over binary
    // fractions whose decimal digits end in a 5, the halves that go to the even digit.
    void valuesAsTheStandardLibraryRoundsThem_data() {
        QTest::addColumn<int>("digits");
        for (const int digits : {1, 2, 4, 9, 10, 17}) {
            QTest::addRow("%d digits", digits) << digits;
        }
    }
    void valuesAsTheStandardLibraryRoundsThem() {
        QFETCH(int, digits);
        std::mt19937_64 random(static_cast<unsigned>(digits));
        std::vector<double> values{
            0.0, -0.0, 1e22, 1e23, 9.9999999999, 5e-324, 1.7976931348623157e308};
        for (int i = 0; i < 50000; ++i) {
            const double sign = random() % 2 == 0 ? 1.0 : -1.0;
            values.push_back(sign * std::ldexp(static_cast<double>(random() >> 11),
                                               static_cast<int>(random() % 260) - 200));
            values.push_back(sign * std::ldexp(static_cast<double>(2 * (random() % 100000) + 1),
                                               -static_cast<int>(random() % 24)));
        }
        for (const double value : values) {
            std::string ours;
            cli::AppendValue(ours, value, digits);
            char buffer[64];
            const auto written = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0,
                                               std::chars_format::scientific, digits - 1);
            std::string expected(buffer, written.ptr);
            expected[expected.find('e')] = 'E';
            QVERIFY2(ours == expected, qPrintable(QString::number(value, 'g', 17)));
        }
    }

    void jsonStrings_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("json");
        const auto row = [](const char* name, const QByteArray& text, const QByteArray& json) {
            QTest::newRow(name) << text << json;
        };
        row("quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\"");
        row("control characters", QByteArray("a\tb\x01", 4), "\"a\\u0009b\\u0001\"");
        row("UTF-8 of two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
            "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"");
        row("the lowest two-byte lead, U+00B0", "90\xC2\xB0", "\"90\xC2\xB0\"");
        row("the highest two-byte lead, U+07FF", "\xDF\xBF", "\"\xDF\xBF\"");
        row("a Latin-1 byte", "caf\xE9", "\"caf\\u00e9\"");
        row("overlong encoding of '/'", "\xC0\xAF", "\"\\u00c0\\u00af\"");
        row("first surrogate, U+D800", "\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\"");
        row("the replacement character, U+FFFD", "\xEF\xBF\xBD", "\"\xEF\xBF\xBD\"");
        row("last code point before the surrogates, U+D7FF", "\xED\x9F\xBF", "\"\xED\x9F\xBF\"");
        row("the last code point, U+10FFFF", "\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\"");
        row("above U+10FFFF", "\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\"");
        row("sequence cut short by the end", "x\xE2\x82", "\"x\\u00e2\\u0082\"");
    }
    void jsonStrings() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, json);
        std::string out;
        cli::AppendJsonString(out, std::string_view(text.constData(), text.size()));
        QCOMPARE(QByteArray::fromStdString(out), json);
    }

    void csvFields_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("csv");
        QTest::newRow("plain") << QByteArray("Water") << QByteArray("Water");
        QTest::newRow("comma") << QByteArray("Water, liquid") << QByteArray("\"Water, liquid\"");
        QTest::newRow("quote") << QByteArray("5\" pipe") << QByteArray("\"5\"\" pipe\"");
        QTest::newRow("line end") << QByteArray("a\nb") << QByteArray("\"a\nb\"");
    }
    void csvFields() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, csv);
        std::string out;
        cli::AppendCsvField(out, std::string_view(text.constData(), text.size()));
        QCOMPARE(QByteArray::fromStdString(out), csv);
    }
};

QTEST_GUILESS_MAIN(CliOutputTest)
#include "test_output.moc"
