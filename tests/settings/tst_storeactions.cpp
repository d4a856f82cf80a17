// The three actions that write the store (account OK, Delete, options OK)
// below the windows, on a store without a file: the order of their writes in
// their one commit, the counter, and what a refusal leaves.

#include "KeySchema.h"
#include "MemoryBackend.h"
#include "Module1.h"
#include "OptionsRecord.h"
#include "StoreChoice.h"
#include "StoreFiles.h"
#include "StoreWrites.h"
#include "TestMain.h"

using namespace Module1;
using namespace Qt::StringLiterals;
using settings::StoreChange;
using settings::test::MemoryBackend;
using settings::test::MemoryDisk;

namespace {

QStringList keysOf(const std::vector<StoreChange>& changes)
{
    QStringList keys;
    for (const StoreChange& change : changes)
        keys << change.key;
    return keys;
}

// Three stored accounts, named after their numbers.
QMap<QString, QString> threeAccounts()
{
    QMap<QString, QString> values{{u"accountno"_s, u"3"_s}};
    for (qint16 n = 1; n <= 3; ++n) {
        for (const QString& key : settings::AccountKeys(n))
            values.insert(key, u"1"_s);
        values.insert(settings::AccountKey(settings::AccountField::Aname, n), u"name%1"_s.arg(n));
    }
    return values;
}

} // namespace

class StoreActionsTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<MemoryDisk> disk_;

    void useDisk(const QMap<QString, QString>& values)
    {
        disk_ = std::make_shared<MemoryDisk>();
        disk_->values = values;
        settings::ProcessStore().useBackend(std::make_unique<MemoryBackend>(disk_));
        AccountCount = qint16(values.value(u"accountno"_s, u"0"_s).toShort());
    }

