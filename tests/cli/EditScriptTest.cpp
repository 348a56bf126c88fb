#include "CliRun.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <ostream>
#include <string>
#include <vector>

namespace {

/// Runs the sample archive with edit steps given as --edit options.
CliRun runSteps(const QStringList& steps, const QStringList& more = {})
{
    QStringList arguments{"materials.sbsar"};
    for (const QString& step : steps)
        arguments << "--edit" << step;
    return runCli(arguments + more);
}

/// The attribute values of the report's first graph by identifier.
QJsonObject values(const QJsonObject& report)
{
    QJsonObject result;
    for (const QJsonValue& group : report["graphs"].toArray().at(0).toObject()["groups"].toArray())
        for (const QJsonValue& attribute : group.toObject()["attributes"].toArray())
            result[attribute.toObject()["id"].toString()] = attribute.toObject()["value"];
    return result;
}

QStringList presetNames(const QJsonObject& report)
{
    QStringList names;
    for (const QJsonValue& preset : report["presets"].toArray())
        names << preset.toObject()["name"].toString();
    return names;
}

const char* const SetRoughness = "Setting substance property 'roughness' of material 'materials' (graph 'Wood')";

} // namespace

TEST(EditScriptTest, ScriptStepsGoThroughTheUndoStackAndPrintTheirUndoTexts)
{
    QTemporaryDir dir;
    const QString script = dir.filePath("edits.txt");
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QTextStream(&file) << "# tune the wood, try a preset, go back to the defaults\n"
                              "set roughness 0.7\n"
                              "\n"
                              "set roughness 0.75\n"
                              "apply \"Dark Walnut\"\n"
                              "reset\n"
                              "undo 2\n"
                              "redo\n"
                              "history\n";
    }
    const CliRun run = runCli({"materials.sbsar", "--script", script});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("oxKernelServiceFactory")) << "the commands find the Substance service";
    const QString expected = QString("step 1: set roughness 0.7 -> %1\n"
                                     "step 2: set roughness 0.75 -> %1 (merged)\n"
                                     "step 3: apply \"Dark Walnut\" -> Apply substance preset\n"
                                     "step 4: reset -> Reset substance graph\n"
                                     "step 5: undo 2 -> undid Reset substance graph, Apply substance preset\n"
                                     "step 6: redo -> redid Apply substance preset\n"
                                     "Undo history (2 of 3 done):\n"
                                     "  1 %1\n"
                                     "  2 Apply substance preset\n"
                                     "  3 Reset substance graph (undone)\n")
                                 .arg(SetRoughness);
    EXPECT_TRUE(run.out.startsWith(expected)) << run.out.toStdString();
}

