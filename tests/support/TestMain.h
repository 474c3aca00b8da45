#pragma once

#include "TestHome.h"

#include <QApplication>
#include <QCoreApplication>
#include <QtTest>

// main() for a QtTest program with its own temporary HOME.
#define PELLMAR_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char** argv)                                                             \
    {                                                                                           \
        TestHome home;                                                                          \
        QCoreApplication app(argc, argv);                                                       \
        TestClass test;                                                                         \
        return QTest::qExec(&test, argc, argv);                                                 \
    }

// The same with a widget application (offscreen in CTest), for tests that paint or show windows.
#define PELLMAR_TEST_MAIN_GUI(TestClass)                                                        \
    int main(int argc, char** argv)                                                             \
    {                                                                                           \
        TestHome home;                                                                          \
        QApplication app(argc, argv);                                                           \
        TestClass test;                                                                         \
        return QTest::qExec(&test, argc, argv);                                                 \
    }
