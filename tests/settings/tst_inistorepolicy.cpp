// The store file's read and write policy against other programs played by a
// script (ScriptedIniFile.h): each case is one way another writer's work can
// meet ours, the same on every run, with no thread and no real waiting.

#include "IniDocument.h"
#include "IniStorePolicy.h"
#include "ScriptedIniFile.h"
#include "TestMain.h"

using namespace settings;
using namespace settings::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kBefore = "[setting]\naccountno=2\nDefLeft=1\nTalkcnt=10\n"_ba;
// The other program's write: the character moved.
const QByteArray kTheirs = "[setting]\naccountno=2\nDefLeft=2\nTalkcnt=10\n"_ba;
const std::vector<StoreChange> kOurs = {{u"Talkcnt"_s, u"3"_s}};

QString valueIn(const QByteArray& bytes, const QString& key)
{
    return IniDocument(bytes).value(key).value_or(u"<absent>"_s);
}

struct Run
{
    explicit Run(const QByteArray& onDisk) : file(onDisk) {}

    CommitAnswer commit(const QByteArray& known = kBefore)
    {
        IniStorePolicy policy(file, lock, clock);
        IniDocument document(known);
        const CommitAnswer answer = policy.commit(known, &document, kOurs, &stored, &problem);
        documentFollows = document.toBytes() == stored;
        return answer;
    }
    bool read(const QByteArray& known = QByteArray())
    {
        IniStorePolicy policy(file, lock, clock);
        return policy.read(known, &stored, &problem);
    }
    // Both writes are on disk: theirs and ours.
    bool holdsBoth() const
    {
        const QByteArray& bytes = file.atPath->bytes;
        return valueIn(bytes, u"DefLeft"_s) == u"2"_s && valueIn(bytes, u"Talkcnt"_s) == u"3"_s;
    }

    ScriptedIniFile file;
    FreeLock lock;
    SteppedClock clock;
    QByteArray stored;
    StoreProblem problem;
    bool documentFollows = false;
};

} // namespace

class IniStorePolicyTest : public QObject
{
    Q_OBJECT

private slots:
    // Between our read and our rename the other program wrote the file in
    // place: the look right before the rename sees it.
    void bytesChangeOnTheSecondRead()
    {
        Run run(kBefore);
        int reads = 0;
        run.file.onRead = [&] {
            if (++reads == 2)
                run.file.kept->bytes = kTheirs;
        };
        QCOMPARE(run.commit(), CommitAnswer::Saved);
        QCOMPARE(run.file.outdated, 1);
        QVERIFY(run.holdsBoth());
        QCOMPARE(run.stored, run.file.atPath->bytes);
        QVERIFY(run.documentFollows);
    }

    // A plain writer that had the file open goes on writing into the file we
    // replaced; it is waited for while it keeps the file open, then taken in.
    void oldFileReceivesAWriteAfterOurRename()
    {
        Run run(kBefore);
        run.file.afterRename = [&] {
            if (run.file.renames > 1)
                return;
            run.file.kept->bytes.clear();
            run.file.kept->writers = 1;
            const qint64 finishesAt = run.clock.now + 40;
            run.file.onRead = [&run, finishesAt] {
                if (run.clock.now >= finishesAt && run.file.kept->writers > 0) {
                    run.file.kept->bytes = kTheirs;
                    run.file.kept->writers = 0;
                }
            };
        };
        QCOMPARE(run.commit(), CommitAnswer::Saved);
        QCOMPARE(run.file.renames, 2);
        QVERIFY(run.holdsBoth());
    }

    // The other program renamed its own file over the store between our
    // last look and our rename: the replace sees whose file it displaced.
    void pathsInodeChangesBeforeOurRename()
    {
        Run run(kBefore);
        run.file.beforeRename = [&] {
            if (run.file.renames == 0)
                run.file.atPath = std::make_shared<ScriptedFile>(ScriptedFile{kTheirs});
        };
        QCOMPARE(run.commit(), CommitAnswer::Saved);
        QCOMPARE(run.file.renames, 2);
        QVERIFY(run.holdsBoth());
    }

