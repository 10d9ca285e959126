// SPDX-License-Identifier: MIT
#include "StopSignalNotifier.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <windows.h>

// Windows logging off or shutting down, as a window of the program sees it: asked first, then
// told whether the session ends.
class SessionEnd : public QObject {
    Q_OBJECT

private slots:
    void anEndingSessionAsksTheProgramToEndOnce()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto handle = reinterpret_cast<HWND>(window.winId());
        StopSignalNotifier notifier;
        QSignalSpy stops(&notifier, &StopSignalNotifier::stopRequested);

        // Nothing to save: the question is answered yes, and nothing ends yet.
        QCOMPARE(::SendMessageW(handle, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), LRESULT(TRUE));
        // Another program said no: the session goes on, and so does the panel.
        ::SendMessageW(handle, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
        QCOMPARE(stops.count(), 0);
        // The session ends: the request comes inside the message, before Windows ends the program.
        ::SendMessageW(handle, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        QCOMPARE(stops.count(), 1);
        ::SendMessageW(handle, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        QCOMPARE(stops.count(), 1);
    }
};

QTEST_MAIN(SessionEnd)
#include "test_session_end.moc"
