#pragma once

// The options record: one working value per global key, as the options window
// holds them for its whole life, and the two operations that move the record
// to and from the store.
//
// ReadOptions and WriteOptions walk the key table (KeySchema.h): its order is
// the order of the reads and of the writes, its defaults and ranges decide
// what a stored value that cannot be used becomes. The window only moves the
// record to its controls and back, in the order its handlers need.

#include "RecordTypes.h"

#include <QString>
#include <QtGlobal>

namespace settings {

// Every global key the record holds, read in the table's order. An absent key
// gives its default; a stored number that does not convert or lies outside its
// key's range is taken as absent. Agentnm's default is built on
// windowsDirectory.
OptionsRecord ReadOptions(const QString& windowsDirectory);

// Writes every field in the save order through the save rule (Volval, the one
// 32-bit key, directly). Nothing is synced: Module1::StoreOptions, the options
// window's OK, writes through it and ends the action with the one sync.
void WriteOptions(const OptionsRecord& record);

} // namespace settings
