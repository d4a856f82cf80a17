// Test support for the end-to-end suite, which drives the real program from
// outside and so needs to see the store and the screen the way a user would:
//   quorvix-e2e-helper store-dump            every key of the store as JSON
//   quorvix-e2e-helper store-write FILE.json  writes the keys of a JSON object
//   quorvix-e2e-helper grab OUT.ppm           the whole X screen as a binary PPM
// The store is reached through the program's own settings layer, so the suite
// reads and prepares exactly the file the program uses ($XDG_CONFIG_HOME).

#include "Module1.h"
#include "StoreChoice.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

namespace {

int dumpStore()
{
    const auto& store = settings::ProcessStore();
    QJsonObject keys;
    for (const QString& key : store.keys())
        keys.insert(key, store.read(key, QString()));
    const QByteArray json = QJsonDocument(keys).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return 0;
}

int writeStore(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QJsonObject keys = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = keys.begin(); it != keys.end(); ++it)
        Module1::WriteSetting(it.key(), it.value().toString());
    settings::StoreProblem problem;
    if (!Module1::SyncSettings(&problem)) {
        std::fprintf(stderr, "store write refused: %s\n", qPrintable(problem.detail));
        return 1;
    }
    return 0;
}

int grabScreen(int argc, char** argv, const QString& path)
{
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "no screen\n");
        return 1;
    }
    const QImage image = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB888);
    if (image.isNull() || !image.save(path, "PPM")) {
        std::fprintf(stderr, "cannot grab the screen into %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (command == u"grab" && argc == 3)
        return grabScreen(argc, argv, QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    if (command == u"store-dump" && argc == 2)
        return dumpStore();
    if (command == u"store-write" && argc == 3)
        return writeStore(QString::fromLocal8Bit(argv[2]));
    std::fprintf(stderr, "usage: quorvix-e2e-helper store-dump | store-write FILE.json | grab OUT.ppm\n");
    return 2;
}
