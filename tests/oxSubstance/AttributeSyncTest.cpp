// Attribute sync: typed attribute values to and from QVariant, and property search by graph.

#include "oxHostFixture.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceCommandSupport.h"

#include "oxStandInServices.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/OSGImage.h"
#include "host/QSubstanceArchive.h"
#include "host/QOXIntVector.h"
#include "host/oxdImage.h"

#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

/// Converts to QVector2D and QOXIntVector2D only through the converters registered below.
struct Probe
{
    int a, b;
};

} // namespace

Q_DECLARE_METATYPE(Probe)

namespace {

template <class T>
QVariant var(const T& v)
{
    return QVariant::fromValue(v);
}

const QVariant probe = var(Probe{1, 2});
const bool probeConverts = [] {
    QMetaType::registerConverter<Probe, QVector2D>([](const Probe& p) { return QVector2D(p.a, p.b); });
    QMetaType::registerConverter<Probe, QOXIntVector2D>([](const Probe& p) { return QOXIntVector2D(p.a, p.b); });
    return true;
}();

template <class C>
AttributeValuePtr make()
{
    return C::create();
}

/// A value class, the mask its current value is written under, and its widget.
struct Kind
{
    AttributeValuePtr (*create)();
    osg::BitVector mask;
    const char* widget = "slider";
};

using I2 = AttributeInt2DValueBase;
using I3 = AttributeInt3DValueBase;
using I4 = AttributeInt4DValueBase;
const Kind kFloat{&make<AttributeFloatValue>, AttributeFloatValueBase::FloatValueFieldMask};
const Kind kFloat2{&make<AttributeFloat2DValue>, AttributeFloat2DValueBase::FloatVectorValueFieldMask};
const Kind kFloat3{&make<AttributeFloat3DValue>, AttributeFloat3DValueBase::FloatVectorValueFieldMask};
const Kind kFloat4{&make<AttributeFloat4DValue>, AttributeFloat4DValueBase::ColorValueFieldMask};
const Kind kColour{&make<AttributeFloat4DValue>, AttributeFloat4DValueBase::ColorValueFieldMask, "color"};
const Kind kInt{&make<AttributeIntValue>, AttributeIntValueBase::IntValueFieldMask};
const Kind kInt2{&make<AttributeInt2DValue>, I2::IntValueXFieldMask | I2::IntValueYFieldMask};
const Kind kInt3{&make<AttributeInt3DValue>, I3::IntValueXFieldMask | I3::IntValueYFieldMask | I3::IntValueZFieldMask};
const Kind kInt4{&make<AttributeInt4DValue>,
                 I4::IntValueXFieldMask | I4::IntValueYFieldMask | I4::IntValueZFieldMask | I4::IntValueWFieldMask};
const Kind kString{&make<AttributeStringValue>, AttributeStringValueBase::StringValueFieldMask};

/// A new value of the kind with the given identifier, held by the caller.
AttributeValuePtr createValue(const Kind& kind, const std::string& uuid)
{
    const AttributeValuePtr v = kind.create();
    osgEdit edit(v, AttributeBase::UuidFieldMask | AttributeValueBase::WidgetFieldMask);
    v->setUuid(uuid);
    v->setWidget(kind.widget);
    return v;
}

struct WriteCase
{
    const char* name;
    const Kind& kind;
    QVariant input;
    QVariant read;      ///< the value read back, type included
    float alpha = -1;   ///< the stored alpha of a colour; not checked when negative
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

const WriteCase kWriteCases[] = {
    {"FloatFromText", kFloat, QString("3.5"), QVariant(3.5f)},
    {"FloatFromNonNumber", kFloat, QString("rough"), QVariant(0.0f)},
    {"Float2FromVector", kFloat2, var(QVector2D(0.5f, -1)), var(QVector2D(0.5f, -1))},
    {"Float2FromConvertible", kFloat2, probe, var(QVector2D(1, 2))},
    {"Float2FromWrongClass", kFloat2, var(QVector3D(1, 2, 3)), var(QVector2D())},
    {"Float3FromVector", kFloat3, var(QVector3D(1, -2, 0.25f)), var(QVector3D(1, -2, 0.25f))},
    {"Float4FromVector", kFloat4, var(QVector4D(1, 2, 3, 0.5f)), var(QVector4D(1, 2, 3, 0.5f))},
    {"Float4FromVector3IsNoColour", kFloat4, var(QVector3D(1, 2, 3)), var(QVector4D())},
    {"ColourFromVector3IsOpaque", kColour, var(QVector3D(0.25f, 0.5f, 0.75f)), var(QVector3D(0.25f, 0.5f, 0.75f)), 1},
    {"ColourFromVector4KeepsAlpha", kColour, var(QVector4D(1, 0, 0, 0.125f)), var(QVector3D(1, 0, 0)), 0.125f},
    {"IntFromText", kInt, QString("-17"), QVariant(-17)},
    {"IntFromNonNumber", kInt, QString("many"), QVariant(0)},
    {"Int2FromVector", kInt2, var(QOXIntVector2D(3, -4)), var(QOXIntVector2D(3, -4))},
    {"Int2FromConvertible", kInt2, probe, var(QOXIntVector2D(1, 2))},
    {"Int2FromWrongClass", kInt2, var(QOXIntVector3D(5, 6, 1)), var(QOXIntVector2D())},
    {"Int3FromVector", kInt3, var(QOXIntVector3D(1, 2, -3)), var(QOXIntVector3D(1, 2, -3))},
    {"Int4FromVector", kInt4, var(QOXIntVector4D(1, -2, 3, -4)), var(QOXIntVector4D(1, -2, 3, -4))},
    {"StringFromText", kString, QString::fromUtf8(u8"Béton"), QString::fromUtf8(u8"Béton")},
    {"StringFromInt", kString, QVariant(12), QString("12")},
};

class AttributeSyncWriteTest : public oxHostTest, public ::testing::WithParamInterface<WriteCase>
{
};

using AttributeSyncTest = oxHostTest;

void setSyncFlag(const USubstanceMaterialPtr& material, bool sync)
{
    osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
    material->setSyncOutputSize(sync);
}

} // namespace

TEST_P(AttributeSyncWriteTest, WritesUnderItsMaskAndReadsBack)
{
    ASSERT_TRUE(probeConverts);
    const WriteCase& c = GetParam();
    const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    AttributeValuePtr value = hold(createValue(c.kind, "input"));
    oxStandIn::clearEditLog();

    oxSubstanceAttributeSync sync;
    ASSERT_TRUE(sync.setOsgAttribute(material, value, c.input));
    const std::vector<oxStandIn::EditRecord> brackets = bracketsOn(value->getId());
    ASSERT_EQ(brackets.size(), 1u);
    EXPECT_EQ(brackets[0].mask, c.kind.mask);
    EXPECT_TRUE(bracketsOn(material->getId()).empty());

    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(material, value, read));
    EXPECT_EQ(read.userType(), c.read.userType()) << read.typeName() << " instead of " << c.read.typeName();
    EXPECT_EQ(read, c.read);
    if (c.alpha >= 0)
    {
        EXPECT_EQ(AttributeFloat4DValuePtr::dcast(value)->getColorValue()[3], c.alpha);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, AttributeSyncWriteTest, ::testing::ValuesIn(kWriteCases),
                         [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

// An infinity or NaN, given or made by the conversion to float, never enters a value.
TEST_F(AttributeSyncTest, NonFiniteFloatsAreNotWritten)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        const Kind& kind;
        QVariant input;
    } cases[] = {{kFloat, QVariant(nan)},
                 {kFloat, QVariant(1e40)},
                 {kFloat, QString("-inf")},
                 {kFloat2, var(QVector2D(1, inf))},
                 {kFloat3, var(QVector3D(nan, 0, 0))},
                 {kFloat4, var(QVector4D(0, 0, 0, -inf))},
                 {kColour, var(QVector3D(0, inf, 0))},
                 {kColour, var(QVector4D(0, 0, nan, 1))}};
    const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.input.toString().toStdString());
        AttributeValuePtr value = hold(createValue(c.kind, "rough%s"));
        oxSubstanceAttributeSync sync;
        QVariant before;
        ASSERT_TRUE(sync.getOsgAttribute(material, value, before));
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
        EXPECT_FALSE(sync.setOsgAttribute(material, value, c.input));
        EXPECT_TRUE(oxStandIn::editLog().empty());
        QVariant after;
        ASSERT_TRUE(sync.getOsgAttribute(material, value, after));
        EXPECT_EQ(after, before);
        EXPECT_EQ(logLines(), std::vector<std::string>{"warning: Value of substance property 'rough%s' is not a finite "
                                                       "number. It was not written."});
    }
}

