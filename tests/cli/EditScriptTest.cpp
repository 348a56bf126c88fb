#include "CliRun.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

/// Runs an archive of the samples with edit steps given as --edit options.
CliRun runSteps(const QStringList& steps, const QStringList& more = {}, const QString& archive = "materials.sbsar")
{
    QStringList arguments{archive};
    for (const QString& step : steps)
        arguments << "--edit" << step;
    return runCli(arguments + more);
}

/// The attribute values of a report by identifier ("roughness" for graph 0, "1:tiles" for another), and the
/// preset names as "presets".
QJsonObject values(const QJsonObject& report)
{
    QJsonObject result;
    const QJsonArray graphs = report["graphs"].toArray();
    for (int g = 0; g < graphs.size(); ++g)
        for (const QJsonValue& group : graphs[g]["groups"].toArray())
            for (const QJsonValue& attribute : group["attributes"].toArray())
                result[(g ? QString("%1:").arg(g) : QString()) + attribute["id"].toString()] = attribute["value"];
    QJsonArray names;
    for (const QJsonValue& preset : report["presets"].toArray())
        names.append(preset["name"]);
    result["presets"] = names;
    return result;
}

/// The report of a --json run of \p steps; fails the test when the run fails or prints more than one JSON document.
QJsonObject jsonReport(const QStringList& steps, const QString& archive = "materials.sbsar")
{
    const CliRun run = runSteps(steps, {"--json"}, archive);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8());
    EXPECT_TRUE(document.isObject()) << run.out.toStdString();
    return document.object();
}

QJsonObject size(int width, int height, bool synced)
{
    return QJsonObject{{"width", width}, {"height", height}, {"synced", synced}};
}

const char* const Verbs = " (set, apply, reset, graph, add-presets, remove, reorder, recapture, undo, redo, print, "
                          "history)";
const QString SetProperty = "Setting substance property '%1' of material 'materials' (graph 'Wood')";

} // namespace

// A script's steps go through the undo stack and print their undo texts. A bad step names the script and
// the line, counting every line; nothing runs when a line of the script does not split.
TEST(EditScriptTest, ScriptStepsPrintTheirUndoTextsAndFailuresNameTheFileAndLine)
{
    QTemporaryDir dir;
    const QString script = dir.filePath("edits.txt");
    ASSERT_TRUE(writeFile(script, "# tune the wood, try a preset, go back to the defaults\nset roughness 0.7\n\n"
                                  "set roughness 0.75\napply \"Dark Walnut\"\nreset\nundo 2\nredo\nhistory\n"));
    const CliRun run = runCli({"materials.sbsar", "--script", script});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("oxKernelServiceFactory")) << "the commands find the Substance service";
    EXPECT_TRUE(run.out.startsWith(QString("step 1: set roughness 0.7 -> %1\n"
                                           "step 2: set roughness 0.75 -> %1 (merged)\n"
                                           "step 3: apply \"Dark Walnut\" -> Apply substance preset\n"
                                           "step 4: reset -> Reset substance graph\n"
                                           "step 5: undo 2 -> undid Reset substance graph, Apply substance preset\n"
                                           "step 6: redo -> redid Apply substance preset\n"
                                           "Undo history (2 of 3 done):\n  1 %1\n  2 Apply substance preset\n"
                                           "  3 Reset substance graph (undone)\n")
                                       .arg(SetProperty.arg("roughness"))))
        << run.out.toStdString();

    const std::pair<QByteArray, QString> cases[] = {
        {"# a comment\nset roughness 0.7\n\n   # an indented comment\nfrobnicate\n",
         QString("5 (frobnicate): unknown step 'frobnicate'") + Verbs},
        {"set roughness 0.7   # a comment after a blank\nset roughness 2#\n", "2 (set roughness 2#): '2#' is not a number"},
        {"print\r\nset notes \"Old oak\r\nprint\r\n", "2 (set notes \"Old oak): a double quote is not closed"},
    };
    for (const auto& [text, message] : cases)
    {
        ASSERT_TRUE(writeFile(script, text));
        const CliRun failed = runCli({"materials.sbsar", "--script", script});
        EXPECT_EQ(failed.exitCode, 4) << message.toStdString();
        EXPECT_EQ(failed.err, QString("oxSubstanceCli: %1:%2\n").arg(script, message));
    }
    EXPECT_EQ(runCli({"materials.sbsar", "--script", script}).out, "") << "the last script's print did not run";
}

