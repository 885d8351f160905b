#pragma once

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

// Like QTEST_MAIN, but every test runs with QStandardPaths in test mode, so that no
// test reads or writes the user's own settings or files.
#define KELVARO_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QStandardPaths::setTestModeEnabled(true);                                                  \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
