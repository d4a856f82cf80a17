#pragma once

// Qt's own dialogs remember things on their own: the file dialog its last
// folder, history and column widths, the colour dialog its custom colours,
// all written to a settings file of Qt's in the user's configuration folder
// when a dialog is destroyed and read back by the next one. This program keeps
// no files besides its store and wants every opening to start afresh, so
// while a dialog lives, Qt's user-level settings point at a private scratch
// folder that is thrown away afterwards.
//
// Only the format Qt's dialogs use (QSettings' default, native unless changed)
// is redirected; the store names its own format explicitly and is not affected.
//
// Create the sandbox before the dialog and let it outlive it: the dialog
// writes its settings from its destructor.

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace dialogs {

class QtSettingsSandbox
{
public:
    QtSettingsSandbox();
    ~QtSettingsSandbox();

    QtSettingsSandbox(const QtSettingsSandbox&) = delete;
    QtSettingsSandbox& operator=(const QtSettingsSandbox&) = delete;

private:
    QTemporaryDir scratch_;
    QSettings::Format format_;
    QString userPath_;
};

} // namespace dialogs
