#include "ApplicationSetup.h"

#include "AppIcon.h"
#include "CharacterFilePreview.h"
#include "FormLayout.h"
#include "StoreCallWait.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

namespace {

// The installed face drawn in place of the face the windows are designed for.
const QString& kDesignFace = controls::kFormFontFamily;
const QString kInstalledFace = QStringLiteral("IPAPGothic");

} // namespace

void setUpApplication(QApplication& app)
{
    setUpApplicationExceptFonts(app);
    setUpFonts();
}

void setUpApplicationExceptFonts(QApplication& app)
{
    // The standard buttons and dialogs speak Japanese like the rest of the program.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;

    QApplication::setWindowIcon(controls::applicationIcon());
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quorvix.QuorvixOptions"));

    // The file dialog shows a character file as the character itself.
    registerCharacterFilePreview();

    // Wine may not answer: its calls never stop the windows (the notice at
    // start, the busy pointer, the question whether to wait).
    dialogs::installStoreCallWait();
}

void setUpFonts()
{
    // Names in the store (the balloon font) may still be the designed face.
    QFont::insertSubstitution(kDesignFace, kInstalledFace);
    if (QFontDatabase::hasFamily(kInstalledFace))
        controls::drawFormFontAs(kInstalledFace);

    // Without an explicit font Qt picks a fixed-pitch face under a Japanese locale.
    QFont font(controls::formFontFamily());
    font.setPointSizeF(9.0);
    QApplication::setFont(font);
}

} // namespace app
