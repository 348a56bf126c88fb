// The editor as a person uses it: real mouse and key events on the named
// widgets, checked against the material and the undo stack behind them, with
// the stand-in's leak and bracket checks after every test.

#include "oxEditorDocument.h"
#include "oxHostFixture.h"
#include "oxLogPanel.h"
#include "oxPresetComparison.h"
#include "oxSubstanceEditorWindow.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"

#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"
#include "host/oxdImage.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoView>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <functional>
#include <memory>
#include <set>
#include <tuple>

/// Test messages show a QString as its text.
std::ostream& operator<<(std::ostream& out, const QString& text)
{
    return out << text.toStdString();
}

class EditorTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        window = std::make_unique<oxSubstanceEditorWindow>();
        window->resize(1400, 900);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(window->openArchive(sampleFile("materials.sbsar")));
        settle();
    }
    void TearDown() override
    {
        window.reset();
        oxHostTest::TearDown();
    }

    /// Lets the window run the refresh that the last events asked for.
    void settle()
    {
        QApplication::processEvents();
        window->document()->refreshNow();
    }

    template <class T = QWidget>
    T* find(const QString& name, const QString& child = QString())
    {
        auto* widget = window->findChild<QWidget*>(name);
        EXPECT_TRUE(widget) << "no widget " << name;
        if (!widget || child.isEmpty())
            return qobject_cast<T*>(widget);
        auto* part = widget->findChild<T*>(child);
        EXPECT_TRUE(part) << "no " << child << " in " << name;
        return part;
    }

    QVariant value(const QString& identifier)
    {
        QVariant v;
        oxSubstanceAttributeSync().getOsgAttribute(window->material(), window->document()->graphName(), identifier, v);
        return v;
    }

    int steps() { return window->undoStack()->count(); }

    /// Selects what a field holds, types \p text over it and presses Enter.
    void typeInto(QWidget* field, const QString& text)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        keyOn(field, Qt::Key_Return);
    }

    /// Presses a key on a widget that takes the focus first.
    void keyOn(QWidget* widget, Qt::Key key)
    {
        widget->setFocus();
        QTest::keyClick(widget, key);
        settle();
    }

    void click(QWidget* widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton);
        settle();
    }

    /// Runs \p answer on the modal dialog that the next event opens.
    void answerDialog(std::function<void(QWidget*)> answer)
    {
        QTimer::singleShot(0, [answer] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_TRUE(dialog) << "no dialog opened";
            answer(dialog);
        });
    }

    /// Types a file name into the file dialog that the next event opens and accepts it.
    void answerFileDialog(const QString& path)
    {
        answerDialog([path](QWidget* dialog) {
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(name);
            QTest::keyClicks(name, path);
            QTest::keyClick(name, Qt::Key_Return);
        });
    }

    /// Presses the mouse on a slider's handle, moves it by \p dx in a few steps and lets go.
    void dragSlider(QSlider* slider, int dx)
    {
        const int length = slider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider);
        const int x = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), slider->value(),
                                                      slider->width() - length);
        const QPoint handle(x + length / 2, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handle);
        for (int i = 1; i <= 4; ++i)
        {
            QMouseEvent move(QEvent::MouseMove, handle + QPoint(dx * i / 4, 0), slider->mapToGlobal(handle),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(slider, &move);
            settle();
        }
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, handle + QPoint(dx, 0));
        settle();
    }

    QAbstractItemView* presetView() { return find<QAbstractItemView>("presets"); }
    QModelIndex presetRow(int row) { return presetView()->model()->index(row, 0); }
    QStringList presetNames() { return oxSubstancePresetUtils::getPresetNameList(window->material()); }
    QRect rowRect(int row)
    {
        presetView()->doItemsLayout();
        return presetView()->visualRect(presetRow(row));
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(presetView()->viewport(), Qt::LeftButton, modifiers, rowRect(row).center());
    }
    /// A double click as the platform delivers it: a click, then the double click.
    void doubleClickRow(int row)
    {
        clickRow(row);
        QTest::mouseDClick(presetView()->viewport(), Qt::LeftButton, Qt::NoModifier, rowRect(row).center());
        settle();
    }
    /// The rows in bold: the current preset.
    QList<int> boldRows()
    {
        QList<int> rows;
        for (int row = 0; row < presetView()->model()->rowCount(); ++row)
            if (presetRow(row).data(Qt::FontRole).value<QFont>().bold())
                rows << row;
        return rows;
    }
    /// Triggers an action of the window ("undo", "applyPreset", ...) \p times times.
    void trigger(const char* action, int times = 1)
    {
        QAction* a = window->findChild<QAction*>(action);
        ASSERT_TRUE(a) << action;
        for (int i = 0; i < times; ++i)
            a->trigger();
        settle();
    }

    std::unique_ptr<oxSubstanceEditorWindow> window;
};

