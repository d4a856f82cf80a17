#pragma once

// What text can be a value of the store: one line of the store file, so no
// line break and no NUL. The mail checker reads the registry's values the
// same way, so the rule is one for every platform. The store applies it to
// what is written (SettingsStore::canStore), and so does the key check of the
// file's form.

#include <QStringView>

namespace settings {

bool FitsOnAStoreLine(QStringView text);

} // namespace settings
