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

/// The attribute values of one graph of the report by identifier.
QJsonObject values(const QJsonObject& report, int graph = 0)
{
    QJsonObject result;
    for (const QJsonValue& group : report["graphs"].toArray().at(graph).toObject()["groups"].toArray())
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

/// The report of a --json run; fails the test when the output is not one JSON document.
QJsonObject jsonReport(const CliRun& run)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                     << run.out.toStdString();
    return document.object();
}

const char* const Verbs = " (set, apply, reset, graph, add-presets, remove, reorder, recapture, undo, redo, print, "
                          "history)";

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

TEST(EditScriptTest, BadStepsStopWithOneLineNamingTheStep)
{
    struct Case
    {
        QStringList steps;
        QString message;
    };
    const std::vector<Case> cases{
        {{"set nothing 1"}, "--edit 1 (set nothing 1): no property 'nothing' in graph 'Wood'"},
        {{"set roughness abc"}, "--edit 1 (set roughness abc): 'abc' is not a number"},
        {{"set tiling 1"}, "--edit 1 (set tiling 1): '1' is not 2 numbers"},
        {{"set tint 1 2"}, "--edit 1 (set tint 1 2): '1 2' is not 3 or 4 numbers"},
        {{"set grain 1 2 3"}, "--edit 1 (set grain 1 2 3): '1 2 3' is not 4 numbers"},
        {{"set pattern 1.5"}, "--edit 1 (set pattern 1.5): '1.5' is not an integer"},
        {{"set roughness nan"}, "--edit 1 (set roughness nan): 'nan' is not a finite number that a float can hold"},
        {{"set roughness inf"}, "--edit 1 (set roughness inf): 'inf' is not a finite number that a float can hold"},
        {{"set roughness -inf"}, "--edit 1 (set roughness -inf): '-inf' is not a finite number that a float can hold"},
        {{"set roughness 1e40"}, "--edit 1 (set roughness 1e40): '1e40' is not a finite number that a float can hold"},
        {{"set tiling 1 inf"}, "--edit 1 (set tiling 1 inf): 'inf' is not a finite number that a float can hold"},
        {{"set $outputsize 1000 1024"}, "--edit 1 (set $outputsize 1000 1024): '1000' is not a power of two"},
        {{"set $outputsize 512 0"}, "--edit 1 (set $outputsize 512 0): '0' is not a power of two"},
        {{"set $outputsize 512 -512"}, "--edit 1 (set $outputsize 512 -512): '-512' is not a power of two"},
        {{"set $outputsize 9 9 1"},
         "--edit 1 (set $outputsize 9 9 1): '9 9 1' is not a width and height in pixels, optionally followed by "
         "synced or unsynced"},
        {{"set mask nowhere.ppm"}, "--edit 1 (set mask nowhere.ppm): Unable to read image 'nowhere.ppm': the file "
                                   "does not exist."},
        {{"set mask materials.sbsprs"}, "--edit 1 (set mask materials.sbsprs): Unable to read image "
                                        "'materials.sbsprs': not a binary PPM (P6) file."},
        {{"set roughness"}, "--edit 1 (set roughness): usage: set PROPERTY VALUE..."},
        {{"set notes \"Old oak"}, "--edit 1 (set notes \"Old oak): a double quote is not closed"},
        {{"apply 7"}, "--edit 1 (apply 7): no preset 7: the material has 3"},
        {{"apply Nope"}, "--edit 1 (apply Nope): no preset named 'Nope'"},
        {{"apply 0 fast"}, "--edit 1 (apply 0 fast): usage: apply PRESET [default-size]"},
        {{"graph 1"}, "--edit 1 (graph 1): no graph 1: the material has 1"},
        {{"graph Stone"}, "--edit 1 (graph Stone): no graph named 'Stone'"},
        {{"graph"}, "--edit 1 (graph): usage: graph GRAPH"},
        {{"remove 3"}, "--edit 1 (remove 3): '3' is not a preset index (the material has 3 presets)"},
        {{"reorder 0 1"}, "--edit 1 (reorder 0 1): the order must name each of the 3 presets once"},
        {{"reorder 0 0 1"}, "--edit 1 (reorder 0 0 1): preset 0 is named twice"},
        {{"recapture 0 1"}, "--edit 1 (recapture 0 1): usage: recapture INDEX"},
        {{"add-presets nowhere.sbsprs"},
         "--edit 1 (add-presets nowhere.sbsprs): 'nowhere.sbsprs' is not a preset file: the file does not exist"},
        // Its presets are on the material already, or of another graph.
        {{"add-presets materials.sbsprs"},
         "--edit 1 (add-presets materials.sbsprs): 'materials.sbsprs' holds no preset to add"},
        {{"undo"}, "--edit 1 (undo): only 0 step(s) to undo"},
        {{"set roughness 0.7", "redo"}, "--edit 2 (redo): only 0 step(s) to redo"},
        {{"undo 0"}, "--edit 1 (undo 0): usage: undo [COUNT]"},
        {{"frobnicate"}, QString("--edit 1 (frobnicate): unknown step 'frobnicate'") + Verbs},
        {{"# only a comment"}, "--edit 1 (# only a comment): empty step"},
    };
    for (const Case& c : cases)
    {
        const CliRun run = runSteps(c.steps);
        EXPECT_EQ(run.exitCode, 4) << c.message.toStdString();
        EXPECT_EQ(run.err, "oxSubstanceCli: " + c.message + "\n");
    }
}

