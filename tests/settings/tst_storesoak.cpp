// A plain writer in a read-modify-write loop of DefLeft beside many actions
// through the store (QUORVIX_SOAK_ACTIONS, 300 unless set): afterwards every account key is there, every
// saved action's change is in the file, and the writer's last value stands.

#include "Module1.h"
#include "PlainWriter.h"
#include "StoreFiles.h"
#include "TestMain.h"

using namespace Module1;
using namespace Qt::StringLiterals;
using namespace quorvix::test;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
constexpr int kDefaultActions = 100;
#else
constexpr bool kSanitized = false;
constexpr int kDefaultActions = 300;
#endif

class StoreSoakTest : public QObject
{
    Q_OBJECT

private slots:
    void plainWriterLoopBesideManyActions()
    {
        const StoreMap stored = storeWithAccounts(200);
        prepareStore(stored);
        StoreMap expected = stored;
        QStringList refused;
        // Each action waits for the disk, and behind the other writer's flushes: 300 by default
        // (100 under the sanitizers).
        const int actions = qEnvironmentVariableIntValue("QUORVIX_SOAK_ACTIONS") > 0
                                ? qEnvironmentVariableIntValue("QUORVIX_SOAK_ACTIONS")
                                : kDefaultActions;
        {
            PlainWriterLoop writer(StoreFilePath(), u"DefLeft"_s);
            for (int action = 1; action <= actions; ++action) {
                const QString key = u"Soak%1"_s.arg(action);
                WriteSetting(key, QString::number(action));
                // Every tenth action also removes an earlier action's key.
                const QString earlier = u"Soak%1"_s.arg(action - 5);
                if (action % 10 == 0)
                    RemoveSetting(earlier);
                if (!SyncSettings()) {
                    refused << key;
                    continue;
                }
                expected[key] = QString::number(action);
                if (action % 10 == 0)
                    expected.remove(earlier);
            }
            expected[u"DefLeft"_s] = QString::number(writer.stop());
            QVERIFY2(writer.writes() > 100, "the other program hardly wrote");
        }
        WriteSetting(u"Talkcnt"_s, u"3"_s);
        QVERIFY(SyncSettings());
        expected[u"Talkcnt"_s] = u"3"_s;

        // A refused action was reported; whether its key is in the file is not asked.
        StoreMap found = storeFileContents();
        for (const QString& key : std::as_const(refused))
            found.remove(key);
        // Every account key and the other program's last value, without
        // exception; of the actions' own keys, a stale read-modify-write of
        // the other program that lands long after a replace can undo one
        // (README: what is not promised), so a rare one is reported only.
        QStringList differences;
        QStringList undone;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            if (found.value(it.key(), u"<absent>"_s) != it.value())
                (it.key().startsWith(u"Soak"_s) ? undone : differences)
                    << it.key() + u"="_s + found.value(it.key(), u"<absent>"_s);
        }
        for (auto it = found.cbegin(); it != found.cend(); ++it) {
            if (!expected.contains(it.key()))
                (it.key().startsWith(u"Soak"_s) ? undone : differences) << it.key() + u" is back"_s;
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u", "_s)));
        qInfo("%lld of %d actions refused; undone afterwards: %s", qlonglong(refused.size()), actions,
              qPrintable(undone.join(u", "_s)));
        // Refused under heavy load, and said so. Under the sanitizers every
        // write is several times slower and the other writer is nearly always
        // mid-write, so how many get through there says nothing of the program.
        // The same slowness lets the other writer's stale writes land long
        // after our replaces there, which is what undoes a key (README).
        if (!kSanitized) {
            QVERIFY(refused.size() <= actions / 2);
            QVERIFY2(undone.size() <= actions / 100, qPrintable(undone.join(u", "_s)));
        }
    }
};

QUORVIX_TEST_MAIN_CORE(StoreSoakTest)
#include "tst_storesoak.moc"
