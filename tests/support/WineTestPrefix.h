#pragma once

// A private Wine prefix for one test process: made once with wineboot (ten
// to twenty seconds), with Wine's own tools to run in it and a wineserver to
// keep running, as the resident mail checker keeps one.

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace quorvix::test {

class WineTestPrefix
{
public:
    // Makes the prefix; false, with why, when Wine is not installed or
    // wineboot fails.
    bool make(QString* why)
    {
        wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        wineserver = QStandardPaths::findExecutable(QStringLiteral("wineserver"));
        const QString wineboot = QStandardPaths::findExecutable(QStringLiteral("wineboot"));
        if (wine.isEmpty() || wineserver.isEmpty() || wineboot.isEmpty()) {
            *why = QStringLiteral("Wine is not installed (wine, wineserver, wineboot)");
            return false;
        }
        if (!dir_.isValid() || !run(wineboot, {QStringLiteral("-i")}) ||
            !run(wineserver, {QStringLiteral("-w")})) {
            *why = QStringLiteral("wineboot -i failed");
            return false;
        }
        return true;
    }

    QString path() const { return dir_.filePath(QStringLiteral("prefix")); }
    QString userReg() const { return path() + QStringLiteral("/user.reg"); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), path());
        environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
        return environment;
    }

    // Runs program in the prefix with input on its standard input; true when
    // it ended with code 0.
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
             const QByteArray& input = {})
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(dir_.path());
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(180'000))
            return false;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    // A wineserver that stays, as beside a running Wine program.
    void startServer() { run(wineserver, {QStringLiteral("-p")}); }

    // Ends every Wine process of the prefix; wineserver saves user.reg first.
    void stopServer()
    {
        run(wineserver, {QStringLiteral("-k")});
        run(wineserver, {QStringLiteral("-w")});
    }

    QString wine;
    QString wineserver;

private:
    QTemporaryDir dir_;
};

} // namespace quorvix::test
