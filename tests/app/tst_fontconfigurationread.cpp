// The font configuration read beside the start: on another processor when
// there is one, never on a lone one, and never outliving its reader.

#include "FontConfigurationRead.h"
#include "TestMain.h"

#include <QDir>

#include <sched.h>

namespace {

qsizetype threadsOfThisProcess()
{
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

} // namespace

class FontConfigurationReadTest : public QObject
{
    Q_OBJECT

private slots:
    void isDoneWhenTheReaderGoes()
    {
        cpu_set_t allowed;
        QCOMPARE(sched_getaffinity(0, sizeof allowed, &allowed), 0);
        if (CPU_COUNT(&allowed) < 2)
            QSKIP("one processor: nothing is read beside");
        const qsizetype before = threadsOfThisProcess();
        // Gone at once: the reader waits for its thread even so.
        {
            app::FontConfigurationRead read;
        }
        QCOMPARE(threadsOfThisProcess(), before);
    }

    void aLoneProcessorReadsNothingBeside()
    {
        cpu_set_t allowed;
        QCOMPARE(sched_getaffinity(0, sizeof allowed, &allowed), 0);
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        QCOMPARE(sched_setaffinity(0, sizeof one, &one), 0);
        const qsizetype before = threadsOfThisProcess();
        qsizetype threads = 0;
        {
            app::FontConfigurationRead read;
            threads = threadsOfThisProcess();
        }
        QCOMPARE(sched_setaffinity(0, sizeof allowed, &allowed), 0);
        QCOMPARE(threads, before);
    }
};

QUORVIX_TEST_MAIN_CORE(FontConfigurationReadTest)
#include "tst_fontconfigurationread.moc"
