#include "FilePreview.h"

#include "WavInfo.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <exception>

namespace dialogs {

namespace {

// First four bytes of a character file.
constexpr char CharacterSignature[] = {'\xC3', '\xAB', '\xCD', '\xAB'};

QHash<QString, PreviewProvider>& registeredProviders()
{
    static QHash<QString, PreviewProvider> providers;
    return providers;
}

QString normalisedSuffix(const QString& suffix)
{
    QString s = suffix.toLower();
    if (s.startsWith(QLatin1Char('.')))
        s.remove(0, 1);
    return s;
}

QLocale japanese()
{
    return QLocale(QLocale::Japanese, QLocale::Japan);
}

QString nameLine(const QFileInfo& info)
{
    return u"名前: " + info.fileName();
}

QString sizeLine(const QFileInfo& info)
{
    return u"サイズ: " + japanese().toString(info.size()) + u" バイト";
}

QString dateLine(const QFileInfo& info)
{
    return u"更新日時: " + info.lastModified().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

QString durationText(qint64 ms)
{
    if (ms < 60 * 1000)
        return japanese().toString(double(ms) / 1000.0, 'f', 2) + u" 秒";
    const qint64 seconds = ms / 1000;
    return QString::number(seconds / 60) + u" 分 " + QString::number(seconds % 60) + u" 秒";
}

QString channelsText(quint16 channels)
{
    switch (channels) {
    case 1:
        return QStringLiteral("1 (モノラル)");
    case 2:
        return QStringLiteral("2 (ステレオ)");
    default:
        return QString::number(channels);
    }
}

std::optional<FilePreview> builtInPreview(const QString& path, const QString& suffix)
{
    if (suffix == u"wav")
        return wavPreview(path);
    if (suffix == u"acs")
        return characterFilePreview(path);
    return genericPreview(path);
}

} // namespace

void setPreviewProvider(const QString& suffix, PreviewProvider provider)
{
    if (provider)
        registeredProviders()[normalisedSuffix(suffix)] = std::move(provider);
    else
        registeredProviders().remove(normalisedSuffix(suffix));
}

std::optional<FilePreview> previewFile(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return std::nullopt;
    if (info.isDir())
        return FilePreview{{nameLine(info), dateLine(info)}, {}, false};

    const QString suffix = normalisedSuffix(info.suffix());
    // A previewer is somebody else's code reading an arbitrary file; whatever
    // goes wrong in it must not take the dialog down.
    try {
        const auto found = registeredProviders().constFind(suffix);
        if (found != registeredProviders().cend())
            return (*found)(path);
        return builtInPreview(path, suffix);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<FilePreview> wavPreview(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<WavInfo> wav = readWavInfo(file);
    if (!wav)
        return std::nullopt;

    const QFileInfo info(path);
    FilePreview preview;
    preview.lines << nameLine(info) << u"形式: " + wavFormatName(wav->formatTag)
                  << u"サンプリング周波数: " + QString::number(wav->sampleRate) + u" Hz";
    if (wav->bitsPerSample > 0)
        preview.lines << u"ビット数: " + QString::number(wav->bitsPerSample);
    preview.lines << u"チャンネル数: " + channelsText(wav->channels)
                  << u"長さ: " + durationText(wav->durationMs);
    // Play takes integer PCM only; compressed files get no Play.
    preview.playable =
        wav->isPcm() && wav->bitsPerSample % 8 == 0 && wav->bitsPerSample >= 8 && wav->bitsPerSample <= 32;
    return preview;
}

std::optional<FilePreview> characterFilePreview(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.read(sizeof CharacterSignature) != QByteArrayView(CharacterSignature, sizeof CharacterSignature))
        return std::nullopt;
    // Until a character reader is registered, the file's own name stands for
    // the character's.
    const QFileInfo info(path);
    return FilePreview{{u"名前: " + info.completeBaseName(), sizeLine(info)}, {}, false};
}

std::optional<FilePreview> genericPreview(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    return FilePreview{{nameLine(info), sizeLine(info), dateLine(info)}, {}, false};
}

} // namespace dialogs
