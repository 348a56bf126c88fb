/// oxSubstanceEditor: the material editor of the stand-in host. main() reads
/// the command line and shows the window; everything else lives in the
/// window's library (oxSubstanceEditorLib), which the tests link.

#include "oxSubstanceEditorWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QTextStream>

namespace {

/// Exit codes (--help lists them).
enum ExitCode
{
    Ok = 0,
    NotOpened = 1,  ///< the archive given on the command line did not open
    UsageError = 2, ///< bad command line
    NoPicture = 3   ///< the screenshot could not be written
};

bool wantsScreenshot(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]).startsWith("--screenshot"))
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // A picture needs no display: without a platform of the user's choice it
    // is taken on the offscreen platform.
    if (wantsScreenshot(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("oxSubstanceEditor");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Edits a Substance material of the stand-in host: attributes, presets, undo history and preview.\n\n"
        "Exit codes: 0 success, 1 the archive did not open, 2 bad command line, 3 the screenshot could not be "
        "written.");
    parser.addHelpOption();
    parser.addPositionalArgument("archive", "The archive file (.sbsar) to open (optional).", "[archive]");
    const QCommandLineOption environment("environment",
                                         "Open into the texture-generator material of an environment material.");
    const QCommandLineOption screenshot("screenshot", "Lay the window out at a fixed size, save a picture of it "
                                                      "(PNG) and exit.",
                                        "file");
    parser.addOptions({environment, screenshot});
    if (!parser.parse(app.arguments()))
    {
        QTextStream(stderr) << "oxSubstanceEditor: " << parser.errorText() << " See --help.\n";
        return UsageError;
    }
    if (parser.isSet("help"))
        parser.showHelp(Ok);
    if (parser.positionalArguments().size() > 1)
    {
        QTextStream(stderr) << "oxSubstanceEditor: at most one archive file; see --help.\n";
        return UsageError;
    }

    oxSubstanceEditorWindow window;
    window.setEnvironment(parser.isSet(environment));
    if (!parser.positionalArguments().isEmpty() && !window.openArchive(parser.positionalArguments().first()))
    {
        QTextStream(stderr) << "oxSubstanceEditor: could not open '" << parser.positionalArguments().first()
                            << "'\n";
        if (parser.isSet(screenshot))
            return NotOpened;
    }
    if (parser.isSet(screenshot))
    {
        if (!window.screenshot().save(parser.value(screenshot), "PNG"))
        {
            QTextStream(stderr) << "oxSubstanceEditor: could not write '" << parser.value(screenshot) << "'\n";
            return NoPicture;
        }
        return Ok;
    }
    window.show();
    return app.exec();
}
