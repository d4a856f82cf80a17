#include "RegistryHelper.h"

#include "SharedCpu.h"
#include "WinePrefix.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace settings {

namespace {

// A prefix that Wine must first bring up to date after an upgrade takes
// several seconds; a call still running after this long is given up.
constexpr int kWineCallMs = 120'000;
// How often a waiting call looks whether it was aborted.
constexpr int kAbortPollMs = 20;

void appendField(QByteArray& out, QByteArrayView bytes)
{
    out += QByteArray::number(bytes.size());
    out += ':';
    out += bytes;
}

class ReplyReader
{
public:
    explicit ReplyReader(QByteArrayView bytes) : bytes_(bytes) {}

    bool word(QByteArrayView word)
    {
        if (!bytes_.sliced(at_).startsWith(word))
            return false;
        at_ += word.size();
        return true;
    }

    std::optional<QByteArrayView> field()
    {
        qsizetype length = 0;
        int digits = 0;
        while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9' && digits < 12) {
            length = length * 10 + (bytes_[at_++] - '0');
            ++digits;
        }
        if (!digits || !word(":") || bytes_.size() - at_ < length)
            return std::nullopt;
        const QByteArrayView value = bytes_.sliced(at_, length);
        at_ += length;
        return value;
    }

    std::optional<QString> text()
    {
        const std::optional<QByteArrayView> bytes = field();
        if (!bytes)
            return std::nullopt;
        return QString::fromUtf8(*bytes);
    }

    std::optional<quint32> number()
    {
        const qsizetype start = at_;
        while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9')
            ++at_;
        bool ok = false;
        const quint32 value = bytes_.sliced(start, at_ - start).toUInt(&ok);
        return ok ? std::optional<quint32>(value) : std::nullopt;
    }

    qsizetype position() const { return at_; }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

QString firstLine(const QByteArray& output)
{
    return QString::fromLocal8Bit(output).trimmed().section(u'\n', 0, 0).trimmed();
}

} // namespace

QByteArray HelperRequest(QStringView keyPath, const std::vector<StoreChange>& changes)
{
    QByteArray out;
    if (!keyPath.isValidUtf16())
        return out;
    out += "key ";
    appendField(out, keyPath.toUtf8());
    out += '\n';
    for (const StoreChange& change : changes) {
        if (!QStringView(change.key).isValidUtf16() ||
            (change.text && !QStringView(*change.text).isValidUtf16()))
            return {};
        out += change.text ? "set " : "delete ";
        appendField(out, change.key.toUtf8());
        if (change.text) {
            out += ' ';
            appendField(out, change.text->toUtf8());
        }
        out += '\n';
    }
    out += "end\n";
    return out;
}

std::optional<HelperReply> ReadHelperReply(QByteArrayView bytes, qsizetype* used)
{
    ReplyReader in(bytes);
    HelperReply reply;
    if (in.word("key present\n"))
        reply.keyPresent = true;
    else
        in.word("key absent\n");
    while (in.word("value ")) {
        HelperValue value;
        const std::optional<QString> name = in.text();
        if (!name)
            return std::nullopt;
        value.name = *name;
        if (in.word(" sz ")) {
            value.text = in.text();
            if (!value.text)
                return std::nullopt;
        } else if (in.word(" other ")) {
            const std::optional<quint32> type = in.number();
            if (!type || !in.word(" ") || !in.number())
                return std::nullopt;
            value.type = *type;
        } else {
            return std::nullopt;
        }
        if (!in.word("\n"))
            return std::nullopt;
        reply.values.push_back(std::move(value));
    }
    if (in.word("ok\n")) {
        reply.ok = true;
    } else if (in.word("failed ")) {
        const std::optional<QString> name = in.text();
        if (!name || !in.word(" "))
            return std::nullopt;
        const std::optional<quint32> error = in.number();
        if (!error || !in.word(" "))
            return std::nullopt;
        const std::optional<QString> failure = in.text();
        if (!failure || !in.word("\n"))
            return std::nullopt;
        reply.failedValue = *name;
        reply.error = *error;
        reply.failure = *failure;
        while (in.word("unrestored ")) {
            const std::optional<QString> unrestored = in.text();
            if (!unrestored || !in.word(" ") || !in.number() || !in.word("\n"))
                return std::nullopt;
            reply.unrestored.append(*unrestored);
        }
    } else {
        return std::nullopt;
    }
    if (!in.word("end\n"))
        return std::nullopt;
    if (used)
        *used = in.position();
    return reply;
}

QString RegistryHelper::program()
{
    if (qEnvironmentVariableIsSet("QUORVIX_REGISTRY_HELPER")) {
        const QString chosen = qEnvironmentVariable("QUORVIX_REGISTRY_HELPER");
        return QFileInfo(chosen).isFile() ? chosen : QString();
    }
    const QString fromBin = QStringLiteral(QUORVIX_REGISTRY_HELPER_FROM_BIN);
    if (fromBin.isEmpty())
        return QString();
    // The program's folder, also before the application object exists (the
    // store is chosen that early).
    const QString programFolder = QCoreApplication::instance()
                                      ? QCoreApplication::applicationDirPath()
                                      : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (!programFolder.isEmpty()) {
        const QString installed = QDir(programFolder).absoluteFilePath(fromBin);
        if (QFileInfo(installed).isFile())
            return installed;
    }
    const QString built = QStringLiteral(QUORVIX_BUILT_REGISTRY_HELPER);
    return QFileInfo(built).isFile() ? built : QString();
}

