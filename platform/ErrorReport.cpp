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

} // namespace

QString errorReportText(const QString& text)
{
    if (text.endsWith(QLatin1Char('.')))
        return text;
    return text + QLatin1Char('.');
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
    } catch (const UserError& error) {
        reportError(error.text());
    } catch (const std::exception& error) {
        reportError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        reportError(QStringLiteral("An unexpected error occurred"));
    }
    return false;
}

} // namespace platform
