#pragma once

// The preview pane beside the open-file dialog's file list: a picture, a few
// lines about the current file and a Play button for sounds.

#include <QFrame>
#include <QString>

#include <memory>

class QFileDialog;
class QLabel;
class QPushButton;

namespace agent {
class SoundOutput;
}

namespace dialogs {

class FilePreviewPane : public QFrame
{
    Q_OBJECT

public:
    // Text shown when a file cannot be previewed ("cannot preview").
    static QString cannotPreviewText();

    explicit FilePreviewPane(QWidget* parent = nullptr);
    ~FilePreviewPane() override;

    // Shows the preview of the file at path; an empty path clears the pane.
    void showFile(const QString& path);

    // Places a pane to the right of dialog's file list and keeps it on the
    // dialog's current file. dialog must use Qt's own widgets, not a native dialog.
    static FilePreviewPane* attachTo(QFileDialog& dialog);

private:
    void play();

    QLabel* picture_;
    QLabel* text_;
    QPushButton* playButton_;
    QString shownPath_;
    std::unique_ptr<agent::SoundOutput> sound_; // created on the first Play only
};

} // namespace dialogs
