// The file pickers beside the path boxes and the version notice.
//
// A picker only fills its box (the agent picker also reloads the preview);
// nothing is stored before OK. Cancel leaves every box as it was. The box
// gets the path as the mail checker opens it (under Wine, a Windows path).

#include "optionform.h"

#include "CommonDialogs.h"
#include "VersionNotice.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>

namespace {

// A filter of one entry: the description, one NUL, the pattern.
QString fileFilter(const QString& description, const QString& pattern)
{
    return description + QChar(u'\0') + pattern;
}

// The WAV and mailer pickers always open where the program itself lies,
// whatever path their box already holds.
QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

// The notice's one short line makes a narrow box, and a window manager then
// cuts the title short ("ﾊﾞｰ... 情報"). It draws the title in its own, often
// bold, face between the window icon and the title-bar buttons, so the box
// is kept at least that wide: the bold title plus room for four such parts.
void makeRoomForTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle());
    const int titleBarParts = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    grid->addItem(new QSpacerItem(titleWidth + titleBarParts, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void optionform::Command1_Click()
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"), options::programVersionNotice(),
                    QMessageBox::Ok, this);
    makeRoomForTitle(box);
    box.exec();
}

void optionform::Command2_Click()
{
    const QString path =
        Module1::SelectFile(this, fileFilter(QStringLiteral("WAVﾌｧｲﾙ"), QStringLiteral("*.wav")),
                            programFolder(), QStringLiteral("WAVﾌｧｲﾙの選択"));
    if (!path.isEmpty())
        Wavbox->setText(Module1::ToStoredPath(path));
}

void optionform::Command3_Click()
{
    // Looked up afresh on every click; the separator comes with the suffix.
    const QString charactersFolder = Module1::WindowsDirectory() + QStringLiteral("\\Msagent\\chars");
    const QString path =
        Module1::SelectFile(this, fileFilter(QStringLiteral("エージェント"), QStringLiteral("*.acs")),
                            charactersFolder, QStringLiteral("エージェントの選択"));
    if (path.isEmpty())
        return;
    AgentBox->setText(Module1::ToStoredPath(path));
    Options.AgentPath = AgentBox->text();
    SetAgent();
}

void optionform::RefBt_Click(int Index)
{
    if (Index != 1 && Index != 2)
        return;
    const QString path =
        Module1::SelectFile(this, fileFilter(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ"), QStringLiteral("*.exe")),
                            programFolder(), QStringLiteral("ﾒｰﾗｰの選択"));
    if (!path.isEmpty())
        Mailerbox[std::size_t(Index)]->setText(Module1::ToStoredPath(path));
}
