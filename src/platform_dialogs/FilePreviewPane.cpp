#include "FilePreviewPane.h"

#include "AgentError.h"
#include "FilePreview.h"
#include "SoundOutput.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace dialogs {

namespace {

constexpr int PaneWidth = 200;
constexpr int PictureSize = 160;

} // namespace

QString FilePreviewPane::cannotPreviewText()
{
    return QStringLiteral("プレビューできません");
}

FilePreviewPane::FilePreviewPane(QWidget* parent)
    : QFrame(parent), picture_(new QLabel(this)), text_(new QLabel(this)),
      playButton_(new QPushButton(QStringLiteral("再生"), this))
{
    setObjectName(QStringLiteral("previewPane"));
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(PaneWidth);

    picture_->setObjectName(QStringLiteral("previewPicture"));
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumHeight(PictureSize);
    text_->setObjectName(QStringLiteral("previewText"));
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text_->setTextFormat(Qt::PlainText);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    playButton_->setObjectName(QStringLiteral("previewPlay"));
    playButton_->setEnabled(false);
    // Enter in the dialog opens the file; it must never start playback.
    playButton_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture_);
    layout->addWidget(text_, 1);
    layout->addWidget(playButton_);

    connect(playButton_, &QPushButton::clicked, this, &FilePreviewPane::play);
}

FilePreviewPane::~FilePreviewPane() = default;

void FilePreviewPane::showFile(const QString& path)
{
    if (sound_)
        sound_->stop();
    shownPath_ = path;
    picture_->clear();
    playButton_->setEnabled(false);
    if (path.isEmpty()) {
        text_->clear();
        return;
    }

    const std::optional<FilePreview> preview = previewFile(path);
    if (!preview) {
        text_->setText(cannotPreviewText());
        return;
    }
    text_->setText(preview->lines.join(QLatin1Char('\n')));
    if (!preview->picture.isNull()) {
        picture_->setPixmap(QPixmap::fromImage(preview->picture.scaled(
            PictureSize, PictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    playButton_->setEnabled(preview->playable);
}

void FilePreviewPane::play()
{
    if (shownPath_.isEmpty())
        return;
    // The sound system is first touched here rather than while browsing, so
    // moving through the list never waits for an audio server. Without one,
    // or for a file that turns out to be damaged, Play simply stays silent.
    QFile file(shownPath_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    agent::PcmSound sound;
    try {
        sound = agent::decodeWave(file.readAll(), shownPath_);
    } catch (const agent::AgentError&) {
        return;
    }
    if (!sound_)
        sound_ = std::make_unique<agent::SoundOutput>();
    sound_->stop(); // Play again starts the sound over
    sound_->play(sound);
}

FilePreviewPane* FilePreviewPane::attachTo(QFileDialog& dialog)
{
    auto* pane = new FilePreviewPane(&dialog);
    // Qt's own file dialog lays its widgets out in a grid; a new column to the
    // right of every row puts the pane beside the list.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    else if (dialog.layout())
        dialog.layout()->addWidget(pane);
    connect(&dialog, &QFileDialog::currentChanged, pane, &FilePreviewPane::showFile);
    return pane;
}

} // namespace dialogs
