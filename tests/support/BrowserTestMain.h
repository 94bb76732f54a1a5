#pragma once

#include "BrowserEnvironment.h"

#include <QGuiApplication>
#include <QTest>

// A Qt Test main() for test classes that use the embedded browser, which
// must be prepared before the application object exists.
#define ZEMBREL_BROWSER_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char** argv) {                                                              \
        prepareBrowserEnvironment();                                                               \
        QGuiApplication app(argc, argv);                                                           \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
