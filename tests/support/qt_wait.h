#pragma once
// Waiting for a condition in a Qt test run by GoogleTest. Qt's QTRY_* macros report a failed
// wait to QTest and return, which GoogleTest never sees: the rest of the test is skipped and
// the test passes. Wait with this and ASSERT on its result instead.
#include <QTest>

namespace orvanta::testing {

// Lets the event loop run until condition() holds or limitMs passes; true when it held. The
// limit is generous on purpose: CI runs the tests in parallel on a loaded machine.
template <typename F>
bool WaitFor(F&& condition, int limitMs = 30000) {
    for (int waited = 0; !condition(); waited += 10) {
        if (waited >= limitMs) return false;
        QTest::qWait(10);
    }
    return true;
}

}  // namespace orvanta::testing
