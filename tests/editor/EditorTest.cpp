// The editor as a person uses it: real mouse and key events on the named
// widgets, checked against the material and the undo stack behind them, with
// the stand-in's leak and bracket checks after every test.

#include "oxAttributeEditors.h"
#include "oxEditorDocument.h"
#include "oxHostFixture.h"
#include "oxLogPanel.h"
#include "oxPresetComparison.h"
#include "oxPresetListModel.h"
#include "oxSubstanceEditorWindow.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePresetUtils.h"

#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxHostUtils.h"
#include "host/oxdImage.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDoubleSpinBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QUndoView>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <functional>
#include <memory>
#include <set>

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
        ASSERT_TRUE(window->openArchive(QString::fromStdString(samplePath("materials.sbsar"))));
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
        QTest::keyClick(field, Qt::Key_Return);
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
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        const QPoint handle =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
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
    /// The row of the current preset; -1 when none.
    int currentPreset() { return static_cast<oxPresetListModel*>(presetView()->model())->currentRow(); }
    void trigger(const char* action)
    {
        QAction* a = window->findChild<QAction*>(action);
        ASSERT_TRUE(a) << action;
        a->trigger();
        settle();
    }

    std::unique_ptr<oxSubstanceEditorWindow> window;
};

TEST_F(EditorTest, ShowsTheGroupsInTheirOrderWithTheSharedGroupLast)
{
    QStringList titles;
    for (QGroupBox* box : find("attributes")->findChildren<QGroupBox*>())
        titles << box->title();
    EXPECT_EQ(titles.last(), "Common");
    EXPECT_EQ(titles.size(), 5);
    EXPECT_TRUE(find("property:roughness", "slider"));
    EXPECT_EQ(find("property:roughness")->toolTip(), "How rough the surface is.");
    EXPECT_FALSE(window->findChild<QWidget*>("property:$time")) << "an input without a label has no row";
    EXPECT_EQ(find<QComboBox>("graph")->currentText(), "Wood");
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
    window->undoStack()->undo();
    window->undoStack()->undo();
    settle();
    EXPECT_EQ(value("roughness"), QVariant(0.35f));
    EXPECT_EQ(find<QDoubleSpinBox>("property:roughness", "value")->value(), 0.35);
    window->undoStack()->redo();
    settle();
    EXPECT_EQ(value("roughness"), QVariant(dragged));
}

TEST_F(EditorTest, ATypedValueIsOneStep)
{
    const struct
    {
        const char* input;
        const char* field;
        const char* text;
        QVariant expected;
    } cases[] = {
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
    for (const auto& c : cases)
    {
        typeInto(find(QString("property:") + c.input, c.field), c.text);
        EXPECT_EQ(steps(), ++expectedSteps) << c.input;
        EXPECT_EQ(value(c.input), c.expected) << c.input;
    }
    // Enter again on an unchanged value pushes nothing.
    typeInto(find("property:notes", "text"), "Pine");
    EXPECT_EQ(steps(), expectedSteps);
}

TEST_F(EditorTest, AColourComesFromTheColourDialog)
{
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
    QTest::mouseClick(find("property:tint", "colour"), Qt::LeftButton);
    settle();
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(value("tint"), QVariant(QVector3D(0.2f, 0.4f, 0.6f)));
    EXPECT_EQ(find<QPushButton>("property:tint", "colour")->text(), "#336699");
}

TEST_F(EditorTest, AMapChoiceSetsTheIntegerOfItsCaption)
{
    auto* choice = find<QComboBox>("property:pattern", "choice");
    EXPECT_EQ(choice->currentText(), "Parquet");
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);
    settle();
    EXPECT_EQ(value("pattern"), QVariant(2));
    EXPECT_EQ(steps(), 1);
    // Knots show only while the pattern is not Herringbone (2).
    EXPECT_TRUE(find("property:knots")->isHidden());
    window->undoStack()->undo();
    settle();
    EXPECT_EQ(choice->currentText(), "Parquet");
    EXPECT_FALSE(find("property:knots")->isHidden());
}

TEST_F(EditorTest, AnImageIsATypedPathAndClearTakesItAway)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mask.ppm");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("P6\n2 1\n255\n") + QByteArray("\xff\x00\x00\x00\xff\x00", 6));
    file.close();

    typeInto(find("property:mask", "path"), path);
    EXPECT_EQ(steps(), 1);
    EXPECT_NE(value("mask").value<oxdImage>().getObjectId(), 0u);
    QTest::mouseClick(find("property:mask", "clear"), Qt::LeftButton);
    settle();
    EXPECT_EQ(steps(), 2);
    EXPECT_EQ(value("mask").value<oxdImage>().getObjectId(), 0u);

    // A path that is no image changes nothing, and the status bar says why.
    typeInto(find("property:mask", "path"), dir.filePath("missing.ppm"));
    EXPECT_EQ(steps(), 2);
    EXPECT_FALSE(window->statusBar()->currentMessage().isEmpty());
}

