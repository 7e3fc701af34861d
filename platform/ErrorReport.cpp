#include "platform/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {

void showMessageBox(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("qzLayer"), text, QMessageBox::Ok,
        QApplication::activeWindow());
    box.exec();
}

ErrorPresenter& presenter()
{
    static ErrorPresenter current = showMessageBox;
    return current;
}

const QChar kEllipsis(0x2026);
const QChar kShownLineBreak(0x23CE);

// A cut between the halves of a surrogate pair would leave half a character.
qsizetype headEnd(const QString& text, qsizetype length)
{
    return length > 0 && text.at(length - 1).isHighSurrogate() ? length - 1 : length;
}

qsizetype tailStart(const QString& text, qsizetype start)
{
    return start < text.size() && text.at(start).isLowSurrogate() ? start + 1 : start;
}

// The start and the end of a long text around an ellipsis; the end is the
// larger part, since that is where a path names its file.
QString elided(const QString& text, qsizetype maxLength)
{
    if (text.size() <= maxLength)
        return text;
    const qsizetype headLength = (maxLength - 1) / 3;
    const qsizetype tailLength = maxLength - 1 - headLength;
    return text.left(headEnd(text, headLength)) + kEllipsis
        + text.mid(tailStart(text, text.size() - tailLength));
}

QString visibleQuotedText(const QString& quoted)
{
    QString shown = elided(quoted, kQuotedLength);
    for (QChar& c : shown) {
        if (c == u'\n' || c == u'\r')
            c = kShownLineBreak;
        else if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return shown;
}

// Each quoted part of the text made readable; an unmatched quote quotes nothing.
QString withVisibleQuotes(const QString& text)
{
    QString result;
    qsizetype done = 0;
    for (;;) {
        const qsizetype open = text.indexOf(u'"', done);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'"', open + 1);
        if (close < 0)
            break;
        result += QStringView(text).mid(done, open + 1 - done);
        result += visibleQuotedText(text.mid(open + 1, close - open - 1));
        result += u'"';
        done = close + 1;
    }
    return result + QStringView(text).mid(done);
}

QString withinLineLimits(const QString& text)
{
    QStringList lines = text.split(u'\n');
    if (lines.size() > kReportLines) {
        lines.resize(kReportLines);
        lines.last() = kEllipsis;
    }
    for (QString& line : lines)
        line = elided(line, kReportLineLength);
    return lines.join(u'\n');
}

} // namespace

QString errorReportText(const QString& text)
{
    const QString shown = withinLineLimits(withVisibleQuotes(text));
    if (shown.endsWith(QLatin1Char('.')))
        return shown;
    return shown + QLatin1Char('.');
}

QString errorTextOf(const std::exception& error)
{
    if (const auto* userError = dynamic_cast<const UserError*>(&error))
        return userError->text();
    return QString::fromLocal8Bit(error.what());
}

void reportError(const QString& text)
{
    presenter()(errorReportText(text));
}

ErrorPresenter setErrorPresenter(ErrorPresenter replacement)
{
    ErrorPresenter previous = std::move(presenter());
    presenter() = replacement ? std::move(replacement) : ErrorPresenter(showMessageBox);
    return previous;
}

bool runGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        reportError(errorTextOf(error));
    } catch (...) {
        reportError(QStringLiteral("An unexpected error occurred"));
    }
    return false;
}

} // namespace platform
