#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <stdexcept>
#include <utility>

// The general error report. An error raised inside an event handler ends that
// handler and is shown to the user; the program then goes on.
//
// Handlers throw UserError (or any std::exception); they are run through
// guarded() / runGuarded(), the one place that catches and reports.
namespace platform {

class UserError : public std::runtime_error
{
public:
    explicit UserError(const QString& text)
        : std::runtime_error(text.toStdString())
        , m_text(text)
    {
    }
    const QString& text() const noexcept { return m_text; }

private:
    QString m_text;
};

// The text shown for an error: its own text with a full stop added when it
// lacks one. Messages quote outside text (file names, lines of a file) that
// may be of any length and hold any character, so the shown text is kept
// readable: a quoted part longer than kQuotedLength characters keeps its
// start and end around an ellipsis, line breaks inside quotes show as "⏎"
// and other control characters as the replacement character, and the text
// is cut to at most kReportLines lines of kReportLineLength characters.
constexpr int kQuotedLength = 120;
constexpr int kReportLineLength = 300;
constexpr int kReportLines = 30;
QString errorReportText(const QString& text);

// The user-facing text of a raised error.
QString errorTextOf(const std::exception& error);

// Shows the error: a message box titled "qzLayer" with the error icon.
// Tests replace the presenter to observe reports without a display.
void reportError(const QString& text);
using ErrorPresenter = std::function<void(const QString& text)>;
ErrorPresenter setErrorPresenter(ErrorPresenter presenter);

// Runs a handler body; an exception it raises goes to reportError.
// Returns false when the handler ended in an error.
bool runGuarded(const std::function<void()>& handler);

// Wraps a handler for connect(): the returned callable runs the handler
// guarded and ignores the signal's arguments.
template <typename Handler>
auto guarded(Handler handler)
{
    return [handler = std::move(handler)](auto&&...) { runGuarded(handler); };
}

} // namespace platform