private slots:
    void storeAccountWritesTheRecordThenTheCountWhenItGrows_data()
    {
        QTest::addColumn<qint16>("n");
        QTest::addColumn<bool>("adding");
        QTest::newRow("edit account 2") << qint16(2) << false;
        QTest::newRow("add account 4") << qint16(4) << true;
    }

    void storeAccountWritesTheRecordThenTheCountWhenItGrows()
    {
        QFETCH(qint16, n);
        QFETCH(bool, adding);
        useDisk(threeAccounts());
        ResetAccount();
        AccountRecord.Aname = u"new"_s;
        QVERIFY(StoreAccount(n));
        QCOMPARE(disk_->commits.size(), std::size_t(1));
        QStringList expected = settings::AccountKeys(n);
        if (adding)
            expected << u"accountno"_s;
        QCOMPARE(keysOf(disk_->commits.front()), expected);
        QCOMPARE(AccountCount, adding ? n : qint16(3));
        QCOMPARE(disk_->values.value(u"accountno"_s), adding ? QString::number(n) : u"3"_s);
    }

    void storeOptionsWritesTheSaveOrderWithTheListsCount()
    {
        useDisk({});
        settings::OptionsRecord record = settings::ReadOptions(u"C:\\WINDOWS"_s);
        AccountCount = 5; // the list grew while the record still says 0
        QVERIFY(StoreOptions(record));
        QCOMPARE(disk_->commits.size(), std::size_t(1));
        QCOMPARE(keysOf(disk_->commits.front()), quorvix::test::saveOrderNames());
        QCOMPARE(disk_->values.value(u"accountno"_s), u"5"_s);
    }

    // A refused action writes nothing, keeps nothing pending for the next
    // one and leaves the count; a text that cannot be stored is named.
    void refusalsLeaveNothingBehind_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("unstorableKey");
        QTest::newRow("account with a line break") << u"add"_s << false << u"Uname4"_s;
        QTest::newRow("account on a full disk") << u"add"_s << true << QString();
        QTest::newRow("options with a NUL") << u"options"_s << false << u"Notstr"_s;
        QTest::newRow("options on a full disk") << u"options"_s << true << QString();
        QTest::newRow("delete on a full disk") << u"delete"_s << true << QString();
        QTest::newRow("no such account") << u"add far"_s << false << QString();
    }

    void refusalsLeaveNothingBehind()
    {
        QFETCH(QString, action);
        QFETCH(bool, diskFull);
        QFETCH(QString, unstorableKey);
        useDisk(threeAccounts());
        const QMap<QString, QString> before = disk_->values;
        disk_->refuseCommits = diskFull;
        StoreOutcome outcome;
        if (action == u"options") {
            settings::OptionsRecord record = settings::ReadOptions(QString());
            if (!diskFull)
                record.NotReadChars = u"a"_s + QChar(0);
            outcome = StoreOptions(record);
        } else if (action == u"delete") {
            outcome.saved = DeleteAccount(1, &outcome.problem);
        } else {
            ResetAccount();
            AccountRecord.Uname = diskFull ? u"user"_s : u"a\nb"_s;
            outcome = StoreAccount(action == u"add" ? qint16(4) : qint16(9));
        }
        QVERIFY(!outcome);
        QVERIFY(outcome.problem.isProblem());
        QCOMPARE(outcome.unstorableKey, unstorableKey);
        QCOMPARE(AccountCount, qint16(3));
        QVERIFY(!settings::ProcessStore().hasPendingWrites());
        disk_->refuseCommits = false;
        QVERIFY(SyncSettings());
        QCOMPARE(disk_->values, before);
    }

    // Another program may store what the user cannot type; Delete moves it
    // down as it is, and text read back unchanged is stored too.
    void storedValuesAreCarriedAsTheyAre_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("NUL") << u"a"_s + QChar(0) + u"b"_s;
        QTest::newRow("lone carriage return") << u"a\rb"_s;
    }

    void storedValuesAreCarriedAsTheyAre()
    {
        QFETCH(QString, stored);
        QMap<QString, QString> values = threeAccounts();
        values.insert(u"Hname3"_s, stored);
        values.insert(u"Talkstr2"_s, stored);
        useDisk(values);
        settings::StoreProblem problem;
        QVERIFY2(DeleteAccount(1, &problem), qPrintable(problem.detail));
        QCOMPARE(disk_->values.value(u"Hname2"_s), stored);
        QVERIFY(StoreOptions(settings::ReadOptions(QString())));
        QCOMPARE(disk_->values.value(u"Talkstr2"_s), stored);
        QVERIFY(CanStoreText(stored));
        QVERIFY(!CanStoreText(stored + u'\n'));
    }

    // Under Wine the mail checker reads through code page 932: the JIS forms
    // input methods give are stored as the code page has them, what it lacks
    // is refused with its key, and what is stored already is carried as it is.
    void textsTakeTheStoresForm()
    {
        QMap<QString, QString> values = threeAccounts();
        values.insert(u"Hname3"_s, u"〜"_s);
        useDisk(values);
        disk_->ansiForms = true;
        settings::StoreProblem problem;
        QVERIFY2(DeleteAccount(1, &problem), qPrintable(problem.detail));
        QCOMPARE(disk_->values.value(u"Hname2"_s), u"〜"_s);
        settings::OptionsRecord record = settings::ReadOptions(QString());
        record.Talkstr[6] = u"以上です〜−"_s;
        QVERIFY(StoreOptions(record));
        QCOMPARE(disk_->values.value(u"Talkstr6"_s), u"以上です～－"_s);
        record.Talkstr[6] = u"以上です𠮷"_s;
        const StoreOutcome refused = StoreOptions(record);
        QVERIFY(!refused);
        QCOMPARE(refused.unstorableKey, u"Talkstr6"_s);
        QCOMPARE(refused.unstorableCharacter, u"𠮷"_s);
        QCOMPARE(disk_->values.value(u"Talkstr6"_s), u"以上です～－"_s);
    }

    // The same through the store file, whose lines carry such values byte for byte.
    void deleteCarriesThemThroughTheStoreFile()
    {
        settings::ProcessStore().useBackend(settings::makeStoreBackend());
        QByteArray file = "[setting]\naccountno=3\n";
        for (int n = 1; n <= 3; ++n)
            file += "Aname" + QByteArray::number(n) + "=name" + QByteArray::number(n) + "\n";
        file += QByteArray("Uname3=a\0b\nHname3=c\rd\n", 22);
        quorvix::test::writeStoreFile(file);
        AccountCount = 3;
        settings::StoreProblem problem;
        QVERIFY2(DeleteAccount(1, &problem), qPrintable(problem.detail));
        ReloadStore();
        QCOMPARE(ReadSetting(u"Uname2"_s, QString()), u"a"_s + QChar(0) + u"b"_s);
        QCOMPARE(ReadSetting(u"Hname2"_s, QString()), u"c\rd"_s);
    }

    // What another program stored meanwhile is read, and this action's
    // writes not yet synced stay.
    void refreshReadsTheStoreAsItIsNowKeepingPendingWrites()
    {
        useDisk({{u"DefLeft"_s, u"100"_s}});
        WriteSetting(u"Talkstr1"_s, u"pending"_s);
        disk_->values.insert(u"DefLeft"_s, u"7000"_s);
        QCOMPARE(ReadSetting(u"DefLeft"_s, QString()), u"100"_s);
        RefreshStore();
        QCOMPARE(ReadSetting(u"DefLeft"_s, QString()), u"7000"_s);
        QCOMPARE(ReadSetting(u"Talkstr1"_s, QString()), u"pending"_s);
        QVERIFY(SyncSettings());
        QCOMPARE(disk_->values.value(u"Talkstr1"_s), u"pending"_s);
    }

    // A refused Delete whose changes landed all the same: the count follows
    // the store, so that the list can show what is stored.
    void refusedActionLeavesTheCountAsStored()
    {
        useDisk(threeAccounts());
        disk_->refuseCommits = true;
        disk_->refusedCommitsLand = true;
        QVERIFY(!DeleteAccount(1));
        QCOMPARE(AccountCount, qint16(2));
        disk_->refusedCommitsLand = false;
        QVERIFY(!DeleteAccount(1));
        QCOMPARE(AccountCount, qint16(2));
    }

    // A refresh that fails (a passing read error at a character pick) keeps
    // the values last read, and later actions are saved as usual.
    void failedRefreshKeepsTheLastGoodRead()
    {
        useDisk(threeAccounts());
        disk_->refuseReads = true;
        RefreshStore();
        QCOMPARE(ReadSetting(u"Aname2"_s, QString()), disk_->values.value(u"Aname2"_s));
        QVERIFY(!StoreReadProblem().isProblem());
        disk_->refuseReads = false;
        settings::StoreProblem problem;
        QVERIFY2(DeleteAccount(1, &problem), qPrintable(problem.detail));
        QCOMPARE(disk_->values.value(u"Aname1"_s), threeAccounts().value(u"Aname2"_s));
    }

    // A helper process a call leaves running belongs to the thread that
    // started it, so every call, and the backend's end, come on one thread,
    // never the asking one.
    void aStoreThatRunsOtherProgramsIsCalledOnOneWorkerThread()
    {
        auto disk = std::make_shared<MemoryDisk>();
        disk->runsOtherPrograms = true;
        settings::ProcessStore().useBackend(std::make_unique<MemoryBackend>(disk));
        AccountCount = 0;
        QVERIFY(StoreOptions(settings::ReadOptions(QString())));
        RefreshStore();
        settings::ProcessStore().useBackend(std::make_unique<MemoryBackend>(std::make_shared<MemoryDisk>()));
        QCOMPARE(disk->callThreads.size(), std::size_t(4)); // read, commit, settle, refresh
        QVERIFY(disk->callThreads.front() != QThread::currentThread());
        for (QThread* thread : disk->callThreads)
            QCOMPARE(thread, disk->callThreads.front());
        QCOMPARE(disk->endedOn, disk->callThreads.front());
    }

    // Such a store's first read may start while the window is built: the
    // first use waits for it, and a store dropped before gives it up.
    void aStartedFirstReadIsWaitedForOrGivenUp()
    {
        using settings::SettingsStore;
        auto disk = std::make_shared<MemoryDisk>();
        disk->runsOtherPrograms = true;
        disk->values.insert(u"accountno"_s, u"2"_s);
        disk->gate.close(); // the constructor must not wait for the read
        {
            SettingsStore store(std::make_unique<MemoryBackend>(disk), SettingsStore::FirstRead::Started);
            disk->gate.open();
            store.finishOpening();
            QCOMPARE(store.read(u"accountno"_s, u"0"_s), u"2"_s);
            QVERIFY(!store.readProblem().isProblem());
        }
        QCOMPARE(disk->callThreads.size(), std::size_t(1));
        QVERIFY(disk->callThreads.front() != QThread::currentThread());
        disk->gate.close();
        {
            const SettingsStore dropped(std::make_unique<MemoryBackend>(disk),
                                        SettingsStore::FirstRead::Started);
        }
        QCOMPARE(disk->callThreads.size(), std::size_t(2));
    }
};

QUORVIX_TEST_MAIN_CORE(StoreActionsTest)
#include "tst_storeactions.moc"