TEST_F(AttributeSyncTest, OutputSizeCarriesTheMaterialFlagInZ)
{
    const struct
    {
        const char* uuid;
        bool flagBefore;
        QVariant input;
        bool flagAfter;
        QVariant read;
    } cases[] = {
        {"$outputsize", false, var(QOXIntVector3D(512, 1024, 1)), true, var(QOXIntVector3D(512, 1024, 1))},
        {"$outputsize", true, var(QOXIntVector3D(512, 1024, 0)), false, var(QOXIntVector3D(512, 1024, 0))},
        {"$outputsize", true, var(QOXIntVector3D(256, 128, 2)), false, var(QOXIntVector3D(256, 128, 0))},
        {"$outputsize", true, var(QOXIntVector2D(128, 64)), true, var(QOXIntVector3D(128, 64, 1))},
        {"$OutputSize", false, var(QOXIntVector3D(512, 1024, 1)), false, var(QOXIntVector2D(0, 0))},
        {"$outputsize ", true, var(QOXIntVector3D(512, 1024, 0)), true, var(QOXIntVector2D(0, 0))},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string("'") + c.uuid + "' given " + c.input.typeName() + ", flag " +
                     (c.flagBefore ? "set" : "clear"));
        const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
        setSyncFlag(material, c.flagBefore);
        AttributeValuePtr value = hold(createValue(kInt2, c.uuid));
        oxStandIn::clearEditLog();

        oxSubstanceAttributeSync sync;
        ASSERT_TRUE(sync.setOsgAttribute(material, value, c.input));
        EXPECT_EQ(material->getSyncOutputSize(), c.flagAfter);
        for (const oxStandIn::EditRecord& r : bracketsOn(material->getId()))
            EXPECT_EQ(r.mask, USubstanceMaterialBase::SyncOutputSizeFieldMask);
        QVariant read;
        ASSERT_TRUE(sync.getOsgAttribute(material, value, read));
        EXPECT_EQ(read.userType(), c.read.userType()) << read.typeName();
        EXPECT_EQ(read, c.read);
    }
}

