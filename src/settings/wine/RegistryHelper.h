#pragma once

// Our side of quorvix-registry.exe, the small Windows program that reads and
// changes the mail checker's key inside a Wine prefix through the registry
// functions themselves (src/registry_helper). One run reads every value of
// the key, applies a batch of changes, reads them back and, when one fails,
// puts the batch's previous values back: one Wine process per user action.
//
// The protocol (UTF-8 lines, variable parts length-prefixed) is built and
// read here without I/O, so tests and the fuzzer reach it directly.
//
// A call blocks its thread until Wine answers; it makes no GUI call, so it
// may run on a worker thread, and abortPendingCall() ends it from any other
// thread.

#include "StoreBackend.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace settings {

// One value of the key as the helper found it: a REG_SZ gives its text
// exactly (embedded NULs included); any other type or form only its type.
struct HelperValue
{
    QString name;
    std::optional<QString> text;
    quint32 type = 1;
};

struct HelperReply
{
    // Whether the key exists; its values as the run leaves them.
    bool keyPresent = false;
    std::vector<HelperValue> values;
    // Whether the batch took. When not: the value that failed ("" for the
    // key itself), the Win32 error and what failed, and the values that
    // could not be put back (the key is then partly changed).
    bool ok = false;
    QString failedValue;
    quint32 error = 0;
    QString failure;
    QStringList unrestored;
};

// The request for one run: the key below HKEY_CURRENT_USER and the changes,
// after the protocol line. Empty when a name or text is no UTF-16 text.
QByteArray HelperRequest(QStringView keyPath, const std::vector<StoreChange>& changes);

// The reply of one run, from just past the protocol line; nullopt when the
// bytes are not a whole reply. *used, when given, is how many bytes it took.
std::optional<HelperReply> ReadHelperReply(QByteArrayView bytes, qsizetype* used = nullptr);

inline constexpr QByteArrayView kHelperProtocolLine = "quorvix-registry 1\n";

class RegistryHelper
{
public:
    explicit RegistryHelper(QString prefix) : prefix_(std::move(prefix)) {}
    ~RegistryHelper();
    RegistryHelper(const RegistryHelper&) = delete;
    RegistryHelper& operator=(const RegistryHelper&) = delete;

    // The helper program: $QUORVIX_REGISTRY_HELPER when set, else the one
    // installed beside the program, else the build tree's; "" when this
    // build has none (it was made without the MinGW cross compiler).
    static QString program();
    // The wine launcher: $WINE when set (the convention of Wine's own
    // scripts), else wine on the PATH; "" when there is none.
    static QString wineProgram();

    // One run on keyPath with changes (none: only read). False, with the
    // reason, when Wine could not be run or gave no whole reply; a reply
    // that says the batch failed is a true call with reply->ok false.
    //
    // keepRunning leaves the helper running after the reply, so that the
    // next call is a round trip through its pipe rather than a new Wine
    // process (worth it only where a wineserver runs anyway: a kept helper
    // keeps one alive). The kept process belongs to the thread that made it.
    bool call(QStringView keyPath, const std::vector<StoreChange>& changes, HelperReply* reply,
              QString* reason, bool keepRunning = false);

    // Ends a call running on another thread at once; that call returns false.
    void abortPendingCall() { abort_.store(true); }
    // Whether the last call ended because it was given up.
    bool wasAborted() const { return aborted_; }

    // Ends a kept helper: it ends itself at the end of its input.
    void stop();

private:
    bool awaitReply(HelperReply* reply, QString* reason);

    QString prefix_;
    std::atomic<bool> abort_{false};
    bool aborted_ = false;
    std::unique_ptr<QProcess> kept_;
    int keptCpu_ = -1; // the CPU a kept helper was started on, -1 for none
    QByteArray output_;
    bool protocolSeen_ = false;
};

} // namespace settings
