// Translated messages: each goes through Qt's translators in its class's
// context, line ends stay outside the translated text, and every text that the
// library asks to translate is in the translation file of the tree.

#include "oxHostFixture.h"

#include "host/Materials.h"
#include "oxSubstanceMaterialModifier.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QTranslator>
#include <QXmlStreamReader>

#include <memory>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;
using Text = QPair<QString, QString>; // context, source text

/// Marks every text that it is asked for as "[context] text" and remembers it.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        asked.insert({QString::fromUtf8(context), QString::fromUtf8(source)});
        return QStringLiteral("[%1] %2").arg(QString::fromUtf8(context), QString::fromUtf8(source));
    }
    bool isEmpty() const override { return false; }

    mutable QSet<Text> asked;
};

/// The (context, source) pairs of the library's translation file.
QSet<Text> textsOfTranslationFile()
{
    QFile file(QStringLiteral(OX_SOURCE_DIR "/Libs/Substance/oxSubstance/translations/oxSubstance.ts"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QSet<Text> texts;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd())
    {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            texts.insert({context, xml.readElementText()});
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return texts;
}

class TranslationTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        _app = std::make_unique<QCoreApplication>(_argc, _argv);
        ASSERT_TRUE(QCoreApplication::installTranslator(&_translator));
    }

    void TearDown() override
    {
        QCoreApplication::removeTranslator(&_translator);
        _app.reset();
        oxHostTest::TearDown();
    }

    USubstanceMaterialPtr material(const char* archive, bool expectLoaded)
    {
        USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
        {
            osgEdit edit(m, MaterialBase::NameFieldMask);
            m->setName("Oak");
        }
        EXPECT_EQ(oxSubstanceMaterialModifier(m).initFromFile(QString::fromStdString(samplePath(archive))),
                  expectLoaded);
        return m;
    }

    MarkingTranslator _translator;

private:
    int _argc = 1;
    char _name[16] = "TranslationTest";
    char* _argv[2] = {_name, nullptr};
    std::unique_ptr<QCoreApplication> _app;
};

TEST_F(TranslationTest, MessagesAreTranslatedInTheirClassContext)
{
    const std::string modifier = "[oxSubstanceMaterialModifier] ";
    const std::string presets = "[oxSubstancePresetUtils] ";

    material("panorama.sbsar", false);
    EXPECT_EQ(logLines(), Names{"error: " + modifier +
                                "Panorama channel found. Substance archive not suited for normal Substance "
                                "material. Try Substance Panorama environment instead."});

    oxStandIn::clearLogMessages();
    USubstanceMaterialPtr oak = material("materials.sbsar", true);
    EXPECT_EQ(logLines(),
              (Names{"warning: " + presets +
                         "Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
                     "warning: " + presets +
                         "Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"}));

    // The reason is a translated text of its own.
    oxStandIn::clearLogMessages();
    oxSubstanceMaterialModifier::GraphDescriptionList graphs(oak->getSubstanceGraphs().size());
    ASSERT_FALSE(graphs.empty());
    graphs[0].second = {{{"GROUP", "Nowhere"}, {"ID", "grain"}, {"LABEL", "Grain"}, {"VALUE", 1.f}}};
    oxSubstanceMaterialModifier(oak).updateValues(graphs);
    EXPECT_EQ(logLines(), Names{"error: " + modifier + "Unable to apply parameter to material Oak, group: Nowhere, "
                                                       "property grain: " + modifier + "Group not found."});

    EXPECT_EQ(_translator.asked.size(), 5);
    const QSet<Text> inFile = textsOfTranslationFile();
    for (const Text& text : _translator.asked)
        EXPECT_TRUE(inFile.contains(text)) << text.first.toStdString() << ": " << text.second.toStdString()
                                           << " is not in the translation file";
}

} // namespace