TEST_F(EditorTest, TheOutputSizeKeepsWidthAndHeightEqualWhileSynced)
{
    auto* width = find<QComboBox>("property:$outputsize", "width");
    ASSERT_TRUE(find<QCheckBox>("property:$outputsize", "sync")->isChecked());
    width->setFocus();
    QTest::keyClick(width, Qt::Key_Down);
    settle();
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(10, 10, 1));

    QTest::mouseClick(find("property:$outputsize", "sync"), Qt::LeftButton);
    settle();
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(10, 10, 0));
    EXPECT_FALSE(window->material()->getSyncOutputSize());
    QTest::keyClick(width, Qt::Key_Down);
    settle();
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(11, 10, 0));
    EXPECT_EQ(find<QComboBox>("property:$outputsize", "height")->currentText(), "1024");
    EXPECT_EQ(steps(), 3);
}

TEST_F(EditorTest, ResetPutsAnInputBackToItsDefault)
{
    QTest::mouseClick(find("reset:roughness"), Qt::LeftButton);
    QTest::mouseClick(find("reset:tint"), Qt::LeftButton);
    QTest::mouseClick(find("reset:tint"), Qt::LeftButton); // at its default: nothing to do
    settle();
    EXPECT_EQ(value("roughness"), QVariant(0.5f));
    EXPECT_EQ(steps(), 1) << "the tint is at its default already";
    window->undoStack()->undo();
    settle();
    EXPECT_EQ(value("roughness"), QVariant(0.35f));
}

TEST_F(EditorTest, ADoubleClickAppliesAPresetAndTheCurrentMarkFollowsUndo)
{
    EXPECT_EQ(currentPreset(), -1);
    doubleClickRow(1);
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(currentPreset(), 1);
    EXPECT_EQ(value("roughness"), QVariant(0.6f));
    EXPECT_TRUE(presetRow(1).data(oxPresetListModel::MatchesRole).toBool());
    EXPECT_EQ(find<QDoubleSpinBox>("property:roughness", "value")->value(), 0.6);
    EXPECT_EQ(find<QComboBox>("property:$outputsize", "width")->currentText(), "1024");

    // Enter applies the chosen preset. Light Oak keeps the output size that
    // Dark Walnut set, so no preset equals the state that it leaves.
    clickRow(0);
    QTest::keyClick(presetView(), Qt::Key_Return);
    settle();
    EXPECT_EQ(value("roughness"), QVariant(0.25f));
    EXPECT_EQ(currentPreset(), -1);
    window->undoStack()->undo();
    settle();
    EXPECT_EQ(currentPreset(), 1);
    window->undoStack()->undo();
    settle();
    EXPECT_EQ(currentPreset(), -1);
    EXPECT_EQ(value("roughness"), QVariant(0.35f));

    clickRow(1);
    trigger("applyPresetDefaultSize");
    EXPECT_EQ(value("$outputsize").value<QOXIntVector3D>(), QOXIntVector3D(9, 9, 1));
    EXPECT_EQ(steps(), 1);
}

TEST_F(EditorTest, AddsTheCurrentStateAsANamedPreset)
{
    typeInto(find("property:roughness", "value"), "0.9");
    QTest::keyClicks(find("presetName"), "Rough Oak");
    QTest::mouseClick(find("addPreset"), Qt::LeftButton);
    settle();
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine", "Rough Oak"}));
    EXPECT_EQ(steps(), 2);
    EXPECT_EQ(currentPreset(), 3);
    window->undoStack()->undo();
    settle();
    EXPECT_EQ(presetNames().size(), 3);
    EXPECT_EQ(presetView()->model()->rowCount(), 3);
}

TEST_F(EditorTest, RemovesSeveralPresetsAtOnceAndUndoPutsThemBack)
{
    clickRow(0);
    clickRow(2, Qt::ControlModifier);
    QTest::keyClick(presetView(), Qt::Key_Delete);
    settle();
    EXPECT_EQ(presetNames(), QStringList({"Dark Walnut"}));
    EXPECT_EQ(steps(), 1);
    window->undoStack()->undo();
    settle();
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
    while (window->undoStack()->canUndo())
        window->undoStack()->undo();
    settle();
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine"}));
}

TEST_F(EditorTest, RecaptureTakesThePresetFromTheCurrentState)
{
    typeInto(find("property:roughness", "value"), "0.9");
    clickRow(2);
    trigger("recapturePreset");
    EXPECT_EQ(currentPreset(), 2);
    EXPECT_EQ(steps(), 2);
    window->undoStack()->undo();
    settle();
    EXPECT_EQ(currentPreset(), -1);
}

