#pragma once

// What the open-file dialog's preview pane shows for a character file: the
// character's own name and a picture of it at rest, read with the agent
// engine's reader. Installed once when the program starts.

#include "FilePreview.h"

#include <QString>

#include <optional>

namespace app {

// The preview of the character file at path, or nothing when it cannot be read.
std::optional<dialogs::FilePreview> characterFilePreview(const QString& path);

// Makes the file dialog use characterFilePreview for "*.acs" files.
void registerCharacterFilePreview();

} // namespace app
