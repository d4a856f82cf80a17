#pragma once

// The store as an INI file of our own dialect (IniDocument.h), written so
// that another program writing the same file loses nothing (IniStoreFile.cpp).

#include "StoreBackend.h"

#include <memory>

namespace settings {

// $XDG_CONFIG_HOME/wispane.ini.
std::unique_ptr<StoreBackend> makeIniStoreBackend();

} // namespace settings
