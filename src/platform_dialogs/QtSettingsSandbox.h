#pragma once

// Qt's own dialogs remember things on their own: the file dialog its last
// folder, history and column widths, the colour dialog its custom colours,
// all written to a settings file of Qt's in the user's configuration folder
// when a dialog is destroyed and read back by the next one. This program keeps
// no files besides its store and wants every opening to start afresh, so
// while a dialog lives, Qt's user-level settings point at a private scratch
// folder that is thrown away afterwards.
//
// Create the sandbox before the dialog and let it outlive it: the dialog
// writes its settings from its destructor.

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
    QString nativeUserPath_;
    QString iniUserPath_;
};

} // namespace dialogs
