#pragma once

// A QtTest main that isolates the process: every test executable gets its own
// temporary XDG_CONFIG_HOME (set before Qt reads it) and runs offscreen unless
// told otherwise. Use QUORVIX_TEST_MAIN for widget tests and
// QUORVIX_TEST_MAIN_CORE for tests that need only Qt Core.

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

namespace quorvix::test {

// Folder with real character files, or an empty string when this checkout has none.
inline QString realCharactersDir()
{
    const QString dir = QStringLiteral(QUORVIX_TEST_CHARACTERS_DIR);
    return QDir(dir).exists() ? QDir(dir).absolutePath() : QString();
}

inline void isolateEnvironment(QTemporaryDir& configHome)
{
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    // Nor a Wine prefix of the user's: tests that want one choose it.
    qputenv("QUORVIX_STORE", "ini");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace quorvix::test

#define QUORVIX_TEST_MAIN_IMPL(AppClass, TestClass)                                                \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QTemporaryDir configHome;                                                                  \
        quorvix::test::isolateEnvironment(configHome);                                             \
        AppClass app(argc, argv);                                                                  \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

#define QUORVIX_TEST_MAIN(TestClass) QUORVIX_TEST_MAIN_IMPL(QApplication, TestClass)
#define QUORVIX_TEST_MAIN_CORE(TestClass) QUORVIX_TEST_MAIN_IMPL(QCoreApplication, TestClass)
