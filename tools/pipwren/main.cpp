// pipwren-gen: writes the default character file.
//
//   pipwren-gen OUT.acs [--raw] [--sheet SHEET.png]
//
// --raw stores images uncompressed; --sheet also writes a picture of every frame.

#include "AcsWriter.h"
#include "ContactSheet.h"
#include "PipwrenCharacter.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    QString output;
    QString sheet;
    auto coding = pipwren::ImageCoding::Compressed;
    bool usage = false;
    for (qsizetype i = 0; i < args.size() && !usage; ++i) {
        if (args[i] == u"--raw")
            coding = pipwren::ImageCoding::Raw;
        else if (args[i] == u"--sheet" && i + 1 < args.size())
            sheet = args[++i];
        else if (output.isEmpty() && !args[i].startsWith(u'-'))
            output = args[i];
        else
            usage = true;
    }
    if (usage || output.isEmpty()) {
        std::fputs("usage: pipwren-gen OUT.acs [--raw] [--sheet SHEET.png]\n", stderr);
        return 2;
    }

    const pipwren::AcsCharacter character = pipwren::buildPipwren();
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(pipwren::writeAcs(character, coding)) < 0 ||
        !file.commit()) {
        std::fprintf(stderr, "pipwren-gen: cannot write %s: %s\n", qPrintable(output),
                     qPrintable(file.errorString()));
        return 1;
    }
    if (!sheet.isEmpty() && !pipwren::contactSheet(character).save(sheet)) {
        std::fprintf(stderr, "pipwren-gen: cannot write %s\n", qPrintable(sheet));
        return 1;
    }
    return 0;
}