TEST(EditScriptTest, JsonReportShowsTheValuesTheStepsLeftAndTheHistory)
{
    const CliRun run = runSteps({"set roughness 0.7", "apply \"Dark Walnut\"", "undo", "redo", "reset", "undo",
                                 "set tiling 3,5", "set knots 1 2 3", "set notes Old oak"},
                                {"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonObject v = values(report);
    EXPECT_FLOAT_EQ(float(v["roughness"].toDouble()), 0.6f);
    EXPECT_EQ(v["pattern"].toInt(), 2);
    EXPECT_EQ(v["tiling"].toArray(), (QJsonArray{3, 5}));
    EXPECT_EQ(v["knots"].toArray(), (QJsonArray{1, 2, 3}));
    EXPECT_EQ(v["notes"].toString(), "Old oak");

    QStringList history;
    for (const QJsonValue& entry : report["undoHistory"].toArray())
        history << entry.toObject()["text"].toString() + (entry.toObject()["done"].toBool() ? "" : " (undone)");
    EXPECT_EQ(history.mid(0, 3), (QStringList{SetRoughness, "Apply substance preset", "Setting substance property "
                                                                                      "'tiling' of material "
                                                                                      "'materials' (graph 'Wood')"}));
    EXPECT_EQ(report["edits"].toArray().size(), 9);
    EXPECT_FALSE(run.out.contains("step 1:")) << "step lines stay out of the JSON document";
}

TEST(EditScriptTest, PresetListStepsAndTheirUndo)
{
    struct Case
    {
        QStringList steps;
        QStringList presets;
    };
    const std::vector<Case> cases{
        {{"remove 2 0"}, {"Dark Walnut"}},
        {{"remove 2,0", "undo"}, {"Light Oak", "Dark Walnut", "Weathered Pine"}},
        {{"reorder 2 0 1"}, {"Weathered Pine", "Light Oak", "Dark Walnut"}},
        {{"reorder 2 0 1", "undo", "redo"}, {"Weathered Pine", "Light Oak", "Dark Walnut"}},
        {{"remove 2", "add-presets materials.sbsprs", "undo"}, {"Light Oak", "Dark Walnut"}},
        {{"remove 2", "add-presets materials.sbsprs", "undo", "redo"}, {"Light Oak", "Dark Walnut", "Weathered Pine"}},
    };
    for (const Case& c : cases)
    {
        const CliRun run = runSteps(c.steps, {"--json"});
        ASSERT_EQ(run.exitCode, 0) << c.steps.join("; ").toStdString() << "\n" << run.err.toStdString();
        EXPECT_EQ(presetNames(QJsonDocument::fromJson(run.out.toUtf8()).object()), c.presets)
            << c.steps.join("; ").toStdString();
    }
}

TEST(EditScriptTest, RecaptureTakesTheCurrentValuesAndUndoGivesTheOldContentBack)
{
    const CliRun run = runSteps({"set roughness 0.9", "recapture 0", "apply 1", "apply 0"}, {"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FLOAT_EQ(float(values(QJsonDocument::fromJson(run.out.toUtf8()).object())["roughness"].toDouble()), 0.9f);

    const CliRun undone = runSteps({"set roughness 0.9", "recapture 0", "undo", "apply 1", "apply 0"}, {"--json"});
    ASSERT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_FLOAT_EQ(float(values(QJsonDocument::fromJson(undone.out.toUtf8()).object())["roughness"].toDouble()), 0.25f);
}

TEST(EditScriptTest, ApplyByNameOrIndexWithOrWithoutTheDefaultOutputSize)
{
    const struct
    {
        const char* step;
        int size;
    } cases[] = {{"apply \"Dark Walnut\"", 1024}, {"apply 1", 1024}, {"apply 1 default-size", 512}};
    for (const auto& c : cases)
    {
        const CliRun run = runSteps({c.step}, {"--json"});
        ASSERT_EQ(run.exitCode, 0) << c.step << "\n" << run.err.toStdString();
        const QJsonObject v = values(QJsonDocument::fromJson(run.out.toUtf8()).object());
        EXPECT_EQ(v["$outputsize"].toObject(),
                  (QJsonObject{{"width", c.size}, {"height", c.size}, {"synced", true}})) << c.step;
        EXPECT_EQ(v["notes"].toString(), "Walnut") << c.step;
    }
}

TEST(EditScriptTest, PrintShowsTheMaterialAtThatStep)
{
    const CliRun run = runSteps({"set notes Pine", "print", "undo"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("oxKernelServiceFactory")) << "the commands find the Substance service";
    const int printed = run.out.indexOf("Notes [notes] string = \"Pine\"");
    EXPECT_GE(printed, 0) << run.out.toStdString();
    EXPECT_GT(run.out.indexOf("Notes [notes] string = \"Oak\""), printed) << "the final report follows the undo";
}

TEST(EditScriptTest, BadStepsStopWithAMessageNamingTheStep)
{
    struct Case
    {
        QStringList steps;
        const char* message;
    };
    const std::vector<Case> cases{
        {{"set nothing 1"}, "step 1 (set nothing 1): no property 'nothing' in graph 'Wood'"},
        {{"set roughness abc"}, "step 1 (set roughness abc): 'abc' is not a number"},
        {{"set tiling 1"}, "step 1 (set tiling 1): '1' is not 2 numbers"},
        {{"set pattern 1.5"}, "step 1 (set pattern 1.5): '1.5' is not an integer"},
        {{"set mask nowhere.ppm"}, "step 1 (set mask nowhere.ppm): 'nowhere.ppm' is not an image file"},
        {{"set roughness"}, "step 1 (set roughness): usage: set PROPERTY VALUE..."},
        {{"apply 7"}, "step 1 (apply 7): no preset 7: the material has 3"},
        {{"apply Nope"}, "step 1 (apply Nope): no preset named 'Nope'"},
        {{"apply 0 fast"}, "step 1 (apply 0 fast): usage: apply PRESET [default-size]"},
        {{"remove 3"}, "step 1 (remove 3): '3' is not a preset index (the material has 3 presets)"},
        {{"reorder 0 1"}, "step 1 (reorder 0 1): the order must name each of the 3 presets once"},
        {{"reorder 0 0 1"}, "step 1 (reorder 0 0 1): preset 0 is named twice"},
        {{"recapture 0 1"}, "step 1 (recapture 0 1): usage: recapture INDEX"},
        {{"add-presets nowhere.sbsprs"}, "step 1 (add-presets nowhere.sbsprs): 'nowhere.sbsprs' is not a preset file"},
        // Its presets are on the material already, or of another graph.
        {{"add-presets materials.sbsprs"},
         "step 1 (add-presets materials.sbsprs): 'materials.sbsprs' holds no preset to add"},
        {{"undo"}, "step 1 (undo): only 0 step(s) to undo"},
        {{"set roughness 0.7", "redo"}, "step 2 (redo): only 0 step(s) to redo"},
        {{"undo 0"}, "step 1 (undo 0): usage: undo [COUNT]"},
        {{"frobnicate"}, "step 1 (frobnicate): unknown step 'frobnicate'"},
    };
    for (const Case& c : cases)
    {
        const CliRun run = runSteps(c.steps);
        EXPECT_EQ(run.exitCode, 4) << c.message;
        EXPECT_TRUE(run.err.startsWith(QString("oxSubstanceCli: ") + QString::fromUtf8(c.message)))
            << "expected: " << c.message << "\ngot: " << run.err.toStdString();
    }
    const CliRun missing = runCli({"materials.sbsar", "--script", "nowhere.txt"});
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_EQ(missing.err, "oxSubstanceCli: cannot read the edit script 'nowhere.txt': the file does not exist\n");
}