TEST_F(AttributeSyncTest, NullHandles)
{
    const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    setSyncFlag(material, true);
    AttributeValuePtr value = hold(createValue(kInt2, "$outputsize"));
    AttributeValuePtr none;
    oxSubstanceAttributeSync sync;
    QVariant read("untouched");
    EXPECT_FALSE(sync.setOsgAttribute(material, none, var(QOXIntVector3D(1, 2, 0))));
    EXPECT_FALSE(sync.getOsgAttribute(material, none, read));
    EXPECT_EQ(read, QVariant("untouched"));

    // Without a material the output size is written, its flag neither written nor read.
    EXPECT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, var(QOXIntVector3D(8, 16, 0))));
    EXPECT_EQ(AttributeInt2DValuePtr::dcast(value)->getIntValueY(), 16);
    EXPECT_TRUE(material->getSyncOutputSize()) << "the material of an earlier call is not remembered";
    EXPECT_FALSE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, read));
    EXPECT_EQ(read, QVariant("untouched"));
}

TEST_F(AttributeSyncTest, ImageTravelsAsImageVariantAndCountsReferences)
{
    const ImagePtr image = hold(osg::Image::create());
    AttributeValuePtr value = hold(AttributeImageValue::create());
    oxSubstanceAttributeSync sync;
    ASSERT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, var(oxdImage(image->getId()))));
    EXPECT_EQ(AttributeImageValuePtr::dcast(value)->getImage(), image);
    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, read));
    ASSERT_EQ(read.userType(), qMetaTypeId<oxdImage>());
    ASSERT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, read));
    EXPECT_EQ(image->getRefCount(), 2) << "the value holds one reference, also after writing back what was read";
    ASSERT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, QVariant()));
    EXPECT_EQ(image->getRefCount(), 1);
}

