// SPDX-License-Identifier: MIT
#include "ScriptedRuntime.h"
#include "Sermod1.h"

#include <QTest>

// The start prompt, answered as a user would.
class Startup : public QObject {
    Q_OBJECT

    struct Outcome {
        bool ended = false;
        bool shown = false;
        std::vector<ScriptedRuntime::Prompt> prompts;
    };

    Outcome start(std::vector<std::string> answers)
    {
        ScriptedRuntime runtime;
        for (auto& text : answers)
            runtime.answers.push_back({text, {}});
        Outcome outcome;
        Sermod1::ComPort = 0;
        Sermod1::Main(runtime, [&] { outcome.shown = true; });
        outcome.ended = runtime.ends == 1;
        outcome.prompts = runtime.prompts;
        return outcome;
    }

private slots:
    void acceptedAnswerBecomesThePortNumber_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("port");
        QTest::newRow("proposed") << "4" << 4;
        QTest::newRow("blanks") << " 7 " << 7;
        QTest::newRow("split digits") << "1 2" << 12;
        QTest::newRow("trailing text") << "3abc" << 3;
        QTest::newRow("no number") << "abc" << 0;
        QTest::newRow("half down to even") << "2.5" << 2;
        QTest::newRow("half up to even") << "3.5" << 4;
        QTest::newRow("blanks only") << "   " << 0;
        QTest::newRow("pseudo-terminal") << "1003" << 1003;
    }
    void acceptedAnswerBecomesThePortNumber()
    {
        QFETCH(QString, answer);
        QFETCH(int, port);
        const Outcome outcome = start({answer.toStdString()});
        QVERIFY(outcome.shown);
        QVERIFY(!outcome.ended);
        QCOMPARE(Sermod1::ComPort, port);
        QCOMPARE(outcome.prompts.size(), 1u);
        QCOMPARE(outcome.prompts[0].prompt, "Check COM port, change if required");
        QCOMPARE(outcome.prompts[0].title, "Port setting");
        QCOMPARE(outcome.prompts[0].defaultText, "4");
    }

    void emptyAnswerEndsWithoutWindow()
    {
        const Outcome outcome = start({""});
        QVERIFY(outcome.ended);
        QVERIFY(!outcome.shown);
    }

    // A number that cannot be a port number is asked again, with what was typed kept for mending.
    void oversizedAnswerIsAskedAgain()
    {
        const Outcome outcome = start({"99999", "-40000", "1e100", "5"});
        QVERIFY(outcome.shown);
        QCOMPARE(Sermod1::ComPort, 5);
        QCOMPARE(outcome.prompts.size(), 4u);
        QCOMPARE(outcome.prompts[1].defaultText, "99999");
        QCOMPARE(outcome.prompts[2].defaultText, "-40000");
        QCOMPARE(outcome.prompts[3].defaultText, "1e100");

        const Outcome cancelled = start({"32768", ""});
        QVERIFY(cancelled.ended);
        QVERIFY(!cancelled.shown);
    }
};

QTEST_APPLESS_MAIN(Startup)
#include "test_startup.moc"
