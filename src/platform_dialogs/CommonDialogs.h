#pragma once

// Module1's platform part: the open-file dialog with a preview pane, the
// colour chooser and the folder that stands in for the Windows directory,
// plus the one helper that turns the program's backslash paths into paths of
// this file system.
//
// They belong to Module1, the module of routines both windows share, so they
// carry its name like the store's routines in settings/Module1.h. They are
// declared here rather than there because they need Qt Widgets and the data
// folder, which the settings layer (Qt Core only) must not depend on.

#include <QString>
#include <QtGlobal>

#include <array>

class QWidget;

namespace Module1 {

// Lets the user pick one existing file. filter is a description, one NUL
// character and a pattern. Returns the full path, or "" when nothing was chosen.
QString SelectFile(QWidget* owner, const QString& filter, const QString& initialDir, const QString& title);

// The chooser's 16 custom colours as red, green, blue, 0 quadruples; cleared
// at every SelectColor() call and filled from the chooser after OK.
inline std::array<quint8, 64> CustomColors{};

// Lets the user pick a colour. Returns it as &H00BBGGRR, or -1 when nothing was chosen.
qint32 SelectColor();

// The program's data folder, which holds Msagent\chars with the characters the
// program ships, or C:\windows when the store is a Wine prefix's registry.
// Never ends with a separator.
QString WindowsDirectory();

// A stored path as this file system reads it: backslashes are folder
// separators; on a Wine prefix's registry a drive path names the file the
// mail checker opens under Wine.
QString ToLocalPath(const QString& storedPath);

// A picked file as the mail checker opens it: unchanged, or on a Wine
// prefix's registry the Windows path under which Wine reaches it.
QString ToStoredPath(const QString& localPath);

} // namespace Module1
