// Test support, not part of the program: renders every page of the options
// window and the account window to PNG files for the documentation.
//   quorvix-screenshots OUTDIR
// Runs against an empty store in a temporary folder, offscreen unless a
// platform is given, and answers any message box the windows raise.

#include "ApplicationSetup.h"
#include "FlexGrid.h"
#include "accountform.h"
#include "optionform.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

bool save(QWidget& window, const QString& path)
{
    QCoreApplication::processEvents();
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "quorvix-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Two made-up accounts so the account page shows what rows look like.
void addSampleAccounts(controls::FlexGrid& grid)
{
    struct Sample
    {
        const char16_t* row;
        qint32 fore;
        qint32 back;
    };
    const Sample samples[] = {{u"home(pop.example.org)\t○", 0x000000, 0xFFFF80},
                              {u"work(mail.example.com)\t×", 0xFFFFFF, 0x804000}};
    for (const Sample& s : samples) {
        grid.AddItem(QString::fromUtf16(s.row));
        grid.setRow(grid.Rows() - 1);
        for (int col = 0; col < 2; ++col) {
            grid.setCol(col);
            grid.setCellForeColor(s.fore);
            grid.setCellBackColor(s.back);
        }
    }
    grid.setColWidth(0, 4960);
    grid.setColWidth(1, 320);
    grid.setRow(1);
    grid.setCol(0);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    app::setUpApplication(app);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: quorvix-screenshots OUTDIR\n");
        return 2;
    }
    const QDir out(args.at(1));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "quorvix-screenshots: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    // Nobody is there to answer a message box (a missing agent, say).
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    answerer.start(50);

    optionform form;
    form.show();
    addSampleAccounts(*form.accountList);
    const char* pages[] = {"options-general", "options-speech", "options-accounts", "options-agent"};
    bool ok = true;
    for (int i = 0; i < form.SSTab1->count(); ++i) {
        form.SSTab1->setCurrentIndex(i);
        ok = save(form, out.filePath(QLatin1String(pages[i]) + QStringLiteral(".png"))) && ok;
    }

    accountform account;
    account.setAccountList(form.accountList);
    account.show();
    ok = save(account, out.filePath(QStringLiteral("account-new.png"))) && ok;
    account.hide();
    return ok ? 0 : 1;
}