TEST_F(EditorTest, ShowsTheGroupsOfTheActiveGraphThatTheGraphChooserPicks)
{
    QStringList titles;
    for (QGroupBox* box : find("attributes")->findChildren<QGroupBox*>())
        titles << box->title();
    EXPECT_EQ(titles, QStringList({"Output", "Surface", "Colour", "Pattern", "Common"}));
    EXPECT_EQ(find("property:roughness")->toolTip(), "How rough the surface is.");
    EXPECT_FALSE(window->findChild<QWidget*>("property:$time")) << "an input without a label has no row";

    ASSERT_TRUE(window->openArchive(sampleFile("multigraph.sbsar")));
    keyOn(find<QComboBox>("graph"), Qt::Key_Down);
    EXPECT_EQ(window->material()->getActiveGraphIndex(), 1);
    EXPECT_EQ(archiveOf(window->material())->activeGraphIndex(), 1);
    EXPECT_EQ(find<QComboBox>("graph")->currentText(), "Tiles");
    EXPECT_EQ(value("tiles"), QVariant(6));
    EXPECT_TRUE(find("property:tiles"));
    EXPECT_EQ(steps(), 0);
}

TEST_F(EditorTest, ASliderDragIsOneUndoStepWhoseUndoRestoresTheValueFromBeforeIt)
{
    dragSlider(find<QSlider>("property:roughness", "slider"), 60);
    EXPECT_EQ(steps(), 1);
    const float dragged = value("roughness").toFloat();
    EXPECT_GT(dragged, 0.4f);
    EXPECT_EQ(float(find<QDoubleSpinBox>("property:roughness", "value")->value()), dragged);

    // A second drag right after it is a step of its own.
    dragSlider(find<QSlider>("property:roughness", "slider"), 30);
    EXPECT_EQ(steps(), 2);
    trigger("undo", 2);
    EXPECT_EQ(value("roughness"), QVariant(0.35f));
    trigger("redo");
    EXPECT_EQ(value("roughness"), QVariant(dragged));
}

// A value typed and entered is one step; the reset button enters the default.
TEST_F(EditorTest, ATypedValueOrAResetIsOneStep)
{
    // input, its field, the text typed, the value that it enters
    const std::tuple<const char*, const char*, const char*, QVariant> cases[] = {
        {"roughness", "value", "0.7", QVariant(0.7f)},
        {"tiling", "component1", "3", QVariant(QVector2D(2, 3))},
        {"contrast", "component2", "1.5", QVariant(QVector3D(1, 1, 1.5))},
        {"grain", "component3", "0.25", QVariant(QVector4D(1, 0, 0, 0.25))},
        {"knots", "component0", "7", QVariant::fromValue(QOXIntVector3D(7, 2, 10))},
        {"region", "component2", "256", QVariant::fromValue(QOXIntVector4D(0, 0, 256, 512))},
        {"$randomseed", "value", "42", QVariant(42)},
        {"notes", "text", "Pine", QVariant(QString("Pine"))},
    };
    int expectedSteps = 0;
    for (const auto& [input, field, text, expected] : cases)
    {
        typeInto(find(QString("property:") + input, field), text);
        EXPECT_EQ(steps(), ++expectedSteps) << input;
        EXPECT_EQ(value(input), expected) << input;
    }
    // Enter again on an unchanged value, or a reset of an input at its default, pushes nothing.
    typeInto(find("property:notes", "text"), "Pine");
    click(find("reset:tint"));
    EXPECT_EQ(steps(), expectedSteps);
    click(find("reset:roughness"));
    EXPECT_EQ(value("roughness"), QVariant(0.5f));
    EXPECT_EQ(steps(), expectedSteps + 1);
}

