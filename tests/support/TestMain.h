#pragma once

#include "TestEnvironment.h"

#include <QApplication>
#include <QTest>

// Like QTEST_MAIN, with the test's private home set up before the application
// object exists (the libraries' start-up routines run in its constructor).
#define KOVRIN_TEST_MAIN(TestClass)                                                                                  \
    int main(int argc, char** argv)                                                                                  \
    {                                                                                                                \
        TestEnvironment environment;                                                                                 \
        QApplication application(argc, argv);                                                                        \
        TestClass test;                                                                                              \
        return QTest::qExec(&test, argc, argv);                                                                      \
    }