    // Cut short, or held open for writing, for longer than the bounded wait:
    // not taken for the store, nothing replaced.
    void fileThatStaysCut_data()
    {
        QTest::addColumn<bool>("opening");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("writers");
        QTest::addColumn<int>("kind");
        const auto cutShort = int(StoreProblem::Kind::CutShort);
        const auto beingWritten = int(StoreProblem::Kind::BeingWritten);
        QTest::newRow("action, emptied") << false << QByteArray("") << 0 << cutShort;
        QTest::newRow("action, cut in the last line") << false << kTheirs.chopped(1) << 0 << cutShort;
        QTest::newRow("action, open for writing") << false << kTheirs << 1 << beingWritten;
        QTest::newRow("opening, open for writing")
            << true << QByteArray("[setting]\nacc") << 1 << beingWritten;
    }

    void fileThatStaysCut()
    {
        QFETCH(bool, opening);
        QFETCH(QByteArray, bytes);
        QFETCH(int, writers);
        QFETCH(int, kind);
        Run run(bytes);
        run.file.atPath->writers = writers;
        if (opening)
            QVERIFY(!run.read());
        else
            QCOMPARE(run.commit(), CommitAnswer::NotSaved);
        QCOMPARE(int(run.problem.kind), kind);
        QVERIFY(run.problem.detail.contains(u"scripted.ini"_s));
        QCOMPARE(run.file.renames, 0);
        QVERIFY(run.clock.now >= 2000);
        QVERIFY(run.clock.now < 2100);
    }

    // Truncated by a writer that pauses, whole again 300 ms later: waited
    // for, then taken in, at the opening and in an action alike.
    void fileWholeAgainAfter300Ms_data()
    {
        QTest::addColumn<bool>("opening");
        QTest::addColumn<bool>("leases");
        QTest::newRow("opening") << true << true;
        QTest::newRow("action") << false << true;
        QTest::newRow("action, no lease") << false << false;
    }

    void fileWholeAgainAfter300Ms()
    {
        QFETCH(bool, opening);
        QFETCH(bool, leases);
        Run run(QByteArray("[setting]\nacco"));
        run.file.leases = leases;
        const std::shared_ptr<ScriptedFile> cut = run.file.atPath;
        cut->writers = 1;
        run.file.onRead = [&] {
            if (run.clock.now >= 300 && cut->writers > 0) {
                cut->bytes = kTheirs;
                cut->writers = 0;
            }
        };
        if (opening) {
            QVERIFY(run.read());
            QCOMPARE(run.stored, kTheirs);
        } else {
            QCOMPARE(run.commit(), CommitAnswer::Saved);
            QVERIFY(run.holdsBoth());
        }
        QVERIFY(run.clock.now >= 300);
        QVERIFY(run.clock.now < 2000);
    }

    // Another writer changes the file at every look, through all the rounds:
    // the answer is what the file then holds, and so are the values.
    void writerThatNeverStopsGetsTheFilesAnswer_data()
    {
        QTest::addColumn<bool>("lastWriteHoldsOurs");
        QTest::addColumn<int>("answer");
        QTest::newRow("ours on disk at the end") << true << int(CommitAnswer::Saved);
        QTest::newRow("overwritten at the end") << false << int(CommitAnswer::NotSaved);
    }

    void writerThatNeverStopsGetsTheFilesAnswer()
    {
        QFETCH(bool, lastWriteHoldsOurs);
        QFETCH(int, answer);
        Run run(kBefore);
        int version = 0;
        // After each of our renames it writes the file it had open (or
        // overwrites ours with what it read before).
        run.file.afterRename = [&] {
            IniDocument theirs(kTheirs);
            theirs.set(u"DefLeft"_s, QString::number(++version + 10));
            const QByteArray next = theirs.toBytes();
            if (lastWriteHoldsOurs)
                run.file.kept->bytes = next;
            else
                run.file.atPath->bytes = next;
        };
        QCOMPARE(int(run.commit()), answer);
        QCOMPARE(run.file.renames, 10);
        QCOMPARE(run.stored, run.file.atPath->bytes);
        if (!lastWriteHoldsOurs)
            QCOMPARE(run.problem.kind, StoreProblem::Kind::BeingWritten);
    }
};

QUORVIX_TEST_MAIN_CORE(IniStorePolicyTest)
#include "tst_inistorepolicy.moc"