// ---------------------------------------------------------------- property search

namespace {

/// Graph name and its one group of (identifier, label) float values; a null identifier stands for a null entry.
using GraphSpec = std::pair<const char*, std::vector<std::pair<const char*, const char*>>>;

/// A new material; the material holds the graphs, the graphs the groups and the groups the values.
USubstanceMaterialPtr buildMaterial(const std::vector<GraphSpec>& graphs)
{
    const USubstanceMaterialPtr material = USubstanceMaterial::create();
    for (const auto& [name, values] : graphs)
    {
        const USubstanceGraphPtr graph = USubstanceGraph::create();
        const AttributeGroupPtr group = AttributeGroup::create();
        osgEdit graphEdit(graph, USubstanceGraphBase::NameFieldMask | USubstanceGraphBase::AttributeGroupsFieldMask);
        osgEdit groupEdit(group, AttributeGroupBase::PropertiesFieldMask);
        graph->setName(name);
        for (const auto& [uuid, label] : values)
        {
            AttributeValuePtr value;
            if (uuid)
            {
                value = AttributeFloatValue::create();
                osgEdit edit(value, AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask);
                value->setUuid(uuid);
                value->setName(label);
            }
            group->editProperties().push_back(value);
            osg::addRef(value);
        }
        graph->editAttributeGroups().push_back(group);
        osg::addRef(group);
        material->addGraph(graph);
    }
    return material;
}

} // namespace

TEST_F(AttributeSyncTest, SearchFindsIdentifierElseLastLabelInAllGraphsOfTheName)
{
    const struct
    {
        std::vector<GraphSpec> graphs;
        const char* graph;
        const char* property;
        const char* expected; ///< identifier of the value found; null for none
    } cases[] = {
        {{{"G", {{"a", "Rough"}, {"Rough", "b"}}}}, "G", "Rough", "Rough"},
        {{{"G", {{"Rough", "b"}, {"a", "Rough"}}}}, "G", "Rough", "Rough"},
        {{{"G", {{"a", "Rough"}}}, {"G", {{"Rough", "b"}}}}, "G", "Rough", "Rough"},
        {{{"G", {{"a", "Tint"}, {"b", "Tint"}, {"c", "Other"}}}}, "G", "Tint", "b"},
        {{{"G", {{"a", "Tint"}}}, {"G", {{"b", "Tint"}}}, {"H", {{"c", "Tint"}}}}, "G", "Tint", "b"},
        {{{"G", {{"a", "A"}}}, {"H", {{"b", "B"}}}}, "H", "a", nullptr},
        {{{"G", {{"a", "A"}}}}, "Unknown", "a", nullptr},
        {{{"G", {{nullptr, nullptr}, {"a", "A"}}}}, "G", "a", "a"},
        // Text compares as QString::fromStdString makes it: UTF-8 decoded, a leading
        // byte-order mark dropped, a broken sequence read as U+FFFD.
        {{{"G", {{"a", "\xC3\x89" "b\xC3\xA8ne"}, {"\xC3\xA9t\xC3\xA9", "b"}}}}, "G", "\xC3\x89" "b\xC3\xA8ne", "a"},
        {{{"G", {{"a", "b"}, {"\xC3\xA9t\xC3\xA9", "b"}}}}, "G", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {{{"G", {{"a", "b"}, {"\xEF\xBB\xBFRough", "b"}}}}, "G", "Rough", "\xEF\xBB\xBFRough"},
        {{{"G", {{"a", "b"}, {"R\xEF\xBB\xBFough", "b"}}}}, "G", "Rough", nullptr},
        {{{"G", {{"\xC3", "b"}, {"a", "b"}}}}, "G", "\xEF\xBF\xBD", "\xC3"},
        {{{"G", {{"e", "b"}, {"\xC3\xA9", "b"}}}}, "G", "e", "e"},
        {{{"G", {{"\xC3\xA9", "b"}}}}, "G", "e", nullptr},
    };
    oxSubstanceAttributeSync sync;
    const oxStandIn::ScopedSubstanceService service;
    int index = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE("case " + std::to_string(index++));
        const USubstanceMaterialPtr material = hold(buildMaterial(c.graphs));
        const AttributeValuePtr found = sync.searchProperty(material, c.graph, c.property);
        EXPECT_EQ(found.isNull() ? "(none)" : found->getUuid(), c.expected ? c.expected : "(none)");

        // The batch write of the apply and reset commands finds the same value.
        oxSubstanceCommandSupport::applyPropertyValues(material, c.graph, {{c.property, QVariant(7.5f)}});
        std::vector<std::string> written;
        for (const USubstanceGraphPtr& graph : material->getSubstanceGraphs())
            for (const AttributeValuePtr& value : graph->getAttributeGroups()[0]->getProperties())
                if (!value.isNull() && AttributeFloatValuePtr::dcast(value)->getFloatValue() == 7.5f)
                    written.push_back(value->getUuid());
        EXPECT_EQ(written, c.expected ? std::vector<std::string>{c.expected} : std::vector<std::string>{});
        oxSubstanceArchiveFactory::instance().releaseMaterialArchive(material->getId());
    }
    EXPECT_TRUE(sync.searchProperty(USubstanceMaterialPtr(), "G", "a").isNull());
}