// What the steps leave, as the JSON report shows it: values are entered in the
// form in which the report prints them; presets, graphs and undo go through the library.
TEST(EditScriptTest, StepsLeaveWhatTheReportShows)
{
    const struct
    {
        QStringList steps;
        const char* key; ///< a key of values()
        QJsonValue value;
        const char* archive = "materials.sbsar";
    } cases[] = {
        {{"set $outputsize 1024 256 unsynced"}, "$outputsize", size(1024, 256, false)},
        {{"set \"Output Size\" 512 x 2048, synced"}, "$outputsize", size(512, 2048, true)},
        {{"set $outputsize 256 256 unsynced", "set $outputsize 1 4096"}, "$outputsize", size(1, 4096, false)},
        {{"set tint 1,0.5,0.25,0.5"}, "tint", QJsonArray{1, 0.5, 0.25}},
        {{"set tiling 3,5"}, "tiling", QJsonArray{3, 5}},
        {{"set knots 1 2 3"}, "knots", QJsonArray{1, 2, 3}},
        {{"set notes \"\""}, "notes", ""},
        {{"set notes \"say \\\"hi\\\" \\\\ there\""}, "notes", "say \"hi\" \\ there"},
        {{"set notes a#b # a comment"}, "notes", "a#b"},
        {{"set notes Old oak"}, "notes", "Old oak"},
        {{"set roughness 3.4028235e38"}, "roughness", 3.4028235e38},
        {{"set roughness 0.7", "apply \"Dark Walnut\"", "undo", "redo", "reset", "undo"}, "roughness", 0.6},
        {{"apply 1"}, "$outputsize", size(1024, 1024, true)},
        {{"apply 1 default-size"}, "$outputsize", size(512, 512, true)},
        {{"set roughness 0.9", "recapture 0", "apply 1", "apply 0"}, "roughness", 0.9},
        {{"set roughness 0.9", "recapture 0", "undo", "apply 1", "apply 0"}, "roughness", 0.25},
        {{"remove 2 0"}, "presets", QJsonArray{"Dark Walnut"}},
        {{"remove 2,0", "undo"}, "presets", QJsonArray{"Light Oak", "Dark Walnut", "Weathered Pine"}},
        {{"reorder 2 0 1", "undo", "redo"}, "presets", QJsonArray{"Weathered Pine", "Light Oak", "Dark Walnut"}},
        {{"remove 2", "add-presets materials.sbsprs", "undo"}, "presets", QJsonArray{"Light Oak", "Dark Walnut"}},
        {{"remove 2", "add-presets materials.sbsprs", "undo", "redo"}, "presets",
         QJsonArray{"Light Oak", "Dark Walnut", "Weathered Pine"}},
        // Another graph made active has its inputs edited; commands keep the graph they were made for.
        {{"graph Tiles", "set tiles 9"}, "1:tiles", 9, "multigraph.sbsar"},
        {{"graph 2", "set pores 0.9", "reset"}, "2:pores", 0.3, "multigraph.sbsar"},
        {{"graph 2", "set Pores 0.9", "graph 0", "set mortar 0.2"}, "2:pores", 0.9, "multigraph.sbsar"},
        {{"graph Tiles", "set tiles 9", "graph Brick", "undo"}, "1:tiles", 6, "multigraph.sbsar"},
        {{"graph Tiles", "set \"Output Size\" 2048 2048"}, "1:$outputsize", size(2048, 2048, true), "multigraph.sbsar"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.steps.join("; ").toStdString());
        EXPECT_EQ(values(jsonReport(c.steps, c.archive))[c.key], c.value);
    }
}

// With --json the output is one document, without step lines: what print and history show is part of their steps.
// An image input takes a PPM file, read before the step becomes an undo step; an empty path takes the image away.
TEST(EditScriptTest, JsonIsOneDocumentThatHoldsTheStepsPrintAndHistory)
{
    QTemporaryDir dir;
    const QString image = dir.filePath("mask.ppm");
    ASSERT_TRUE(writeFile(image, QByteArray("P6\n1 1\n255\n\x01\x02\x03", 14)));
    const QJsonObject report =
        jsonReport({"print", "set notes Pine  # a comment", "set mask " + image, "print", "history", "set mask \"\""});
    const QJsonArray edits = report["edits"].toArray();
    ASSERT_EQ(edits.size(), 6);
    EXPECT_EQ(values(edits[0]["report"].toObject())["notes"], "Oak");
    EXPECT_EQ(values(edits[3]["report"].toObject())["notes"], "Pine");
    EXPECT_TRUE(values(edits[3]["report"].toObject())["mask"].isObject());
    EXPECT_EQ(edits[4]["undoHistory"].toArray().size(), 2);
    EXPECT_EQ(edits[1]["where"], "--edit 2");
    EXPECT_EQ(edits[1]["text"], "set notes Pine");
    EXPECT_TRUE(values(report)["mask"].isNull());
    EXPECT_EQ(report["messages"].toArray().size(), 2) << "the sample's two, none of the image";
    EXPECT_EQ(report["undoHistory"], (QJsonArray{QJsonObject{{"text", SetProperty.arg("notes")}, {"done", true}},
                                                 QJsonObject{{"text", SetProperty.arg("mask")}, {"done", true}}}));
}

