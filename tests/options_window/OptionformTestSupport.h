#pragma once

// Shared by the options window's behaviour tests: answering message boxes so
// that no test ever blocks, finding the character files to load, and the
// window loaded on a prepared store.

#include "AcsBuilder.h"
#include "KeySchema.h"
#include "Module1.h"
#include "StoreFiles.h"
#include "StoreWrites.h"
#include "TestMain.h"
#include "optionform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <vector>

namespace options::test {

using quorvix::test::StoreMap;

// OK and Cancel end the program with QCoreApplication::exit(). With no event
// loop running that leaves every later loop, a message box's included, to
// return at once; running the application's loop once clears it again. Tests
// that end the program call this from cleanup().
inline void clearProgramEnd()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

struct SeenMessageBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    // The pointer shape while the box was up (Qt::ArrowCursor when none was set).
    Qt::CursorShape pointer = Qt::ArrowCursor;
};

// Answers every message box that becomes the active modal window while it
// lives, with its default button, and keeps what each box said.
class MessageBoxAnswerer
{
public:
    MessageBoxAnswerer()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }
    std::vector<SeenMessageBox> seen;

private:
    void answer()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == answered_)
            return;
        answered_ = box;
        SeenMessageBox s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        s.buttons = box->standardButtons();
        if (const QCursor* cursor = QApplication::overrideCursor())
            s.pointer = cursor->shape();
        seen.push_back(s);
        QAbstractButton* button = box->defaultButton();
        if (!button)
            button = box->buttons().value(0);
        if (button)
            button->click();
        else
            box->reject();
    }

    QTimer timer_;
    QPointer<QMessageBox> answered_;
};

// A small character file whose animations the test names itself.
inline QByteArray characterWith(const QStringList& animationNames)
{
    agent::test::TestCharacter c;
    c.images.push_back({8, 6, QByteArray(48, char(1))});
    for (const QString& name : animationNames) {
        agent::test::TestFrame frame;
        frame.images = {agent::AcsFrameImage{0, 0, 0}};
        c.animations.push_back({name, agent::AcsTransition::None, {}, {frame}});
    }
    return agent::test::buildAcs(c);
}

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
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
