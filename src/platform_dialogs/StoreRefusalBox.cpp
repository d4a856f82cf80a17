#include "StoreRefusalBox.h"

#include "WarningBox.h"

using namespace Qt::StringLiterals;

namespace dialogs {

QString storeProblemSentence(settings::StoreProblem::Kind kind)
{
    using Kind = settings::StoreProblem::Kind;
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::ReadOnly:
        return u"保存先に書き込めません。書き込めるようにしてから、もう一度やり直して下さい"_s;
    case Kind::HeldByOther:
        return u"保存先をほかのｵﾌﾟｼｮﾝ画面かﾌﾟﾛｸﾞﾗﾑが使っています。そちらを閉じてから、もう一度やり直して下さい"_s;
    case Kind::BeingWritten:
        return u"ほかのﾌﾟﾛｸﾞﾗﾑが保存先に書き込んでいる最中です。しばらく待ってから、もう一度やり直して下さい"_s;
    case Kind::CutShort:
        return u"保存先のﾌｧｲﾙが途中で切れています。ほかのﾌﾟﾛｸﾞﾗﾑが書き込んでいる最中かもしれません。"
               u"しばらく待ってから、もう一度やり直して下さい"_s;
    case Kind::DiskFull:
        return u"ﾃﾞｨｽｸの空きが足りません。空きを作ってから、もう一度やり直して下さい"_s;
    case Kind::WineFailed:
        return u"Wineが応答しないか、処理に失敗しました"_s;
    case Kind::NotAPrefix:
        return u"指定のﾌｫﾙﾀﾞはWineのﾌﾟﾚﾌｨｯｸｽではありません"_s;
    case Kind::Unreadable:
        return u"保存先を読み込めませんでした。中身を失わないよう、このﾌｧｲﾙには保存しません"_s;
    case Kind::Unstorable:
        return u"保存できない文字(改行やNUL文字)が入っています"_s;
    case Kind::NoSuchAccount:
        return u"そのｱｶｳﾝﾄはありません"_s;
    case Kind::Abandoned:
        return u"Wineの応答を待つのを中止しました"_s;
    case Kind::Other:
        break;
    }
    return u"保存先に書き込めませんでした"_s;
}

void showStoreRefusal(QWidget* parent, const QString& headline, const settings::StoreProblem& problem,
                      const QString& advice)
{
    QString text = headline;
    for (const QString& line : {storeProblemSentence(problem.kind), advice}) {
        if (!line.isEmpty())
            text += u"\r\n"_s + line;
    }
    showWarning(parent, text, problem.detail);
}

} // namespace dialogs
