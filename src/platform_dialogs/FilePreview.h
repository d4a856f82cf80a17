#pragma once

// What the open-file dialog's preview pane shows for a file, and the registry
// through which other parts of the program supply previews for their own file
// types (the agent layer registers one for character files).

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace dialogs {

struct FilePreview
{
    QStringList lines;     // shown one under the other
    QImage picture;        // optional; scaled down to fit the pane
    bool playable = false; // the pane offers Play for this file (PCM WAV)
};

// Builds the preview of the file at path, or returns nothing when the file
// cannot be previewed (the pane then says so). Runs on the dialog's thread
// while the user moves through the list, so it must stay cheap: read headers,
// not whole files. Exceptions are caught and treated as "cannot preview".
using PreviewProvider = std::function<std::optional<FilePreview>(const QString& path)>;

// Installs provider for files whose suffix is suffix (without the dot,
// matched case-insensitively), replacing the built-in one or an earlier
// registration. An empty provider restores the built-in preview.
void setPreviewProvider(const QString& suffix, PreviewProvider provider);

// The preview of the file at path: the registered provider for its suffix,
// the built-in WAV and character-file previews, or name, size and date.
// Folders get their name and date.
std::optional<FilePreview> previewFile(const QString& path);

// The built-in previews, usable by providers that want to add to them.
std::optional<FilePreview> wavPreview(const QString& path);
std::optional<FilePreview> characterFilePreview(const QString& path);
std::optional<FilePreview> genericPreview(const QString& path);

} // namespace dialogs
