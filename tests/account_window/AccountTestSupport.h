#pragma once

// Shared by the account window's and the account list's tests: a store with
// a few accounts, an account's keys as they are on disk, the grid the loader
// fills, and typing into a field.

#include "AccountRows.h"
#include "FlexGrid.h"
#include "ModalAnswers.h"
#include "Module1.h"
#include "StoreFiles.h"

#include <QLineEdit>
#include <QTest>

namespace quorvix::test {

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
    removeStoreFile();
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

// Clears a line edit and types text into it, as a user would.
inline void retype(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    if (!text.isEmpty())
        QTest::keyClicks(edit, text);
}

} // namespace quorvix::test