// A file that add-presets refuses is refused for the reason that --import gives.
TEST(EditScriptTest, AddPresetsRefusesAFileForTheReasonThatImportGives)
{
    for (const QString file : {"nowhere.sbsprs", "materials.sbsar", "."})
    {
        const CliRun imported = runCli({"materials.sbsar", "--import", file});
        const CliRun added = runSteps({"add-presets " + file});
        EXPECT_EQ(imported.exitCode, 3) << file.toStdString();
        EXPECT_EQ(added.exitCode, 4) << file.toStdString();
        const QString reason = imported.err.mid(QString("oxSubstanceCli: ").size());
        EXPECT_TRUE(reason.startsWith("'" + file + "' is not a preset file: ")) << reason.toStdString();
        EXPECT_EQ(added.err, QString("oxSubstanceCli: --edit 1 (add-presets %1): %2").arg(file, reason));
    }
}

// A script's bad step names the script and the line, counting every line;
// nothing runs when a line of the script does not split.
TEST(EditScriptTest, ScriptFailuresNameTheFileAndLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct
    {
        QByteArray script;
        QString message; // after "<script>:"
    } cases[] = {
        {"# a comment\nset roughness 0.7\n\n   # an indented comment\nfrobnicate\n",
         QString("5 (frobnicate): unknown step 'frobnicate'") + Verbs},
        {"set roughness 0.7\r\nset notes \"Old oak\r\nprint\r\n",
         "2 (set notes \"Old oak): a double quote is not closed"},
        {"set roughness 0.7   # a comment after a blank\nset roughness 2#\n",
         "2 (set roughness 2#): '2#' is not a number"},
    };
    for (const auto& c : cases)
    {
        const QString script = dir.filePath("edits.txt");
        ASSERT_TRUE(writeFile(script, c.script));
        const CliRun run = runCli({"materials.sbsar", "--script", script});
        EXPECT_EQ(run.exitCode, 4) << c.message.toStdString();
        EXPECT_EQ(run.err, QString("oxSubstanceCli: %1:%2\n").arg(script, c.message));
    }
    // The quote is refused before any step runs.
    EXPECT_EQ(runCli({"materials.sbsar", "--script", dir.filePath("edits.txt")}).exitCode, 4);
    ASSERT_TRUE(writeFile(dir.filePath("edits.txt"), "print\nset notes \"unclosed\n"));
    EXPECT_EQ(runCli({"materials.sbsar", "--script", dir.filePath("edits.txt")}).out, "");
}