// An image is a typed path that Clear takes away; a colour comes from the colour dialog; the
// output size keeps width and height equal while synced; a map choice sets the integer of its
// caption, and knots show only while the pattern is not Herringbone (2).
TEST_F(EditorTest, EachKindOfEditorEntersItsValueAsOneStep)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mask.ppm");
    ASSERT_TRUE(writeFile(path, QByteArray("P6\n2 1\n255\n") + QByteArray("\xff\x00\x00\x00\xff\x00", 6)));
    typeInto(find("property:mask", "path"), path);
    EXPECT_NE(value("mask").value<oxdImage>().getObjectId(), 0u);
    click(find("property:mask", "clear"));
    EXPECT_EQ(value("mask").value<oxdImage>().getObjectId(), 0u);
    // A path that is no image changes nothing, and the status bar says why.
    typeInto(find("property:mask", "path"), dir.filePath("missing.ppm"));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("missing.ppm"));

    answerDialog([](QWidget* dialog) {
        for (QLineEdit* field : dialog->findChildren<QLineEdit*>())
            if (field->text().startsWith('#'))
            {
                field->selectAll();
                QTest::keyClicks(field, "#336699");
                QTest::keyClick(field, Qt::Key_Tab);
            }
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    click(find("property:tint", "colour"));
    EXPECT_EQ(value("tint"), QVariant(QVector3D(0.2f, 0.4f, 0.6f)));
    EXPECT_EQ(find<QPushButton>("property:tint", "colour")->text(), "#336699");

    auto* width = find<QComboBox>("property:$outputsize", "width");
    ASSERT_TRUE(find<QCheckBox>("property:$outputsize", "sync")->isChecked());
    keyOn(width, Qt::Key_Down);
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(10, 10, 1));
    click(find("property:$outputsize", "sync"));
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(10, 10, 0));
    EXPECT_FALSE(window->material()->getSyncOutputSize());
    keyOn(width, Qt::Key_Down);
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(11, 10, 0));
    EXPECT_EQ(find<QComboBox>("property:$outputsize", "height")->currentText(), "1024");

    auto* choice = find<QComboBox>("property:pattern", "choice");
    EXPECT_EQ(choice->currentText(), "Parquet");
    keyOn(choice, Qt::Key_Down);
    EXPECT_EQ(value("pattern"), QVariant(2));
    EXPECT_TRUE(find("property:knots")->isHidden());
    EXPECT_EQ(steps(), 7);
    trigger("undo");
    EXPECT_EQ(choice->currentText(), "Parquet");
    EXPECT_FALSE(find("property:knots")->isHidden());
}

TEST_F(EditorTest, ADoubleClickAppliesAPresetAndTheCurrentMarkFollowsUndo)
{
    EXPECT_EQ(boldRows(), QList<int>());
    doubleClickRow(1);
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(boldRows(), QList<int>{1});
    EXPECT_EQ(value("roughness"), QVariant(0.6f));
    EXPECT_EQ(find<QComboBox>("property:$outputsize", "width")->currentText(), "1024");

    // Enter applies the chosen preset. Light Oak keeps the output size that
    // Dark Walnut set, so no preset equals the state that it leaves.
    clickRow(0);
    keyOn(presetView(), Qt::Key_Return);
    EXPECT_EQ(value("roughness"), QVariant(0.25f));
    EXPECT_EQ(boldRows(), QList<int>());
    trigger("undo");
    EXPECT_EQ(boldRows(), QList<int>{1});
    trigger("undo");
    EXPECT_EQ(boldRows(), QList<int>());
    EXPECT_EQ(value("roughness"), QVariant(0.35f));

    clickRow(1);
    trigger("applyPresetDefaultSize");
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(9, 9, 1));
    EXPECT_EQ(steps(), 1);
}

// Add takes the current state under the name typed, Delete removes the
// selected presets, Recapture takes the chosen one from the current state.
TEST_F(EditorTest, AddsRemovesAndRecapturesPresetsEachAsOneStep)
{
    typeInto(find("property:roughness", "value"), "0.9");
    QTest::keyClicks(find("presetName"), "Rough Oak");
    click(find("addPreset"));
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine", "Rough Oak"}));
    EXPECT_EQ(boldRows(), QList<int>{3});
    clickRow(0);
    clickRow(2, Qt::ControlModifier);
    keyOn(presetView(), Qt::Key_Delete);
    EXPECT_EQ(presetNames(), QStringList({"Dark Walnut", "Rough Oak"}));
    clickRow(0);
    trigger("recapturePreset");
    EXPECT_EQ(boldRows(), QList<int>{0});
    EXPECT_EQ(steps(), 4);
    trigger("undo");
    EXPECT_EQ(boldRows(), QList<int>{1});
    trigger("undo", 2);
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine"}));
}

