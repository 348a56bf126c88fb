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
using TranslationTest = oxHostTest;

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

TEST_F(TranslationTest, MessagesAreTranslatedInTheirClassContext)
{
    int argc = 1;
    char name[] = "TranslationTest";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    MarkingTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
    {
        osgEdit edit(m, MaterialBase::NameFieldMask);
        m->setName("Oak");
    }
    EXPECT_FALSE(oxSubstanceMaterialModifier(m).initFromFile(sampleFile("panorama.sbsar")));
    EXPECT_TRUE(oxSubstanceMaterialModifier(m).initFromFile(sampleFile("materials.sbsar")));
    // The reason is a translated text of its own.
    oxSubstanceMaterialModifier::GraphDescriptionList graphs(1);
    graphs[0].second = {{{"GROUP", "Nowhere"}, {"ID", "grain"}, {"LABEL", "Grain"}, {"VALUE", 1.f}}};
    oxSubstanceMaterialModifier(m).updateValues(graphs);
    QCoreApplication::removeTranslator(&translator);

    const std::string modifier = "[oxSubstanceMaterialModifier] ", presets = "[oxSubstancePresetUtils] ";
    EXPECT_EQ(logLines(), (Names{
        "error: " + modifier + "Panorama channel found. Substance archive not suited for normal Substance material. "
            "Try Substance Panorama environment instead.",
        "warning: " + presets + "Skipped preset 'Light Oak'. Duplicate preset already exists in material.\n",
        "warning: " + presets + "Skipped preset 'Brushed Steel'. It does not match any graph of the material.\n",
        "error: " + modifier + "Unable to apply parameter to material Oak, group: Nowhere, property grain: " +
            modifier + "Group not found."}));
    EXPECT_EQ(translator.asked.size(), 5);
}

} // namespace
