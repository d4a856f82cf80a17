#pragma once

// Another program writing the store file the plain way, as the mail checker
// does: it opens the file with truncation and writes it in place, with no
// lock and no temporary file. Runs beside the store in a thread of its own.

#include "IniDocument.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QString>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvix::test {

inline void writeBytes(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), std::size_t(bytes.size()));
        if (written <= 0)
            return;
        bytes = bytes.sliced(written);
    }
}

// Truncates the file at path and writes bytes into it: the first firstPart
// bytes, then, after pauseMs, the rest.
inline void writeInPlace(const QString& path, const QByteArray& bytes, qsizetype firstPart = -1,
                         int pauseMs = 0)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const qsizetype first = firstPart < 0 ? bytes.size() : firstPart;
    writeBytes(fd, QByteArrayView(bytes).first(first));
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    writeBytes(fd, QByteArrayView(bytes).sliced(first));
    ::close(fd);
}

inline QByteArray readPlainly(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// bytes with key set to text, as a plain writer's read-modify-write leaves them.
inline QByteArray withValue(const QByteArray& bytes, const QString& key, const QString& text)
{
    settings::IniDocument document(bytes);
    document.set(key, text);
    return document.toBytes();
}

// Inode of the file at path, to see when the store replaced it.
inline ino_t inodeOf(const QString& path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// A store of count accounts (every account key), accountno and DefLeft.
inline QMap<QString, QString> storeWithAccounts(int count)
{
    QMap<QString, QString> keys{{QStringLiteral("accountno"), QString::number(count)},
                                {QStringLiteral("DefLeft"), QStringLiteral("1")}};
    for (int n = 1; n <= count; ++n) {
        for (const char* field :
             {"Aname", "Hname", "Portno", "Uname", "Passw", "Check", "Scolor1", "Scolor2"})
            keys.insert(QLatin1String(field) + QString::number(n), QStringLiteral("v%1").arg(n));
    }
    return keys;
}

// A writer in a tight read-modify-write loop of one key, as while the
// character is dragged: every few milliseconds it reads the file, sets the
// key to the next number and writes the file in place in two parts.
class PlainWriterLoop
{
public:
    PlainWriterLoop(QString path, QString key) : path_(std::move(path)), key_(std::move(key))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~PlainWriterLoop() { stop(); }
    PlainWriterLoop(const PlainWriterLoop&) = delete;
    PlainWriterLoop& operator=(const PlainWriterLoop&) = delete;

    // Stops after the write under way; the last number written, or 0.
    int stop()
    {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
        return last_;
    }
    int writes() const { return last_; }

private:
    void run()
    {
        std::minstd_rand random(19);
        while (!stopping_) {
            const QByteArray bytes = withValue(readPlainly(path_), key_, QString::number(last_ + 1));
            writeInPlace(path_, bytes, bytes.size() / 2, 1);
            last_ = last_ + 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 16));
        }
    }

    QString path_;
    QString key_;
    std::atomic<bool> stopping_ = false;
    std::atomic<int> last_ = 0;
    std::thread thread_;
};

} // namespace quorvix::test