TEST_F(AttributeSyncTest, SearchSeesGraphsRebuiltAfterALookup)
{
    const USubstanceMaterialPtr material = hold(buildMaterial({{"G", {{"a", "Tint"}, {"b", "Tint"}}}}));
    oxSubstanceAttributeSync sync;
    ASSERT_EQ(sync.searchProperty(material, "G", "Tint")->getUuid(), "b");

    // The graph rebuilt with other values, then values appended to its group and a label matching an identifier.
    const USubstanceMaterialPtr rebuilt = hold(buildMaterial({{"G", {{"c", "Tint"}}}}));
    const USubstanceGraphPtr graph = rebuilt->getSubstanceGraphs()[0];
    material->clearGraphs();
    material->addGraph(graph);
    EXPECT_EQ(sync.searchProperty(material, "G", "Tint")->getUuid(), "c");
    const AttributeGroupPtr group = graph->getAttributeGroups()[0];
    const AttributeValuePtr added = AttributeFloatValue::create();
    {
        osgEdit edit(added, AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask);
        added->setUuid("Tint");
        added->setName("d");
    }
    {
        osgEdit edit(group, AttributeGroupBase::PropertiesFieldMask);
        osg::addRef(added);
        group->editProperties().push_back(added);
    }
    EXPECT_EQ(sync.searchProperty(material, "G", "Tint"), added) << "an identifier match beats the label match";
    material->clearGraphs();
    EXPECT_TRUE(sync.searchProperty(material, "G", "Tint").isNull());
}

TEST_F(AttributeSyncTest, ByNameWritesAndReadsFoundPropertyOnly)
{
    const USubstanceMaterialPtr material = hold(buildMaterial({{"G", {{"roughness", "Roughness"}}}}));
    oxSubstanceAttributeSync sync;
    ASSERT_TRUE(sync.setOsgAttribute(material, "G", "Roughness", QVariant(0.75)));
    EXPECT_FALSE(sync.setOsgAttribute(material, "H", "roughness", QVariant(0.5f)));
    QVariant read("untouched");
    EXPECT_FALSE(sync.getOsgAttribute(material, "G", "metallic", read));
    EXPECT_EQ(read, QVariant("untouched"));
    ASSERT_TRUE(sync.getOsgAttribute(material, "G", "roughness", read));
    EXPECT_EQ(read, QVariant(0.75f));
}
