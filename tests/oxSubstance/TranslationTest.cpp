// Translated messages: each goes through Qt's translators in its class's
// context, and line ends stay outside the translated text. (Whether the
// translation file is current is checked by scripts/update-translations.sh --check.)

#include "oxHostFixture.h"

#include "host/Materials.h"
#include "oxSubstanceMaterialModifier.h"

#include <QCoreApplication>
#include <QSet>
#include <QTranslator>

namespace {

using Names = std::vector<std::string>;
using Text = QPair<QString, QString>; // context, source text

/// Marks every text that it is asked for as "[context] text" and remembers it.
struct MarkingTranslator : QTranslator
{
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        asked.insert({QString::fromUtf8(context), QString::fromUtf8(source)});
        return QStringLiteral("[%1] %2").arg(QString::fromUtf8(context), QString::fromUtf8(source));
    }
    bool isEmpty() const override { return false; }
    mutable QSet<Text> asked;
};

TEST(TranslationTest, MessagesAreTranslatedInTheirClassContext)
{
    oxStandIn::reset();
    int argc = 1;
    char name[] = "TranslationTest";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    MarkingTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    const std::string modifier = "[oxSubstanceMaterialModifier] ", presets = "[oxSubstancePresetUtils] ";
    USubstanceMaterialPtr m = USubstanceMaterial::create();
    osg::addRef(m);
    {
        osgEdit edit(m, MaterialBase::NameFieldMask);
        m->setName("Oak");
    }
    const auto log = [] {
        Names lines;
        for (const oxStandIn::LogMessage& message : oxStandIn::logMessages())
            lines.push_back(message.text);
        oxStandIn::clearLogMessages();
        return lines;
    };
    EXPECT_FALSE(oxSubstanceMaterialModifier(m).initFromFile(QString::fromStdString(samplePath("panorama.sbsar"))));
    EXPECT_EQ(log(), Names{modifier + "Panorama channel found. Substance archive not suited for normal Substance "
                                      "material. Try Substance Panorama environment instead."});
    EXPECT_TRUE(oxSubstanceMaterialModifier(m).initFromFile(QString::fromStdString(samplePath("materials.sbsar"))));
    EXPECT_EQ(log(), (Names{presets + "Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
                            presets + "Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n"}));
    // The reason is a translated text of its own.
    oxSubstanceMaterialModifier::GraphDescriptionList graphs(1);
    graphs[0].second = {{{"GROUP", "Nowhere"}, {"ID", "grain"}, {"LABEL", "Grain"}, {"VALUE", 1.f}}};
    oxSubstanceMaterialModifier(m).updateValues(graphs);
    EXPECT_EQ(log(), Names{modifier + "Unable to apply parameter to material Oak, group: Nowhere, property grain: " +
                           modifier + "Group not found."});
    osg::subRef(m);
    QCoreApplication::removeTranslator(&translator);

    EXPECT_EQ(translator.asked.size(), 5);
}

} // namespace