QString RegistryHelper::wineProgram()
{
    const QString chosen = qEnvironmentVariable("WINE", QStringLiteral("wine"));
    if (QFileInfo(chosen).isAbsolute())
        return QFileInfo(chosen).isExecutable() ? chosen : QString();
    return QStandardPaths::findExecutable(chosen);
}

RegistryHelper::~RegistryHelper()
{
    stop();
}

bool RegistryHelper::call(QStringView keyPath, const std::vector<StoreChange>& changes, HelperReply* reply,
                          QString* reason, bool keepRunning)
{
    abort_.store(false);
    aborted_ = false;
    const QString helper = program();
    if (helper.isEmpty()) {
        *reason =
            QStringLiteral("this build has no quorvix-registry.exe (it was built without the MinGW cross "
                           "compiler), so the registry of the Wine prefix %1 cannot be reached")
                .arg(prefix_);
        return false;
    }
    const QString wine = wineProgram();
    if (wine.isEmpty()) {
        *reason = QStringLiteral("Wine is not installed (no wine program found), so the registry of the Wine "
                                 "prefix %1 cannot be reached")
                      .arg(prefix_);
        return false;
    }
    const QByteArray request = HelperRequest(keyPath, changes);
    if (request.isEmpty()) {
        *reason = QStringLiteral("a value name or text is no Unicode text");
        return false;
    }

    // A kept helper serves only while it runs (wineserver -k ends it) and
    // was started the way this call would start one.
    const bool reusable = kept_ && kept_->state() == QProcess::Running && !kept_->waitForFinished(0) &&
                          kept_->program() == wine && kept_->arguments() == QStringList{helper};
    // Beside a running server the call runs with the helper and the server on
    // one CPU; a kept helper stays where it was started.
    SharedCpu shared(reusable && keptCpu_ < 0 ? 0 : WineServerProcess(prefix_), reusable ? keptCpu_ : -1);
    if (!reusable) {
        stop();
        kept_ = std::make_unique<QProcess>();
        const int cpu = shared.cpu();
        kept_->setChildProcessModifier([cpu] { SharedCpu::pinCallingThread(cpu); });
        keptCpu_ = cpu;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), prefix_);
        environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        // No installer of Wine's browser or .NET stand-ins pops up when Wine
        // brings an old prefix up to date on this call.
        if (!environment.contains(QStringLiteral("WINEDLLOVERRIDES")))
            environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
        kept_->setProcessEnvironment(environment);
        kept_->setWorkingDirectory(QDir::rootPath());
        shared.helperStarting();
        kept_->start(wine, {helper});
        if (!kept_->waitForStarted(kWineCallMs)) {
            *reason = QStringLiteral("wine could not be started for the Wine prefix %1: %2")
                          .arg(prefix_, kept_->errorString());
            stop();
            return false;
        }
        shared.helperStarted(pid_t(kept_->processId()));
        kept_->write(kHelperProtocolLine.toByteArray());
        output_.clear();
        protocolSeen_ = false;
    }
    kept_->write(request);
    if (!keepRunning)
        kept_->closeWriteChannel();
    const bool answered = awaitReply(reply, reason);
    if (!answered || !keepRunning)
        stop();
    return answered;
}

bool RegistryHelper::awaitReply(HelperReply* reply, QString* reason)
{
    const QDeadlineTimer deadline(kWineCallMs);
    for (;;) {
        output_ += kept_->readAllStandardOutput();
        if (!protocolSeen_ && output_.size() >= kHelperProtocolLine.size()) {
            protocolSeen_ = output_.startsWith(kHelperProtocolLine);
            if (!protocolSeen_)
                break;
            output_.remove(0, kHelperProtocolLine.size());
        }
        qsizetype used = 0;
        if (protocolSeen_) {
            if (std::optional<HelperReply> read = ReadHelperReply(output_, &used)) {
                output_.remove(0, used);
                *reply = std::move(*read);
                return true;
            }
        }
        if (kept_->state() == QProcess::NotRunning) {
            if (kept_->bytesAvailable() > 0)
                continue;
            break;
        }
        const bool aborted = abort_.load();
        if (aborted || deadline.hasExpired()) {
            aborted_ = aborted;
            kept_->kill();
            kept_->waitForFinished(1000);
            *reason = aborted
                          ? QStringLiteral("the call of Wine in the Wine prefix %1 was given up").arg(prefix_)
                          : QStringLiteral("Wine did not answer in the Wine prefix %1").arg(prefix_);
            return false;
        }
        kept_->waitForReadyRead(kAbortPollMs);
    }
    kept_->waitForFinished(1000);
    const QByteArray errors = kept_->readAllStandardError();
    *reason =
        QStringLiteral("quorvix-registry.exe gave no whole answer in the Wine prefix %1 (exit code %2): %3")
            .arg(prefix_)
            .arg(kept_->exitCode())
            .arg(errors.isEmpty() ? QStringLiteral("no output") : firstLine(errors));
    return false;
}

void RegistryHelper::stop()
{
    if (!kept_)
        return;
    if (kept_->state() != QProcess::NotRunning) {
        kept_->closeWriteChannel();
        if (!kept_->waitForFinished(2000)) {
            kept_->kill();
            kept_->waitForFinished(1000);
        }
    }
    kept_.reset();
    keptCpu_ = -1;
}

} // namespace settings
