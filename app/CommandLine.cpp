#include "app/CommandLine.h"

#include "support/Language.h"

#include <QDir>

#include <cstring>

namespace {

const QString kPdfOption = QStringLiteral("--pdf");
const QString kPaperOption = QStringLiteral("--paper");

CommandLine refused(const QString& problem)
{
    CommandLine command;
    command.action = CommandLine::Action::Refuse;
    command.problem = problem;
    return command;
}

// "--name value" or "--name=value"; advances past the value.
std::optional<QString> optionValue(
    const QStringList& arguments, qsizetype& index, const QString& name)
{
    const QString& argument = arguments.at(index);
    if (argument.startsWith(name + QLatin1Char('=')))
        return argument.mid(name.size() + 1);
    if (argument != name || index + 1 >= arguments.size())
        return std::nullopt;
    return arguments.at(++index);
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& callerFolder)
{
    CommandLine command;
    QStringList projects;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-'))
            || argument == QLatin1String("-")) {
            projects << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            command.action = CommandLine::Action::ShowHelp;
            return command;
        } else if (argument == kPdfOption || argument.startsWith(kPdfOption + QLatin1Char('='))) {
            const std::optional<QString> file = optionValue(arguments, i, kPdfOption);
            if (!file || file->isEmpty())
                return refused(localText("Na --pdf hoort de naam van het PDF-bestand",
                    "--pdf needs the name of the PDF file"));
            command.action = CommandLine::Action::WritePdf;
            command.pdfFile = QDir::cleanPath(QDir(callerFolder).absoluteFilePath(*file));
        } else if (argument == kPaperOption
            || argument.startsWith(kPaperOption + QLatin1Char('='))) {
            const std::optional<QString> paper = optionValue(arguments, i, kPaperOption);
            command.paper = paperFromKey(paper.value_or(QString()));
            if (!command.paper)
                return refused(
                    localText("Na --paper hoort a4 of letter", "--paper needs a4 or letter"));
        } else {
            return refused(localText("Onbekende optie %1", "Unknown option %1").arg(argument));
        }
    }
    if (projects.size() > 1)
        return refused(
            localText("Geef niet meer dan één project", "Give no more than one project"));
    if (command.paper && command.action != CommandLine::Action::WritePdf)
        return refused(localText("--paper hoort bij --pdf", "--paper goes with --pdf"));
    command.project = projects.value(0);
    return command;
}

bool runsWithoutWindow(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            return false;
        if (std::strcmp(argument, "--pdf") == 0 || std::strncmp(argument, "--pdf=", 6) == 0
            || std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)
            return true;
    }
    return false;
}

QString callerFolder()
{
    const QString fromLauncher = qEnvironmentVariable("QZLAYER_CALLER_DIR");
    return fromLauncher.isEmpty() ? QDir::currentPath() : fromLauncher;
}

QString commandLineHelp()
{
    return localText(
        "Gebruik: qzlayer [PROJECT]\n"
        "         qzlayer --pdf BESTAND [--paper a4|letter] [PROJECT]\n"
        "\n"
        "PROJECT is de naam van een project in de gegevensmap of het pad van zijn\n"
        "indexbestand (.qlp); zonder PROJECT opent het project van de vorige keer.\n"
        "\n"
        "  --pdf BESTAND    schrijf de layout op ware grootte als PDF, zonder venster\n"
        "  --paper PAPIER   a4 of letter (anders het papier dat bij afdrukken gekozen is)\n"
        "  -h, --help       toon deze hulp\n",
        "Usage: qzlayer [PROJECT]\n"
        "       qzlayer --pdf FILE [--paper a4|letter] [PROJECT]\n"
        "\n"
        "PROJECT is the name of a project in the data folder or the path of its\n"
        "index file (.qlp); without PROJECT the project of the last run opens.\n"
        "\n"
        "  --pdf FILE       write the layout at true size as a PDF, without a window\n"
        "  --paper PAPER    a4 or letter (otherwise the paper chosen for printing)\n"
        "  -h, --help       show this help\n");
}
