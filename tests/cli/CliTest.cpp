#include "CliRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

const QString SampleWarnings = "oxSubstanceCli: warning: Skipped preset 'Light Oak'. Duplicate preset already exists "
                               "in material.\noxSubstanceCli: warning: Skipped preset 'Brushed Steel'. It does not "
                               "match any graph of the material.\n";

} // namespace

TEST(CliTest, PrintsWhatTheLibraryBuiltForTheSampleArchive)
{
    const CliRun run = runCli({"materials.sbsar"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char* line :
         {"Graph 'Wood' (active)\n", "  Group 'Surface'\n", "  Group 'Common' (shared)\n",
          "    Roughness [roughness] float = 0.35\n",
          "      min 0, max 1, step 0.01, defaultValue 0.5, widget \"slider\", defaultText \"0.5\", "
          "description \"How rough the surface is.\"\n",
          "    Tint [tint] float[4] = (0.8, 0.6, 0.4)\n", "    Output Size [$outputsize] int[2] = 512 x 512, synced\n",
          "      min 256 x 256, max 4096 x 4096, step 1, defaultValue 512 x 512, ",
          "visibility \"input['pattern'] != 2\"\n", "  2: Weathered Pine (from " OX_SAMPLES_DIR "/materials.sbsprs)\n",
          "  diffuse: 4 x 4 image, uint8\n", "  normal: 4 x 4 image, uint16\n", "  height: 4 x 4 image, float32\n"})
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(line))) << "missing: " << line;
    // The log's messages go to the standard error stream, not into the report.
    EXPECT_EQ(run.err, SampleWarnings);

    const CliRun json = runCli({"materials.sbsar", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(json.out.toUtf8()).object();
    const QJsonArray groups = report["graphs"][0]["groups"].toArray();
    QStringList groupNames;
    for (const QJsonValue& group : groups)
        groupNames << group["name"].toString();
    EXPECT_EQ(groupNames, (QStringList{"Output", "Surface", "Colour", "Pattern", "Common"}));
    EXPECT_EQ(groups[3]["attributes"][1]["labels"], (QJsonArray{"U", "V"}));
    EXPECT_EQ(report["colorComponents"][3].toObject(),
              (QJsonObject{{"name", "normal"}, {"image", QJsonObject{{"width", 4}, {"height", 4}, {"dataType", "uint16"}}}}));
    // The log's messages are in the report, as objects.
    QString messages;
    for (const QJsonValue& m : report["messages"].toArray())
        messages += "oxSubstanceCli: " + m["level"].toString() + ": " + m["text"].toString() + "\n";
    EXPECT_EQ(messages, SampleWarnings);
    EXPECT_EQ(json.err, "");
}

// Exported presets are the material's own: importing them skips both; a single-byte preset file
// reads; files that the host must not read whole are refused. An export never overwrites a file
// that the run reads, however its path is spelt; the preset file beside an archive is named after
// the archive's name up to its first dot. A failure prints one line and no report.
TEST(CliTest, ExportsImportsAndFailsOnBadInputWithAClearMessage)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QString archive = d.filePath("materials.v2.sbsar"), file = d.filePath("chosen.sbsprs");
    ASSERT_TRUE(QFile::copy(sampleFile("materials.sbsar"), archive));
    ASSERT_TRUE(QFile::copy(sampleFile("materials.sbsprs"), d.filePath("materials.sbsprs")));
    ASSERT_TRUE(QFile::copy(d.filePath("materials.sbsprs"), d.filePath("more.sbsprs")));
    ASSERT_TRUE(QFile::link(archive, d.filePath("link.sbsar")));
    ASSERT_TRUE(writeFile(d.filePath("edits.txt"), "print\n"));
    CliRun run = runCli({archive, "--export", file, "--presets", "2,0"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray bytes = readFile(file);
    EXPECT_TRUE(bytes.startsWith("<sbspresets count=\"2\" formatversion=\"1\">\n <sbspreset pkgurl=\"pkg://materials/wood\" "
                                 "label=\"Weathered Pine\" >\n"));
    EXPECT_TRUE(bytes.endsWith("</sbspresets>\n\n"));
    QMap<QString, QByteArray> before;
    for (const QString& name : d.entryList(QDir::Files))
        before[name] = readFile(d.filePath(name));

    // Exports that are refused go to the temporary folder, should a fault let them write.
    const QString fifo = dir.filePath("presets.sbsprs"), unwritten = d.filePath("refused.sbsprs");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString latin1 = dir.filePath("latin1.sbsprs"), bare = dir.filePath("bare.sbsar");
    ASSERT_TRUE(writeFile(latin1, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<sbspresets>"
                                  "<sbspreset pkgurl=\"pkg://materials/wood\" label=\"Caf\xE9\"/></sbspresets>\n"));
    ASSERT_TRUE(writeFile(bare, "<sbsar formatversion=\"1\"><graph label=\"G\" pkgurl=\"pkg://g\"/></sbsar>\n"));
    const QString updir = d.path() + "/../" + d.dirName() + "/more.sbsprs";
    const auto refused = [&](const QString& target, const char* what) {
        return QString("will not export to '%1': it is %2 ('").arg(target, what);
    };
    const struct { QStringList arguments; int exitCode; QString message; } cases[] = {
        {{"materials.sbsar", "--import", file}, 0,
         "warning: Skipped preset 'Weathered Pine'. Duplicate preset already exists in material."},
        {{"materials.sbsar", "--import", latin1}, 0, "  3: Caf"},
        {{"/dev/zero"}, 1, "Unable to load Substance archive '/dev/zero': the file is not a regular file."},
        {{"materials.sbsar", "--import", fifo}, 3, "'" + fifo + "' is not a preset file: the file is not a regular file"},
        {{"materials.sbsar", "--script", fifo}, 2, "cannot read the edit script '" + fifo + "': the file is not a regular file"},
        {{bare, "--export", dir.filePath("none.sbsprs")}, 3, "the material has no presets to export"},
        {{"missing.sbsar"}, 1, "could not load the archive 'missing.sbsar'"},
        {{"materials.sbsprs"}, 1, "Unable to load Substance archive"},
        {{"panorama.sbsar"}, 1, "Panorama channel found. Substance archive not suited for normal Substance material."},
        {{"materials.sbsar", "--environment"}, 1,
         "Panorama channel missing. Substance archive not suited for Substance environment material."},
        {{"materials.sbsar", "--export", unwritten, "--presets", "0,3"}, 3, "preset indexes must be distinct and below 3"},
        {{"materials.sbsar", "--export", unwritten, "--presets", "1,1"}, 3, "preset indexes must be distinct"},
        {{"materials.sbsar", "--import", "panorama.sbsar"}, 3, "'panorama.sbsar' is not a preset file"},
        {{"materials.sbsar", "--export", "/nonexistent/dir/x.sbsprs"}, 3,
         "oxSubstanceCli: could not write the preset file '/nonexistent/dir/x.sbsprs'\n"},
        {{}, 2, "expected exactly one archive file"},
        {{"materials.sbsar", "--export", unwritten, "--presets", "a"}, 2, "'a' is not a list of preset indexes"},
        {{"materials.sbsar", "--presets", "0"}, 2, "--presets needs --export"},
        {{"materials.sbsar", "--bogus"}, 2, "Unknown option 'bogus'."},
        {{"materials.sbsar", "--name"}, 2, "Missing value after '--name'."},
        {{"materials.sbsar", "--script", "nowhere.txt"}, 2, "cannot read the edit script 'nowhere.txt': the file does not exist"},
        {{"materials.sbsar", "--script", "a.txt", "--script", "b.txt"}, 2, "--script is given more than once"},
        {{archive, "--export", archive}, 2, refused(archive, "the archive")},
        {{archive, "--export", d.filePath("link.sbsar")}, 2, refused(d.filePath("link.sbsar"), "the archive")},
        {{archive, "--export", d.filePath("materials.sbsprs")}, 2,
         refused(d.filePath("materials.sbsprs"), "the preset file beside the archive")},
        {{archive, "--export", updir, "--import", d.filePath("more.sbsprs")}, 2,
         refused(updir, "a preset file that --import reads")},
        {{archive, "--export", d.filePath("more.sbsprs"), "--edit", "add-presets " + d.filePath("more.sbsprs")}, 2,
         refused(d.filePath("more.sbsprs"), "a preset file that add-presets reads")},
        {{archive, "--export", d.filePath("edits.txt"), "--script", d.filePath("edits.txt")}, 2,
         refused(d.filePath("edits.txt"), "the edit script")},
    };
    for (const auto& c : cases)
    {
        run = runCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE((c.exitCode ? run.err : run.err + run.out).contains(c.message)) << run.err.toStdString();
        EXPECT_EQ(run.out.isEmpty(), c.exitCode != 0) << "a report exactly when the run succeeds";
        EXPECT_TRUE(c.exitCode < 2 || run.err.count('\n') == 1) << "one line: " << run.err.toStdString();
    }
    for (const QString& name : before.keys())
        EXPECT_EQ(readFile(d.filePath(name)), before.value(name)) << name.toStdString();
    for (const char* name : {"none.sbsprs", "refused.sbsprs"})
        EXPECT_FALSE(QFile::exists(d.filePath(name))) << name;
}

// README's command-line section has the help's exit codes in the same words, and the sample run's warnings.
TEST(CliTest, HelpAndReadmeTellTheSameStepsAndExitCodes)
{
    const CliRun help = runCli({"--help"});
    ASSERT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_EQ(help.err, "");
    const QString readme = QString::fromUtf8(readFile(OX_SOURCE_DIR "/README.md")).simplified();
    ASSERT_FALSE(readme.isEmpty());
    QStringList meanings;
    for (const QString& line : help.out.mid(help.out.indexOf("Exit codes:\n")).split('\n'))
    {
        if (QRegularExpression(QStringLiteral("^  \\d  ")).match(line).hasMatch())
            meanings << line.mid(5);
        else if (line.startsWith("     ") && !meanings.isEmpty())
            meanings.last() += " " + line.trimmed();
    }
    ASSERT_EQ(meanings.size(), 5) << help.out.toStdString();
    for (int code = 0; code < meanings.size(); ++code)
        EXPECT_TRUE(readme.contains(QString("%1 %2").arg(code).arg(meanings[code])))
            << "README lacks exit code " << code << ": " << meanings[code].toStdString();
    for (const QString step : {"graph GRAPH", "set PROPERTY VALUE...", "add-presets FILE", "undo [COUNT]"})
        EXPECT_TRUE(help.out.contains(step) && readme.contains("`" + step + "`")) << step.toStdString();
    for (const QString& line : SampleWarnings.split('\n', Qt::SkipEmptyParts))
        EXPECT_TRUE(readme.contains(line.simplified())) << "README lacks: " << line.toStdString();
}
