#pragma once

// Shared by the options window's behaviour tests: recording the order of the
// writes, ending the program, the character files to load, and the window
// shown on a prepared store with every message box answered.

#include "AcsBuilder.h"
#include "KeySchema.h"
#include "ModalAnswers.h"
#include "Module1.h"
#include "StoreFiles.h"
#include "StoreWrites.h"
#include "TestMain.h"
#include "optionform.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace options::test {

using namespace quorvix::test;

// OK and Cancel end the program with QCoreApplication::exit(). With no event
// loop running that leaves every later loop, a message box's included, to
// return at once; running the application's loop once clears it again. Tests
// that end the program call this from cleanup().
inline void clearProgramEnd()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// The behaviour tests' character, in dir: animations Congratulate, Read, Wave
// and read, two that differ only in case. The path, or "" when it could not be written.
inline QString writeSampleCharacter(const QTemporaryDir& dir)
{
    const QStringList animations{QStringLiteral("Congratulate"), QStringLiteral("Read"),
                                 QStringLiteral("Wave"), QStringLiteral("read")};
    return writeFile(dir.path(), QStringLiteral("Sample.acs"),
                     agent::test::buildAcs(agent::test::characterWith(animations)));
}

// The default character the build paints, or "" when it has not been built.
inline QString pipwrenFile()
{
    const QString path = QStringLiteral(QUORVIX_PIPWREN_ACS);
    return QFileInfo(path).isFile() ? path : QString();
}

// A character file with animations: Pipwren when built, else a real one, else "".
inline QString someCharacterFile()
{
    if (const QString pipwren = pipwrenFile(); !pipwren.isEmpty())
        return pipwren;
    const QString dir = quorvix::test::realCharactersDir();
    if (!dir.isEmpty() && QFileInfo(dir + QStringLiteral("/HappyFace.acs")).isFile())
        return dir + QStringLiteral("/HappyFace.acs");
    return QString();
}

// The options window shown (so its load runs) on the given store, or on the
// store as the test left it, with every message box answered and no sound.
struct LoadedForm
{
    LoadedForm() { showQuietly(); }
    explicit LoadedForm(const StoreMap& store)
    {
        quorvix::test::prepareStore(store);
        showQuietly();
    }
    void showQuietly()
    {
        form.Agent1.Characters().setSoundEnabled(false);
        form.show();
    }
    MessageBoxAnswerer boxes;
    optionform form;
};

} // namespace options::test
