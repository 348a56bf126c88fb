#include <gtest/gtest.h>

#include <ostream>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <string>

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(QStringLiteral(OX_SAMPLES_DIR));
    process.start(QStringLiteral(OX_BINARY_DIR "/bin/oxSubstanceCli"), arguments);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList names(const QJsonArray& array)
{
    QStringList result;
    for (const QJsonValue& v : array)
        result << v.toObject()["name"].toString();
    return result;
}

} // namespace

TEST(CliTest, PrintsWhatTheLibraryBuiltForTheSampleArchive)
{
    const CliRun run = runCli({"materials.sbsar"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char* line : {"Graph 'Wood' (active)\n", "  Group 'Surface'\n", "  Group 'Common' (shared)\n",
                             "    Roughness [roughness] float = 0.35\n",
                             "      min 0, max 1, step 0.01, defaultValue 0.5, widget \"slider\"\n",
                             "    Tint [tint] float[4] = (0.8, 0.6, 0.4)\n",
                             "    Output Size [$outputsize] int[2] = (9, 9, 1)\n",
                             "  2: Weathered Pine (from " OX_SAMPLES_DIR "/materials.sbsprs)\n",
                             "  normal: 4x4 image, data type 0x1403\n",
                             "  warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"})
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(line))) << "missing: " << line;
    EXPECT_LT(run.out.indexOf("Group 'Pattern'"), run.out.indexOf("Group 'Common' (shared)"));
}

TEST(CliTest, JsonReportCarriesGroupsValuesAndPresets)
{
    const CliRun run = runCli({"materials.sbsar", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);

    const QJsonObject graph = report["graphs"].toArray().at(0).toObject();
    EXPECT_EQ(graph["name"].toString(), "Wood");
    const QJsonArray groups = graph["groups"].toArray();
    EXPECT_EQ(names(groups), (QStringList{"Output", "Surface", "Colour", "Pattern", "Common"}));
    EXPECT_TRUE(groups.last().toObject()["common"].toBool());

    const QJsonObject tiling = groups.at(3).toObject()["attributes"].toArray().at(1).toObject();
    EXPECT_EQ(tiling["id"].toString(), "tiling");
    EXPECT_EQ(tiling["value"].toArray(), (QJsonArray{2, 2}));
    EXPECT_EQ(tiling["labels"].toArray(), (QJsonArray{"U", "V"}));
    EXPECT_EQ(names(report["presets"].toArray()), (QStringList{"Light Oak", "Dark Walnut", "Weathered Pine"}));
}

TEST(CliTest, ExportsChosenPresetsAndImportsThemBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("chosen.sbsprs");
    CliRun run = runCli({"materials.sbsar", "--export", file, "--presets", "2,0"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("<sbspresets count=\"2\" formatversion=\"1\">\n <sbspreset pkgurl=\"pkg://materials/wood\" "
                                 "label=\"Weathered Pine\" >\n"));
    EXPECT_TRUE(bytes.endsWith("</sbspresets>\n\n"));

    // The exported presets are the material's own already: importing skips both.
    run = runCli({"materials.sbsar", "--import", file, "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report["presets"].toArray().size(), 3);
    EXPECT_TRUE(report["messages"].toArray().contains(
        QJsonValue("warning: Skipped preset 'Weathered Pine'. Duplicate preset already exists in material.")));
}

struct BadInput
{
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* message;
};

/// Names the case in test listings (instead of its bytes).
void PrintTo(const BadInput& c, std::ostream* os)
{
    *os << c.name;
}

class CliBadInputTest : public ::testing::TestWithParam<BadInput>
{
};

TEST_P(CliBadInputTest, FailsWithAClearMessage)
{
    const CliRun run = runCli(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(GetParam().message))) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadInputTest,
    ::testing::Values(
        BadInput{"MissingArchive", {"missing.sbsar"}, 1, "could not load the archive 'missing.sbsar'"},
        BadInput{"MalformedArchive", {"materials.sbsprs"}, 1, "Unable to load Substance archive"},
        BadInput{"PanoramaOnNormalMaterial", {"panorama.sbsar"}, 1,
                 "Panorama channel found. Substance archive not suited for normal Substance material."},
        BadInput{"NormalArchiveOnEnvironment", {"materials.sbsar", "--environment"}, 1,
                 "Panorama channel missing. Substance archive not suited for Substance environment material."},
        BadInput{"IndexOutOfRange", {"materials.sbsar", "--export", "x.sbsprs", "--presets", "0,3"}, 3,
                 "preset indexes must be distinct and below 3"},
        BadInput{"RepeatedIndex", {"materials.sbsar", "--export", "x.sbsprs", "--presets", "1,1"}, 3,
                 "preset indexes must be distinct"},
        BadInput{"NotAPresetFile", {"materials.sbsar", "--import", "panorama.sbsar"}, 3,
                 "'panorama.sbsar' is not a preset file"},
        BadInput{"UnwritableExport", {"materials.sbsar", "--export", "/nonexistent/dir/x.sbsprs"}, 3,
                 "could not write the preset file"},
        BadInput{"NoArchive", {}, 2, "expected exactly one archive file"},
        BadInput{"IndexesNotNumbers", {"materials.sbsar", "--export", "x.sbsprs", "--presets", "a"}, 2,
                 "'a' is not a list of preset indexes"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });
