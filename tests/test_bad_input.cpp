// SPDX-License-Identifier: MIT
#include "MSComm.h"
#include "PtyPair.h"
#include "RunLoop.h"
#include "ScriptedRuntime.h"
#include "Sermod1.h"
#include "StreamCheck.h"
#include "test_faults_support.h"

#include <QFile>
#include <QTest>

#include <climits>

namespace {

// What the start prompt does with an answer: a port number, or ask again.
constexpr int AskedAgain = INT_MIN;
// What the Com prompt does with an answer that is not taken as a port number.
constexpr int Ignored = INT_MIN;
constexpr int Refused = INT_MIN + 1;

std::string bytes(const QByteArray& text) { return {text.constData(), static_cast<std::size_t>(text.size())}; }

QByteArray repeated(const char* piece, int times)
{
    QByteArray text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// Texts no user should type but a paste or a stuck key can bring.
const QByteArray ArabicIndic1000 = "\xd9\xa1\xd9\xa0\xd9\xa0\xd9\xa0";
const QByteArray Fullwidth1000 = "\xef\xbc\x91\xef\xbc\x90\xef\xbc\x90\xef\xbc\x90";
const QByteArray HundredThousandDigits = repeated("9", 100000);
const QByteArray HundredThousandLetters = repeated("x", 100000);
const QByteArray DigitsAndLetters = repeated("12ab", 25000);

}  // namespace

class BadInput : public QObject {
    Q_OBJECT

private slots:
    void startPrompt_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("port");
        QTest::newRow("plus alone") << QByteArray("+") << 0;
        QTest::newRow("minus alone") << QByteArray("-") << 0;
        QTest::newRow("hex prefix alone") << QByteArray("&H") << 0;
        QTest::newRow("octal prefix alone") << QByteArray("&O") << 0;
        QTest::newRow("hex") << QByteArray("&H10") << 16;
        QTest::newRow("hex that does not fit") << QByteArray("&HFFFF") << AskedAgain;
        QTest::newRow("top") << QByteArray("32767") << 32767;
        QTest::newRow("bottom") << QByteArray("-32768") << -32768;
        QTest::newRow("below bottom") << QByteArray("-32769") << AskedAgain;
        QTest::newRow("half rounds out at the top") << QByteArray("32767.5") << AskedAgain;
        QTest::newRow("1004.5 to even") << QByteArray("1004.5") << 1004;
        QTest::newRow("1005.5 to even") << QByteArray("1005.5") << 1006;
        QTest::newRow("Arabic-Indic digits") << ArabicIndic1000 << 0;
        QTest::newRow("fullwidth digits") << Fullwidth1000 << 0;
        QTest::newRow("digit then other-script digit") << QByteArray("1") + ArabicIndic1000 << 1;
        QTest::newRow("100000 digits") << HundredThousandDigits << AskedAgain;
        QTest::newRow("100000 letters") << HundredThousandLetters << 0;
        QTest::newRow("100000 digits and letters") << DigitsAndLetters << 12;
        QTest::newRow("100000 zeros then 5") << repeated("0", 100000) + "5" << 5;
        QTest::newRow("NUL after a digit") << QByteArray("1\0" "2", 3) << 1;
        QTest::newRow("NUL alone") << QByteArray("\0", 1) << 0;
        QTest::newRow("tabs and newlines inside") << QByteArray("\t1\n2\t3\n") << 123;
        QTest::newRow("carriage return first") << QByteArray("\r\n7") << 0;
        QTest::newRow("other control characters") << QByteArray("5\x01\x1b[2J") << 5;
    }
    // Every answer either becomes the port number and the window opens, or is asked again with
    // the text kept; nothing else happens.
    void startPrompt()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, port);
        ScriptedRuntime runtime;
        runtime.answers = {{bytes(answer), {}}, {"", {}}};
        Sermod1::ComPort = 0;
        bool shown = false;
        Sermod1::Main(runtime, [&] { shown = true; });
        const bool ended = runtime.ends == 1;
        if (port == AskedAgain) {
            QVERIFY(ended && !shown);
            QCOMPARE(runtime.prompts.size(), 2u);
            QVERIFY(runtime.prompts[1].defaultText == bytes(answer));
        } else {
            QVERIFY(shown && !ended);
            QCOMPARE(runtime.prompts.size(), 1u);
            QCOMPARE(Sermod1::ComPort, port);
        }
    }

    void comPrompt_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("port");
        QTest::newRow("empty") << QByteArray() << Ignored;
        QTest::newRow("blanks only") << QByteArray(" \t\n ") << Refused;
        QTest::newRow("plus alone") << QByteArray("+") << Refused;
        QTest::newRow("minus alone") << QByteArray("-") << Refused;
        QTest::newRow("hex prefix alone") << QByteArray("&H") << Refused;
        QTest::newRow("octal prefix alone") << QByteArray("&O") << Refused;
        QTest::newRow("hex") << QByteArray("&H10") << 16;
        QTest::newRow("hex that does not fit") << QByteArray("&HFFFF") << Refused;
        QTest::newRow("top, no such port") << QByteArray("32767") << 32767;
        QTest::newRow("bottom, no such port") << QByteArray("-32768") << -32768;
        QTest::newRow("above top") << QByteArray("32768") << Refused;
        QTest::newRow("below bottom") << QByteArray("-32769") << Refused;
        QTest::newRow("1e100") << QByteArray("1e100") << Refused;
        QTest::newRow("-40000") << QByteArray("-40000") << Refused;
        QTest::newRow("2.5 to even") << QByteArray("2.5") << 2;
        QTest::newRow("1004.5 to even") << QByteArray("1004.5") << 1004;
        QTest::newRow("1005.5 to even") << QByteArray("1005.5") << 1006;
        QTest::newRow("Arabic-Indic digits") << ArabicIndic1000 << Refused;
        QTest::newRow("fullwidth digits") << Fullwidth1000 << Refused;
        QTest::newRow("100000 digits") << HundredThousandDigits << Refused;
        QTest::newRow("100000 letters") << HundredThousandLetters << Refused;
        QTest::newRow("100000 digits and letters") << DigitsAndLetters << Refused;
        QTest::newRow("100000 blanks around") << repeated(" ", 50000) + "5" + repeated("\t", 50000) << 5;
        QTest::newRow("NUL alone") << QByteArray("\0", 1) << Refused;
        QTest::newRow("NUL after the number") << QByteArray("5\0", 2) << Refused;
        QTest::newRow("tab and newline around") << QByteArray("\t5\n") << 5;
        QTest::newRow("newline inside") << QByteArray("1\n2") << Refused;
        QTest::newRow("carriage return after") << QByteArray("5\r") << Refused;
    }
    // Refused answers leave the port number and the port alone and say so; an answer taken opens
    // the port it names, here a link to a real line, and Save's burst arrives there.
    void comPrompt()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, port);
        PtyPair line;
        DeviceRoot root;
        const bool named = port != Ignored && port != Refused && PortTable::devicePath(std::int16_t(port));
        if (named)
            QVERIFY(QFile::link(QString::fromStdString(line.slavePath()), root.node(std::int16_t(port))));

        MSComm control;
        ScriptedRuntime runtime;
        RunLoop loop(control, runtime, [](std::string_view) {});
        Sermod1::ComPort = 7;
        runtime.answers = {{bytes(answer), {}}};
        loop.mnuCom_Click();

        QCOMPARE(control.PortOpen(), named);
        if (port == Ignored || port == Refused) {
            QCOMPARE(Sermod1::ComPort, 7);
            QCOMPARE(runtime.messages, port == Ignored ? std::vector<std::string>{} : OneWrongPort);
            return;
        }
        QCOMPARE(Sermod1::ComPort, port);
        if (!named) {
            QCOMPARE(runtime.messages, OneWrongPort);
            return;
        }
        QVERIFY(runtime.messages.empty());
        loop.cmdStop_Click();
        control.setPortOpen(false);
        QCOMPARE(framesOf(line.readAvailable()), QStringList(RunLoop::BurstFrames, "@000"));
    }
};

QTEST_GUILESS_MAIN(BadInput)
#include "test_bad_input.moc"
