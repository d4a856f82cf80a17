#pragma once

// Puts keys back the way they stood before an action wrote them.
//
// The store keeps a refused write pending and writes it with the next sync
// that succeeds, whatever action that belongs to. An account action whose
// sync was refused has told the user that nothing was saved, so it restores
// the keys it touched: the next sync then writes what the disk already holds.

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <utility>

namespace accounts {

// The eight keys of account n, in the order SaveAccount writes them.
QStringList accountKeys(qint16 n);

class StoreRollback
{
public:
    // Records how each key stands now: its text, or that it is absent.
    void remember(const QString& key);
    void remember(const QStringList& keys);
    // Writes every recorded text back and removes the keys that were absent.
    void restore() const;

private:
    QList<std::pair<QString, std::optional<QString>>> entries_;
};

} // namespace accounts