TEST_F(EditorTest, ImportsAPresetFileAndTheLogShowsWhatWasSkipped)
{
    clickRow(2);
    trigger("removePresets");
    answerFileDialog(QString::fromStdString(samplePath("materials.sbsprs")));
    trigger("importPresets");
    EXPECT_EQ(presetNames(), QStringList({"Light Oak", "Dark Walnut", "Weathered Pine"}));
    EXPECT_EQ(steps(), 2);
    const QString log = find<QPlainTextEdit>("log")->toPlainText();
    EXPECT_TRUE(log.contains("warning: Skipped preset 'Brushed Steel'. It does not match any graph of the material."))
        << log;
}

TEST_F(EditorTest, ExportsTheChosenPresetsToAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("chosen.sbsprs");
    clickRow(2);
    answerFileDialog(path);
    trigger("exportPresets");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), std::string("<sbspresets count=\"1\" formatversion=\"1\">\n"
                                         " <sbspreset pkgurl=\"pkg://materials/wood\" label=\"Weathered Pine\" >\n"
                                         "  <presetinput identifier=\"roughness\" uid=\"2\" type=\"0\" value=\"0.8\" />\n"
                                         "  <presetinput identifier=\"tint\" uid=\"5\" type=\"3\" value=\"0.7,0.65,0.55,1\" />\n"
                                         "  <presetinput identifier=\"pattern\" uid=\"7\" type=\"4\" value=\"1\" />\n"
                                         "  <presetinput identifier=\"knots\" uid=\"9\" type=\"9\" value=\"8,3,40\" />\n"
                                         "  <presetinput identifier=\"notes\" uid=\"12\" type=\"6\" value=\"Pine\" />\n"
                                         " </sbspreset>\n"
                                         "</sbspresets>\n\n"));
    EXPECT_EQ(steps(), 0) << "a file is no undo step";
}

TEST_F(EditorTest, SwitchesTheActiveGraph)
{
    ASSERT_TRUE(window->openArchive(QString::fromStdString(samplePath("multigraph.sbsar"))));
    auto* graph = find<QComboBox>("graph");
    EXPECT_TRUE(graph->isEnabled());
    graph->setFocus();
    QTest::keyClick(graph, Qt::Key_Down);
    settle();
    EXPECT_EQ(window->material()->getActiveGraphIndex(), 1);
    bool created = false;
    EXPECT_EQ(oxSubstanceArchiveFactory::instance().getMaterialArchive(window->material()->getId(), created)
                  ->activeGraphIndex(),
              1);
    EXPECT_EQ(window->document()->graphName(), "Tiles");
    EXPECT_EQ(graph->currentText(), "Tiles");
    EXPECT_EQ(steps(), 0);
}

TEST_F(EditorTest, ARefusedArchiveLeavesTheOpenMaterialAsItWas)
{
    typeInto(find("property:roughness", "value"), "0.7");
    const USubstanceMaterialPtr before = window->material();
    EXPECT_FALSE(window->openArchive(QString::fromStdString(samplePath("panorama.sbsar"))));
    EXPECT_FALSE(window->openArchive(QString::fromStdString(samplePath("missing.sbsar"))));
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
    EXPECT_TRUE(window->openArchive(QString::fromStdString(samplePath("panorama.sbsar"))));
    EXPECT_FALSE(window->material()->getParentEnvironmentMaterial().isNull());
    EXPECT_EQ(steps(), 0);
}

TEST_F(EditorTest, EveryPanelFollowsUndoAndRedoWithoutPushingAnything)
{
    // The preset added equals the one applied: two presets match, one of them is current.
    dragSlider(find<QSlider>("property:roughness", "slider"), 40);
    typeInto(find("property:notes", "text"), "Ash");
    doubleClickRow(2);
    QTest::keyClicks(find("presetName"), "Ash");
    QTest::mouseClick(find("addPreset"), Qt::LeftButton);
    settle();
    ASSERT_EQ(steps(), 4);

    auto* history = find<QUndoView>("history");
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
        EXPECT_EQ(history->currentIndex().row(), window->undoStack()->index());
    };
    QSignalSpy pushes(window->undoStack(), &QUndoStack::indexChanged);
    for (int i = 0; i < 4; ++i)
    {
        window->undoStack()->undo();
        settle();
        panelsShowTheMaterial("undo");
    }
    for (int i = 0; i < 4; ++i)
    {
        window->undoStack()->redo();
        settle();
        panelsShowTheMaterial("redo");
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
        const QImage tile = find<QLabel>("texture:diffuse")->pixmap(Qt::ReturnByValue).toImage();
        return tile.pixelColor(0, 0);
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
        inputs << comparison->topLevelItem(i)->text(0) + ": " + comparison->topLevelItem(i)->text(1) + " -> " +
                      comparison->topLevelItem(i)->text(2);
    EXPECT_EQ(inputs, QStringList({"Pattern: 1 -> 0", "Roughness: 0.35 -> 0.25", "Tiling: (2, 2) -> (1, 1) (default)",
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