TEST(EditScriptTest, BadStepsStopWithOneLineNamingTheStep)
{
    const std::pair<QStringList, QString> cases[] = {
        {{"set nothing 1"}, "no property 'nothing' in graph 'Wood'"},
        {{"set roughness abc"}, "'abc' is not a number"},
        {{"set tint 1 2"}, "'1 2' is not 3 or 4 numbers"},
        {{"set pattern 1.5"}, "'1.5' is not an integer"},
        {{"set roughness nan"}, "'nan' is not a finite number that a float can hold"},
        {{"set $outputsize 9 9 1"},
         "'9 9 1' is not a width and height in pixels, optionally followed by synced or unsynced"},
        {{"set roughness 0.7", "set mask materials.sbsprs"},
         "Unable to read image 'materials.sbsprs': not a binary PPM (P6) file."},
        {{"set roughness"}, "usage: set PROPERTY VALUE..."},
        {{"set notes \"Old oak"}, "a double quote is not closed"},
        {{"apply 3"}, "no preset 3: the material has 3"},
        {{"apply Nope"}, "no preset named 'Nope'"},
        {{"apply 0 fast"}, "usage: apply PRESET [default-size]"},
        {{"graph 1"}, "no graph 1: the material has 1"},
        {{"graph Stone"}, "no graph named 'Stone'"},
        {{"graph"}, "usage: graph GRAPH"},
        {{"remove 3"}, "'3' is not a preset index (the material has 3 presets)"},
        {{"reorder 0 1"}, "the order must name each of the 3 presets once"},
        {{"reorder 0 0 1"}, "preset 0 is named twice"},
        {{"recapture 0 1"}, "usage: recapture INDEX"},
        // Its presets are on the material already, or of another graph.
        {{"add-presets materials.sbsprs"}, "'materials.sbsprs' holds no preset to add"},
        {{"add-presets nowhere.sbsprs"}, "'nowhere.sbsprs' is not a preset file: the file does not exist"},
        {{"add-presets ."}, "'.' is not a preset file: the file is not a regular file"},
        {{"undo"}, "only 0 step(s) to undo"},
        {{"set roughness 0.7", "redo"}, "only 0 step(s) to redo"},
        {{"undo 0"}, "usage: undo [COUNT]"},
        {{"frobnicate"}, QString("unknown step 'frobnicate'") + Verbs},
        {{"# only a comment"}, "empty step"},
    };
    for (const auto& [steps, message] : cases)
    {
        const CliRun run = runSteps(steps);
        EXPECT_EQ(run.exitCode, 4) << message.toStdString();
        EXPECT_EQ(run.err, QString("oxSubstanceCli: --edit %1 (%2): %3\n").arg(steps.size()).arg(steps.last(), message));
        EXPECT_FALSE(run.out.contains("Material '")) << "no report";
    }
}

// The library takes a value outside a range or map as it is; the step warns.
TEST(EditScriptTest, ValuesOutsideARangeOrMapAreSetWithAWarning)
{
    const std::pair<QStringList, QStringList> cases[] = {
        {{"set roughness 2"}, {"2 is outside the range 0 to 1"}},
        {{"set roughness -0.01"}, {"-0.01 is outside the range 0 to 1"}},
        {{"set roughness 1"}, {}},
        {{"set roughness 0"}, {}},
        {{"set pattern 7"}, {"7 is outside the range 0 to 2", "7 is not in the map \"0:Planks;1:Parquet;2:Herringbone\""}},
        {{"set pattern 2"}, {}},
        {{"set knots 0 9 0"}, {"(0, 9, 0) is outside the range (0, 1, 0) to (20, 8, 100)"}},
        {{"set $outputsize 8192 8192"}, {"8192 x 8192 is outside the range 256 x 256 to 4096 x 4096"}},
        {{"set $outputsize 4096 256 unsynced"}, {}},
        {{"set tint 1 1 1 2"}, {"(1, 1, 1, 2) is outside the range (0, 0, 0, 0) to (1, 1, 1, 1)"}},
        // Bounds that the archive does not give are both 0: no range.
        {{"graph Tiles", "set grout_colour 5 5 5"}, {}},
    };
    for (const auto& [steps, warnings] : cases)
    {
        const QJsonObject report = jsonReport(steps, steps.size() > 1 ? "multigraph.sbsar" : "materials.sbsar");
        EXPECT_EQ(report["edits"].toArray().last()["warnings"].toArray(), QJsonArray::fromStringList(warnings))
            << steps.join("; ").toStdString();
    }
    // The text form prints a float as the shortest text that reads back as the same float.
    const CliRun text = runSteps({"set roughness 1.0000001", "set $outputsize 1024 x 256, unsynced", "print"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith(
        QString("step 1: set roughness 1.0000001 -> %1\n  warning: 1.0000001 is outside the range 0 to 1\n")
            .arg(SetProperty.arg("roughness"))))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("Roughness [roughness] float = 1.0000001\n"));
    EXPECT_TRUE(text.out.contains("Output Size [$outputsize] int[2] = 1024 x 256, unsynced\n"));

    // Four numbers of a colour set its alpha too: a preset recaptured from it says so.
    QTemporaryDir dir;
    const CliRun alpha = runSteps({"set tint 1 0.5 0.25 0.5", "recapture 0"}, {"--export", dir.filePath("a.sbsprs"), "--presets", "0"});
    ASSERT_EQ(alpha.exitCode, 0) << alpha.err.toStdString();
    EXPECT_TRUE(readFile(dir.filePath("a.sbsprs")).contains("identifier=\"tint\" uid=\"5\" type=\"3\" value=\"1,0.5,0.25,0.5\""));
}