TEST_F(EditorTest, ReordersByDragAndDropAndByMoving)
{
    // A drop of the third preset onto the top of the first.
    clickRow(2);
    std::unique_ptr<QMimeData> data(presetView()->model()->mimeData({presetRow(2)}));
    const QPoint top = rowRect(0).topLeft() + QPoint(5, 1);
    for (QEvent::Type type : {QEvent::DragEnter, QEvent::DragMove, QEvent::Drop})
    {
        QDropEvent event(top, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier, type);
        QApplication::sendEvent(presetView()->viewport(), &event);
    }
    settle();
    EXPECT_EQ(presetNames(), QStringList({"Weathered Pine", "Light Oak", "Dark Walnut"}));
    EXPECT_EQ(steps(), 1);

    clickRow(0);
    trigger("movePresetDown");
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Weathered Pine", "Dark Walnut"}));
    trigger("movePresetDown");
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine"}));
    trigger("movePresetDown"); // already last
    trigger("movePresetUp");
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Weathered Pine", "Dark Walnut"}));
    EXPECT_EQ(steps(), 4);
    trigger("undo", 4);
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine"}));
}

// Import adds what the file holds that the material lacks; export writes the selected presets.
TEST_F(EditorTest, ImportsAndExportsPresetFiles)
{
    clickRow(2);
    trigger("removePresets");
    answerFileDialog(sampleFile("materials.sbsprs"));
    trigger("importPresets");
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(steps(), 2);
    const QString log = find<QPlainTextEdit>("log")->toPlainText();
    EXPECT_TRUE(log.contains("warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material."))
        << log;

    QTemporaryDir dir;
    clickRow(2);
    answerFileDialog(dir.filePath("chosen.sbsprs"));
    trigger("exportPresets");
    EXPECT_TRUE(readFile(dir.filePath("chosen.sbsprs"))
                    .startsWith("<sbspresets count=\"1\" formatversion=\"1\">\n"
                                " <sbspreset pkgurl=\"pkg://materials/wood\" label=\"Weathered Pine\" >\n"));
    EXPECT_EQ(steps(), 2) << "a file is no undo step";
}

TEST_F(EditorTest, ARefusedArchiveLeavesTheOpenMaterialAsItWas)
{
    typeInto(find("property:roughness", "value"), "0.7");
    const USubstanceMaterialPtr before = window->material();
    EXPECT_FALSE(window->openArchive(sampleFile("panorama.sbsar")));
    EXPECT_FALSE(window->openArchive(sampleFile("missing.sbsar")));
    settle();
    EXPECT_EQ(window->material(), before);
    EXPECT_EQ(value("roughness"), QVariant(0.7f));
    EXPECT_EQ(steps(), 1);
    const QString log = find<QPlainTextEdit>("log")->toPlainText();
    EXPECT_TRUE(log.contains("error: Panorama channel found. Substance archive not suited for normal Substance "
                             "material. Try Substance Panorama environment instead."))
        << log;
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("missing.sbsar"));

    // Into an environment material the panorama archive opens.
    window->setEnvironment(true);
    EXPECT_TRUE(window->openArchive(sampleFile("panorama.sbsar")));
    EXPECT_FALSE(window->material()->getParentEnvironmentMaterial().isNull());
    EXPECT_EQ(steps(), 0);
}

