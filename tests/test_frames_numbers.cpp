// SPDX-License-Identifier: MIT
#include "CommandFrame.h"
#include "NumberText.h"
#include "PortTableLinux.h"

#include <QTest>

#include <cmath>

using namespace CommandFrame;

class FramesAndNumbers : public QObject {
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<char>("command");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("first cell, zero") << runCommand(0) << 0 << QByteArray::fromHex("0041303030");
        QTest::newRow("Servo 2 On, 128") << runCommand(5) << 128 << QByteArray::fromHex("0046313238");
        QTest::newRow("last cell, 255") << runCommand(15) << 255 << QByteArray::fromHex("0050323535");
        QTest::newRow("save") << SaveCommand << 7 << QByteArray::fromHex("0040303037");
        QTest::newRow("reset") << ResetCommand << 7 << QByteArray::fromHex("0023303037");
        QTest::newRow("padded") << runCommand(0) << 9 << QByteArray::fromHex("0041303039");
        QTest::newRow("held to 255") << runCommand(0) << 999 << QByteArray::fromHex("0041323535");
        QTest::newRow("held to 0") << runCommand(0) << -3 << QByteArray::fromHex("0041303030");
    }
    void frames()
    {
        QFETCH(char, command);
        QFETCH(int, value);
        QFETCH(QByteArray, bytes);
        const std::string frame = BuildFrame(command, static_cast<std::int16_t>(value));
        QCOMPARE(QByteArray(frame.data(), static_cast<qsizetype>(frame.size())), bytes);
    }

    void everyCellHasItsLetter()
    {
        for (std::int16_t index = 0; index < 16; ++index)
            QCOMPARE(runCommand(index), static_cast<char>('A' + index));
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, runCommand(32767));
    }

    void lenientReading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << QByteArray("4") << 4.0;
        QTest::newRow("blanks around") << QByteArray(" \t7\n ") << 7.0;
        QTest::newRow("blank inside") << QByteArray("1 2") << 12.0;
        QTest::newRow("trailing text") << QByteArray("3abc") << 3.0;
        QTest::newRow("no number") << QByteArray("abc") << 0.0;
        QTest::newRow("empty") << QByteArray("") << 0.0;
        QTest::newRow("sign alone") << QByteArray("-") << 0.0;
        QTest::newRow("negative") << QByteArray("-12") << -12.0;
        QTest::newRow("plus") << QByteArray("+5") << 5.0;
        QTest::newRow("fraction") << QByteArray("2.5") << 2.5;
        QTest::newRow("leading point") << QByteArray(".5") << 0.5;
        QTest::newRow("two points") << QByteArray("1.2.3") << 1.2;
        QTest::newRow("exponent") << QByteArray("1e3") << 1000.0;
        QTest::newRow("D exponent") << QByteArray("2D2") << 200.0;
        QTest::newRow("bare exponent letter") << QByteArray("5e") << 5.0;
        QTest::newRow("negative exponent") << QByteArray("25e-1") << 2.5;
        QTest::newRow("hex") << QByteArray("&H1F") << 31.0;
        QTest::newRow("hex lower case") << QByteArray("&hff") << 255.0;
        QTest::newRow("octal") << QByteArray("&O17") << 15.0;
        QTest::newRow("octal stops at 8") << QByteArray("&O78") << 7.0;
        QTest::newRow("prefix alone") << QByteArray("&H") << 0.0;
        QTest::newRow("tiny") << QByteArray("1e-999") << 0.0;
        QTest::newRow("other script digits") << QByteArray("\xd9\xa3") << 0.0;
        QTest::newRow("NUL first") << QByteArray("\0" "5", 2) << 0.0;
        QTest::newRow("carriage return is not a blank") << QByteArray("\r5") << 0.0;
    }
    void lenientReading()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        QCOMPARE(NumberText::readLenient(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))),
                 value);
    }

    void lenientReadingOfHugeTexts()
    {
        QVERIFY(std::isinf(NumberText::readLenient("1e999")));
        QVERIFY(std::isinf(NumberText::readLenient("-1e999")));
        QVERIFY(std::isinf(NumberText::readLenient(std::string(100000, '9'))));
        QCOMPARE(NumberText::roundToInt16(NumberText::readLenient("0." + std::string(100000, '0') + "5")),
                 std::optional<std::int16_t>(0));
        QCOMPARE(NumberText::readLenient(std::string(100000, ' ') + "6"), 6.0);
    }

    void rounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");  // -99999: does not fit
        QTest::newRow("2.5 to even") << 2.5 << 2;
        QTest::newRow("3.5 to even") << 3.5 << 4;
        QTest::newRow("-2.5 to even") << -2.5 << -2;
        QTest::newRow("2.51 up") << 2.51 << 3;
        QTest::newRow("top") << 32767.0 << 32767;
        QTest::newRow("top plus a half rounds out") << 32767.5 << -99999;
        QTest::newRow("bottom minus a half rounds to even") << -32768.5 << -32768;
        QTest::newRow("too large") << 99999.0 << -99999;
        QTest::newRow("too small") << -40000.0 << -99999;
        QTest::newRow("huge") << 1e100 << -99999;
        QTest::newRow("infinite") << HUGE_VAL << -99999;
        QTest::newRow("not a number") << std::nan("") << -99999;
    }
    void rounding()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        const auto result = NumberText::roundToInt16(value);
        if (rounded == -99999)
            QVERIFY(!result);
        else
            QCOMPARE(result, std::optional<std::int16_t>(static_cast<std::int16_t>(rounded)));
    }

    void strictReading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value");  // -99999: refused
        QTest::newRow("plain") << QByteArray("3") << 3;
        QTest::newRow("blanks around") << QByteArray("  1001\t") << 1001;
        QTest::newRow("half to even") << QByteArray("2.5") << 2;
        QTest::newRow("negative") << QByteArray("-7") << -7;
        QTest::newRow("hex") << QByteArray("&H10") << 16;
        QTest::newRow("exponent") << QByteArray("1.2e3") << 1200;
        QTest::newRow("blank inside") << QByteArray("1 2") << -99999;
        QTest::newRow("trailing text") << QByteArray("3abc") << -99999;
        QTest::newRow("text") << QByteArray("abc") << -99999;
        QTest::newRow("blanks only") << QByteArray("   ") << -99999;
        QTest::newRow("sign alone") << QByteArray("+") << -99999;
        QTest::newRow("prefix alone") << QByteArray("&O") << -99999;
        QTest::newRow("too large") << QByteArray("99999") << -99999;
        QTest::newRow("too small") << QByteArray("-40000") << -99999;
        QTest::newRow("huge exponent") << QByteArray("1e100") << -99999;
        QTest::newRow("NUL inside") << QByteArray("1\0" "2", 3) << -99999;
    }
    void strictReading()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        const auto result =
            NumberText::readStrictInt16(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        if (value == -99999)
            QVERIFY(!result);
        else
            QCOMPARE(result, std::optional<std::int16_t>(static_cast<std::int16_t>(value)));
    }

    void portTable()
    {
        QCOMPARE(PortTable::devicePath(1), std::optional<std::string>("/dev/ttyS0"));
        QCOMPARE(PortTable::devicePath(32), std::optional<std::string>("/dev/ttyS31"));
        QCOMPARE(PortTable::devicePath(33), std::optional<std::string>("/dev/ttyUSB0"));
        QCOMPARE(PortTable::devicePath(65), std::optional<std::string>("/dev/ttyACM0"));
        QCOMPARE(PortTable::devicePath(128), std::optional<std::string>("/dev/ttyAMA31"));
        QCOMPARE(PortTable::devicePath(129), std::optional<std::string>("/dev/rfcomm0"));
        QCOMPARE(PortTable::devicePath(160), std::optional<std::string>("/dev/rfcomm31"));
        QCOMPARE(PortTable::devicePath(1000), std::optional<std::string>("/dev/pts/0"));
        QCOMPARE(PortTable::devicePath(1999), std::optional<std::string>("/dev/pts/999"));
        for (std::int16_t outside : {0, -1, 161, 999, 2000, 32767})
            QVERIFY(!PortTable::devicePath(outside));
        // Back from devices to numbers, for every range, and nothing for names the table lacks.
        for (std::int16_t number : {1, 32, 33, 64, 65, 96, 97, 128, 129, 160, 1000, 1999})
            QCOMPARE(PortTable::numberOf(*PortTable::devicePath(number)), std::optional<std::int16_t>(number));
        for (const char* other : {"/dev/ttyUSB32", "/dev/rfcomm32", "/dev/ttyS01", "/dev/ttyS-1", "/dev/ttyS",
                                  "/dev/ttyXRUSB0", "/dev/pts/1000", "/tmp/ttyS0", "ttyS0"})
            QVERIFY2(!PortTable::numberOf(other), other);
        QCOMPARE(PortTable::numberOfPseudoTerminal("/dev/pts/7"), std::optional<std::int16_t>(1007));
        QVERIFY(!PortTable::numberOfPseudoTerminal("/dev/pts/1000"));
        QVERIFY(!PortTable::numberOfPseudoTerminal("/dev/pts/"));
        QVERIFY(!PortTable::numberOfPseudoTerminal("/dev/ttyS0"));
    }
};

QTEST_APPLESS_MAIN(FramesAndNumbers)
#include "test_frames_numbers.moc"
