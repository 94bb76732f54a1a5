#pragma once

#include "BrowserEnvironment.h"
#include "PrivateNetwork.h"

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

// The same for test classes constructed with whether the test runs in
// network and mount namespaces of its own (privatenetwork::enter()), which
// it enters first.
#define ZEMBREL_BROWSER_TEST_MAIN_OWN_NETWORK(TestClass)                                           \
    int main(int argc, char** argv) {                                                              \
        const bool ownNetwork = privatenetwork::enter();                                           \
        prepareBrowserEnvironment();                                                               \
        QGuiApplication app(argc, argv);                                                           \
        TestClass test(ownNetwork);                                                                \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
