#include "CommandLine.h"
#include "Dialogs.h"
#include "IoError.h"
#include "Paths.h"
#include "Unit1.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>

namespace {

void print(std::FILE *to, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
}

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char **argv)
{
    // --help, --version and a mistyped option are answered before the toolkit looks for a
    // display, which it would abort without.
    const CommandLine early = parseCommandLine(withoutToolkitOptions(argumentsOf(argc, argv)));
    if (!early.problem.isEmpty()) {
        print(stderr, QStringLiteral("quindle: %1\nTry 'quindle --help'.\n").arg(early.problem));
        return 2;
    }
    if (early.help || early.version) {
        print(stdout, early.help ? helpText() : versionText());
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quindle"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quindle"));
    QApplication::setApplicationVersion(QStringLiteral(QUINDLE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(QUINDLE_APP_ID));

    // The toolkit has taken its own options out by now; what is left is ours.
    const CommandLine commandLine = parseCommandLine(QApplication::arguments().mid(1));
    if (!commandLine.problem.isEmpty()) {
        print(stderr, QStringLiteral("quindle: %1\nTry 'quindle --help'.\n").arg(commandLine.problem));
        return 2;
    }
    const std::string executableFolder = pathFromText(QApplication::applicationDirPath()) + "/";
    const std::string configFolder =
        pathFromText(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)) + "/";
    const std::string programFolder = chooseProgramFolder(executableFolder, configFolder, commandLine);
    try {
        prepareProgramFolder(programFolder, configFolder);
    } catch (const IoError &error) {
        print(stderr, QStringLiteral("quindle: program folder %1: %2\n")
                          .arg(textFromPath(programFolder), QString::fromLocal8Bit(error.what())));
        return 1;
    }

    TQtDialogs dialogs;
    TForm1 form(programFolder, dialogs);
    dialogs.setParent(&form);
    form.show();
    return app.exec();
}
