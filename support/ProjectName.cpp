#include "support/ProjectName.h"

#include "support/Language.h"

#include <QStringList>

#include <algorithm>

namespace {

// The separators and the colon would make the name a path (and the stored
// project name keeps only what follows the last of them); Windows refuses a
// few more in file names.
QString forbiddenNameCharacters()
{
#ifdef Q_OS_WIN
    return QStringLiteral("\\/:*?\"<>|");
#else
    return QStringLiteral("\\/:");
#endif
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator
        || c == QChar::ParagraphSeparator;
}

} // namespace

QString projectNameProblem(const QString& name)
{
    const QString forbidden = forbiddenNameCharacters();
    const bool hasForbidden = std::any_of(
        name.cbegin(), name.cend(), [&](QChar c) { return forbidden.contains(c) || isControl(c); });
    const bool onlyDots = !name.isEmpty()
        && std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c == u'.'; });
    if (!hasForbidden && !onlyDots)
        return {};
    QStringList shown;
    for (QChar c : forbidden)
        shown << QString(c);
    return localText("\"%1\" kan niet als projectnaam worden gebruikt: een projectnaam mag geen "
                     "%2, regeleinde, tab of ander stuurteken bevatten en niet uit alleen punten "
                     "bestaan",
        "\"%1\" cannot be used as a project name: a project name may not hold %2, a line break, "
        "a tab or another control character, nor consist of dots only")
        .arg(name, shown.join(u' '));
}
