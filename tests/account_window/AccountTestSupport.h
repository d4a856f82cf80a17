#pragma once

// Shared by the account window's and the account list's tests: a store with
// a few accounts, the store file as it is on disk, a store that refuses to be
// written, and answering the modal windows the handlers open so that no case
// can block.

#include "AccountRows.h"
#include "FlexGrid.h"
#include "Module1.h"
#include "StoreFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace accounts::test {

using quorvix::test::readStoreFile;
using quorvix::test::storeFileContents;
using quorvix::test::StoreMap;

// Account k of the prepared store: distinct text in every field.
inline Module1::AccountRecordType sampleAccount(int k)
{
    Module1::AccountRecordType a;
    a.Aname = QStringLiteral("Acc%1").arg(k);
    a.Hname = QStringLiteral("pop%1.example.jp").arg(k);
    a.Portno = qint16(110 + k);
    a.Uname = QStringLiteral("user%1").arg(k);
    a.Passw = QStringLiteral("pw%1").arg(k);
    a.Check = qint16(k % 2);
    a.Scolor1 = 0x000010 * k;
    a.Scolor2 = 0x101000 + k;
    return a;
}

// An empty store, then accounts 1..count on disk with "accountno".
inline void prepareAccounts(int count)
{
    QFile::remove(Module1::StoreFilePath());
    Module1::ReloadStore();
    for (int k = 1; k <= count; ++k) {
        Module1::AccountRecord = sampleAccount(k);
        Module1::SaveAccount(qint16(k));
    }
    Module1::WriteSetting(QStringLiteral("accountno"), QString::number(count));
    QVERIFY(Module1::SyncSettings());
    Module1::AccountCount = qint16(count);
    Module1::ResetAccount();
}

// The grid as the loader leaves it: one row per stored account.
inline void fillGridFromStore(controls::FlexGrid& grid)
{
    while (grid.Rows() > 1)
        grid.RemoveItem(grid.Rows() - 1);
    for (int k = 1; k <= Module1::AccountCount; ++k) {
        Module1::ResetAccount();
        Module1::LoadAccount(qint16(k));
        accounts::appendAccountRow(grid, Module1::AccountRecord);
    }
}

// The eight stored fields of account k, from disk.
inline StoreMap diskAccount(const StoreMap& disk, int k)
{
    StoreMap fields;
    for (const char* field : {"Aname", "Hname", "Portno", "Uname", "Passw", "Check", "Scolor1", "Scolor2"}) {
        const QString key = QLatin1String(field) + QString::number(k);
        if (disk.contains(key))
            fields.insert(QLatin1String(field), disk.value(key));
    }
    return fields;
}

// While it lives, the store's folder is a plain file, so every sync is refused.
class BlockedStore
{
public:
    BlockedStore()
        : folder_(QFileInfo(Module1::StoreFilePath()).absolutePath()),
          aside_(folder_ + QStringLiteral(".aside"))
    {
        ok_ = QDir().rename(folder_, aside_);
        QFile blocker(folder_);
        ok_ = ok_ && blocker.open(QIODevice::WriteOnly);
    }
    ~BlockedStore()
    {
        QFile::remove(folder_);
        QDir().rename(aside_, folder_);
    }
    BlockedStore(const BlockedStore&) = delete;
    BlockedStore& operator=(const BlockedStore&) = delete;
    bool ok() const { return ok_; }

private:
    QString folder_;
    QString aside_;
    bool ok_ = false;
};

inline void rejectAllModals()
{
    while (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        modal->reject();
}

// Runs action on the next visible modal widget of type T, from inside that
// widget's own event loop. If none comes within some 20 s every modal is
// rejected, so a broken case fails instead of hanging. A case that expects no
// window passes an owner and deletes it to stop waiting.
template <typename T>
std::shared_ptr<bool> whenModal(std::function<void(T*)> action, QObject* owner = nullptr)
{
    auto answered = std::make_shared<bool>(false);
    auto* timer = new QTimer(owner);
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, action, answered] {
        auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!widget || !widget->isVisible()) {
            if (++*ticks > 4000) {
                timer->stop();
                timer->deleteLater();
                rejectAllModals();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        *answered = true;
        action(widget);
    });
    timer->start();
    return answered;
}

// Answers the next message box with OK and keeps what it said.
struct SeenBox
{
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    int width = 0;
};

inline std::shared_ptr<SeenBox> answerMessageBox()
{
    auto seen = std::make_shared<SeenBox>();
    whenModal<QMessageBox>([seen](QMessageBox* box) {
        seen->shown = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        seen->width = box->width();
        QTest::mouseClick(box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)
                                                       : box->buttons().value(0),
                          Qt::LeftButton);
    });
    return seen;
}

// Clears a line edit and types text into it, as a user would.
template <typename Edit> void retype(Edit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    if (!text.isEmpty())
        QTest::keyClicks(edit, text);
}

} // namespace accounts::test