TEST_F(EditorTest, EveryPanelFollowsUndoAndRedoWithoutPushingAnything)
{
    // The preset added equals the one applied: two presets match, one of them is current.
    dragSlider(find<QSlider>("property:roughness", "slider"), 40);
    typeInto(find("property:notes", "text"), "Ash");
    trigger("undo");
    EXPECT_EQ(find<QLineEdit>("property:notes", "text")->text(), value("notes").toString()) << "the field keeps the focus";
    trigger("redo");
    doubleClickRow(2);
    QTest::keyClicks(find("presetName"), "Ash");
    click(find("addPreset"));
    ASSERT_EQ(steps(), 4);

    const auto panelsShowTheMaterial = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(float(find<QDoubleSpinBox>("property:roughness", "value")->value()), value("roughness").toFloat());
        EXPECT_EQ(find<QLineEdit>("property:notes", "text")->text(), value("notes").toString());
        EXPECT_EQ(presetView()->model()->rowCount(), presetNames().size());
        unsigned current = 0;
        const int bold = oxSubstancePresetUtils::getCurrentState(window->material(), current) ? int(current) : -1;
        const std::set<unsigned> matching = oxSubstancePresetUtils::getMatchingPresetIndexes(window->material());
        for (int row = 0; row < presetView()->model()->rowCount(); ++row)
        {
            EXPECT_EQ(presetRow(row).data(Qt::FontRole).value<QFont>().bold(), row == bold) << row;
            EXPECT_EQ(presetRow(row).data(Qt::DecorationRole).isNull(), matching.count(unsigned(row)) == 0) << row;
        }
        EXPECT_EQ(find<QUndoView>("history")->currentIndex().row(), window->undoStack()->index());
    };
    QSignalSpy pushes(window->undoStack(), &QUndoStack::indexChanged);
    for (const char* action : {"undo", "undo", "undo", "undo", "redo", "redo", "redo", "redo"})
    {
        trigger(action);
        panelsShowTheMaterial(action);
    }
    EXPECT_EQ(steps(), 4);
    EXPECT_EQ(pushes.count(), 8) << "each undo and redo moves the index once, and nothing else does";
    EXPECT_TRUE(window->isWindowModified());
    window->undoStack()->setClean();
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(EditorTest, ThePreviewShowsEveryRenderAlsoFromThePresetCache)
{
    const auto shown = [&] {
        return find<QLabel>("texture:diffuse")->pixmap(Qt::ReturnByValue).toImage().pixelColor(0, 0);
    };
    const auto rendered = [&] {
        const osg::Vec3f pixel =
            window->material()->getColorComponentData()->getComponentSettings("diffuse")->getImage()->getPixel(0, 0);
        return QColor::fromRgbF(pixel[0], pixel[1], pixel[2]);
    };
    EXPECT_EQ(shown(), rendered());
    trigger("renderCache");
    // Dark Walnut sets the output size that Light Oak keeps, so its second
    // apply finds the inputs of its first.
    for (int row : {1, 0, 1})
    {
        clickRow(row);
        trigger("applyPreset");
        EXPECT_EQ(shown(), rendered()) << "row " << row;
    }
    EXPECT_EQ(oxStandIn::archiveCallCount("materialUpdated"), 1) << "the second apply of a preset came from the cache";
    typeInto(find("property:roughness", "value"), "0.1");
    EXPECT_EQ(shown(), rendered());
}

TEST_F(EditorTest, TheComparisonListsWhatApplyingWouldChangeAndAgreesWithTheMatching)
{
    clickRow(0);
    auto* comparison = find<QTreeWidget>("comparison");
    QStringList inputs;
    for (int i = 0; i < comparison->topLevelItemCount(); ++i)
    {
        const QString current = comparison->topLevelItem(i)->text(1);
        inputs << comparison->topLevelItem(i)->text(0) + ": " + current + " -> " + comparison->topLevelItem(i)->text(2);
        EXPECT_GT(comparison->columnWidth(1), comparison->fontMetrics().horizontalAdvance(current)) << "shown whole";
    }
    EXPECT_EQ(inputs, QStringList({"Pattern: 1 (Parquet) -> 0 (Planks)", "Roughness: 0.35 -> 0.25", "Tiling: (2, 2) -> (1, 1) (default)",
                                   "Tint: (0.8, 0.6, 0.4) -> (0.9, 0.75, 0.55, 1)"}));
    for (int applied : {2, 0, 1})
    {
        clickRow(applied);
        trigger("applyPreset");
        const std::set<unsigned> matching = oxSubstancePresetUtils::getMatchingPresetIndexes(window->material());
        for (unsigned row = 0; row < 3; ++row)
            EXPECT_EQ(oxComparePreset(window->material(), row).empty(), matching.count(row) == 1)
                << "preset " << row << " after applying " << applied;
    }
    EXPECT_EQ(presetRow(1).data(Qt::ToolTipRole).toString(),
              "Applying 'Dark Walnut' changes nothing: it equals the current state.");
}

TEST_F(EditorTest, TheLogShowsAWarningWhenOneIsLogged)
{
    oxLog::warning("A texture of %d pixels is large.", 4096);
    QTest::qWait(3 * oxLogPanel::PollInterval);
    EXPECT_TRUE(find<QPlainTextEdit>("log")->toPlainText().endsWith("warning: A texture of 4096 pixels is large."));
    EXPECT_EQ(window->statusBar()->currentMessage(), "warning: A texture of 4096 pixels is large.");
}