// Values are entered in the form in which the report prints them.
TEST(EditScriptTest, ValuesAreEnteredAsTheReportPrintsThem)
{
    const auto size = [](int width, int height, bool synced) {
        return QJsonObject{{"width", width}, {"height", height}, {"synced", synced}};
    };
    const struct
    {
        QStringList steps;
        const char* id;
        QJsonValue value;
    } cases[] = {
        {{"set $outputsize 1024 1024"}, "$outputsize", size(1024, 1024, true)},
        {{"set $outputsize 1024 256 unsynced"}, "$outputsize", size(1024, 256, false)},
        {{"set \"Output Size\" 512 x 2048, synced"}, "$outputsize", size(512, 2048, true)},
        {{"set $outputsize 256 256 unsynced", "set $outputsize 1 4096"}, "$outputsize", size(1, 4096, false)},
        {{"set tint 1 0.5 0.25"}, "tint", QJsonArray{1, 0.5, 0.25}},
        {{"set tint 1,0.5,0.25,0.5"}, "tint", QJsonArray{1, 0.5, 0.25}},
        {{"set grain 0 1 0 1"}, "grain", QJsonArray{0, 1, 0, 1}},
        {{"set notes \"\""}, "notes", ""},
        {{"set notes \"say \\\"hi\\\" \\\\ there\""}, "notes", "say \"hi\" \\ there"},
        {{"set notes a#b # a comment"}, "notes", "a#b"},
        {{"set roughness 0.7 #0.9"}, "roughness", 0.7},
        {{"set roughness 3.4028235e38"}, "roughness", 3.4028235e38},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps.join("; ").toStdString());
        const CliRun run = runSteps(c.steps, {"--json"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(values(jsonReport(run))[c.id], c.value);
    }

    // The text form prints the output size as it is entered.
    const CliRun printed = runSteps({"set $outputsize 1024 x 256, unsynced"});
    EXPECT_TRUE(printed.out.contains("Output Size [$outputsize] int[2] = 1024 x 256, unsynced\n"))
        << printed.out.toStdString();

    // Four numbers of a colour set its alpha too: a preset recaptured from it says so.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("alpha.sbsprs");
    const CliRun run = runSteps({"set tint 1 0.5 0.25 0.5", "recapture 0"}, {"--export", file, "--presets", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(readFile(file).contains("identifier=\"tint\" uid=\"5\" type=\"3\" value=\"1,0.5,0.25,0.5\""));
}

// The library takes a value outside a range or map as it is; the step warns.
TEST(EditScriptTest, ValuesOutsideARangeOrMapAreSetWithAWarning)
{
    const struct
    {
        QStringList steps;
        QStringList warnings; // of the last step
        const char* archive;
    } cases[] = {
        {{"set roughness 2"}, {"2 is outside the range 0 to 1"}, "materials.sbsar"},
        {{"set roughness -0.01"}, {"-0.01 is outside the range 0 to 1"}, "materials.sbsar"},
        {{"set roughness 1"}, {}, "materials.sbsar"},
        {{"set roughness 0"}, {}, "materials.sbsar"},
        {{"set pattern 7"},
         {"7 is outside the range 0 to 2", "7 is not in the map \"0:Planks;1:Parquet;2:Herringbone\""},
         "materials.sbsar"},
        {{"set pattern 2"}, {}, "materials.sbsar"},
        {{"set tiling 9 0.5"}, {"(9, 0.5) is outside the range (0.5, 0.5) to (8, 8)"}, "materials.sbsar"},
        {{"set knots 0 9 0"}, {"(0, 9, 0) is outside the range (0, 1, 0) to (20, 8, 100)"}, "materials.sbsar"},
        {{"set $outputsize 8192 8192"}, {"8192 x 8192 is outside the range 256 x 256 to 4096 x 4096"},
         "materials.sbsar"},
        {{"set $outputsize 4096 256 unsynced"}, {}, "materials.sbsar"},
        {{"set tint 1 1 1 2"}, {"(1, 1, 1, 2) is outside the range (0, 0, 0, 0) to (1, 1, 1, 1)"}, "materials.sbsar"},
        // Bounds that the archive does not give are both 0: no range.
        {{"graph Tiles", "set grout_colour 5 5 5"}, {}, "multigraph.sbsar"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps.join("; ").toStdString());
        QStringList arguments{c.archive, "--json"};
        for (const QString& step : c.steps)
            arguments << "--edit" << step;
        const CliRun run = runCli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonArray edits = jsonReport(run)["edits"].toArray();
        EXPECT_EQ(edits.last()["warnings"].toArray(), QJsonArray::fromStringList(c.warnings));
    }

    const CliRun text = runSteps({"set roughness 2", "print"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith(QString("step 1: set roughness 2 -> %1\n"
                                            "  warning: 2 is outside the range 0 to 1\n"
                                            "Material 'materials'\n")
                                        .arg(SetRoughness)))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Roughness [roughness] float = 2\n"));
}

// With --json, what print and history show is in the one report, as part of their steps.
TEST(EditScriptTest, JsonIsOneDocumentThatHoldsWhatPrintAndHistoryShow)
{
    const CliRun run = runSteps({"print", "set notes Pine  # a comment", "history", "print"}, {"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject report = jsonReport(run);
    const QJsonArray edits = report["edits"].toArray();
    ASSERT_EQ(edits.size(), 4);
    EXPECT_EQ(values(edits[0]["report"].toObject())["notes"], "Oak");
    EXPECT_EQ(values(edits[3]["report"].toObject())["notes"], "Pine");
    EXPECT_EQ(edits[2]["undoHistory"].toArray().size(), 1);
    EXPECT_EQ(edits[1]["where"], "--edit 2");
    EXPECT_EQ(edits[1]["text"], "set notes Pine");
    EXPECT_EQ(values(report)["notes"], "Pine");
}

// Another graph made active has its inputs edited; commands keep the graph they were made for.
TEST(EditScriptTest, GraphStepMakesAnotherGraphActive)
{
    const struct
    {
        QStringList steps;
        int active;
        int graph;
        const char* id;
        QJsonValue value;
    } cases[] = {
        {{"graph Tiles", "set tiles 9"}, 1, 1, "tiles", 9},
        {{"graph 2", "set pores 0.9", "reset"}, 2, 2, "pores", 0.3},
        {{"graph 2", "set Pores 0.9", "graph 0", "set mortar 0.2"}, 0, 2, "pores", 0.9},
        {{"graph Tiles", "set tiles 9", "graph Brick", "undo"}, 0, 1, "tiles", 6},
        {{"graph Tiles", "set \"Output Size\" 2048 2048"}, 1, 1, "$outputsize",
         QJsonObject{{"width", 2048}, {"height", 2048}, {"synced", true}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps.join("; ").toStdString());
        QStringList arguments{"multigraph.sbsar", "--json"};
        for (const QString& step : c.steps)
            arguments << "--edit" << step;
        const CliRun run = runCli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonObject report = jsonReport(run);
        EXPECT_EQ(report["activeGraph"].toInt(), c.active);
        EXPECT_EQ(values(report, c.graph)[c.id], c.value);
    }

    const CliRun text = runCli({"multigraph.sbsar", "--edit", "graph Tiles", "--edit", "print"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("step 1: graph Tiles -> active graph 'Tiles'\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Graph 'Brick'\n"));
    EXPECT_TRUE(text.out.contains("Graph 'Tiles' (active)\n"));
}

// An image input takes a PPM file; a file that does not read is a failed step, said once.
TEST(EditScriptTest, ImageFilesAreReadBeforeTheStepBecomesAnUndoStep)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath("mask.ppm");
    const QString text = dir.filePath("notimage.txt");
    ASSERT_TRUE(writeFile(image, QByteArray("P6\n1 1\n255\n\x01\x02\x03", 14)));
    ASSERT_TRUE(writeFile(text, "not an image\n"));

    const CliRun set = runSteps({"set mask " + image, "history", "set mask \"\""}, {"--json"});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    const QJsonObject report = jsonReport(set);
    const QJsonArray edits = report["edits"].toArray();
    EXPECT_EQ(edits[1]["undoHistory"].toArray().size(), 1);
    EXPECT_TRUE(values(report)["mask"].isNull()) << "an empty path takes the image away";
    EXPECT_EQ(report["messages"].toArray(), jsonReport(runCli({"materials.sbsar", "--json"}))["messages"].toArray())
        << "no message of the image";

    const CliRun refused = runSteps({"set roughness 0.7", "set mask " + text, "history"});
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_EQ(refused.err, QString("oxSubstanceCli: --edit 2 (set mask %1): Unable to read image '%1': not a binary "
                                   "PPM (P6) file.\n")
                               .arg(text));
    EXPECT_FALSE(refused.out.contains("step 2")) << refused.out.toStdString();
}
