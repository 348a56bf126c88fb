#include "oxHostFixture.h"

#include "oxSubstanceAttributeSync.h"

#include "host/Attributes.h"
#include "host/Materials.h"
#include "host/OSGImage.h"
#include "host/QOXIntVector.h"
#include "host/oxdImage.h"

#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <ostream>
#include <string>
#include <vector>

namespace {

/// A type that Qt converts to every vector form only through converters registered here.
struct Probe
{
    int a, b, c, d;
};

} // namespace

Q_DECLARE_METATYPE(Probe)

namespace {

void registerProbeConverters()
{
    static const bool registered = [] {
        QMetaType::registerConverter<Probe, QVector2D>([](const Probe& p) { return QVector2D(p.a, p.b); });
        QMetaType::registerConverter<Probe, QVector3D>([](const Probe& p) { return QVector3D(p.a, p.b, p.c); });
        QMetaType::registerConverter<Probe, QVector4D>(
            [](const Probe& p) { return QVector4D(p.a, p.b, p.c, p.d); });
        QMetaType::registerConverter<Probe, QOXIntVector2D>([](const Probe& p) { return QOXIntVector2D(p.a, p.b); });
        QMetaType::registerConverter<Probe, QOXIntVector3D>(
            [](const Probe& p) { return QOXIntVector3D(p.a, p.b, p.c); });
        QMetaType::registerConverter<Probe, QOXIntVector4D>(
            [](const Probe& p) { return QOXIntVector4D(p.a, p.b, p.c, p.d); });
        return true;
    }();
    (void)registered;
}

enum class Kind { Float, Float2, Float3, Float4, Colour, Int, Int2, Int3, Int4, String };

template <class T>
QVariant var(const T& v)
{
    return QVariant::fromValue(v);
}
const QVariant probe = var(Probe{1, 2, 3, 4});

/// A new value of the kind with uuid and label; colours get the "color" widget.
AttributeValuePtr createValue(Kind kind, const std::string& uuid)
{
    AttributeValuePtr v;
    switch (kind)
    {
    case Kind::Float: v = AttributeFloatValue::create(); break;
    case Kind::Float2: v = AttributeFloat2DValue::create(); break;
    case Kind::Float3: v = AttributeFloat3DValue::create(); break;
    case Kind::Float4:
    case Kind::Colour: v = AttributeFloat4DValue::create(); break;
    case Kind::Int: v = AttributeIntValue::create(); break;
    case Kind::Int2: v = AttributeInt2DValue::create(); break;
    case Kind::Int3: v = AttributeInt3DValue::create(); break;
    case Kind::Int4: v = AttributeInt4DValue::create(); break;
    case Kind::String: v = AttributeStringValue::create(); break;
    }
    osgEdit edit(v, AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask | AttributeValueBase::WidgetFieldMask);
    v->setUuid(uuid);
    v->setName("Label of " + uuid);
    v->setWidget(kind == Kind::Colour ? "color" : "slider");
    return v;
}

osg::BitVector writeMask(Kind kind)
{
    switch (kind)
    {
    case Kind::Float: return AttributeFloatValueBase::FloatValueFieldMask;
    case Kind::Float2: return AttributeFloat2DValueBase::FloatVectorValueFieldMask;
    case Kind::Float3: return AttributeFloat3DValueBase::FloatVectorValueFieldMask;
    case Kind::Float4:
    case Kind::Colour: return AttributeFloat4DValueBase::ColorValueFieldMask;
    case Kind::Int: return AttributeIntValueBase::IntValueFieldMask;
    case Kind::Int2: return AttributeInt2DValueBase::IntValueXFieldMask | AttributeInt2DValueBase::IntValueYFieldMask;
    case Kind::Int3:
        return AttributeInt3DValueBase::IntValueXFieldMask | AttributeInt3DValueBase::IntValueYFieldMask |
               AttributeInt3DValueBase::IntValueZFieldMask;
    case Kind::Int4:
        return AttributeInt4DValueBase::IntValueXFieldMask | AttributeInt4DValueBase::IntValueYFieldMask |
               AttributeInt4DValueBase::IntValueZFieldMask | AttributeInt4DValueBase::IntValueWFieldMask;
    case Kind::String: return AttributeStringValueBase::StringValueFieldMask;
    }
    return 0;
}

std::string join(std::initializer_list<double> components)
{
    QStringList parts;
    for (double c : components)
        parts << QString::number(c);
    return parts.join(',').toStdString();
}

/// The value's current value as the host stores it, components joined by ",".
std::string stored(Kind kind, const AttributeValuePtr& v)
{
    switch (kind)
    {
    case Kind::Float: return join({AttributeFloatValuePtr::dcast(v)->getFloatValue()});
    case Kind::Float2:
    {
        const osg::Vec2f f = AttributeFloat2DValuePtr::dcast(v)->getFloatVectorValue();
        return join({f[0], f[1]});
    }
    case Kind::Float3:
    {
        const osg::Vec3f f = AttributeFloat3DValuePtr::dcast(v)->getFloatVectorValue();
        return join({f[0], f[1], f[2]});
    }
    case Kind::Float4:
    case Kind::Colour:
    {
        const osg::Vec4f f = AttributeFloat4DValuePtr::dcast(v)->getColorValue();
        return join({f[0], f[1], f[2], f[3]});
    }
    case Kind::Int: return join({double(AttributeIntValuePtr::dcast(v)->getIntValue())});
    case Kind::Int2:
    {
        const auto i = AttributeInt2DValuePtr::dcast(v);
        return join({double(i->getIntValueX()), double(i->getIntValueY())});
    }
    case Kind::Int3:
    {
        const auto i = AttributeInt3DValuePtr::dcast(v);
        return join({double(i->getIntValueX()), double(i->getIntValueY()), double(i->getIntValueZ())});
    }
    case Kind::Int4:
    {
        const auto i = AttributeInt4DValuePtr::dcast(v);
        return join({double(i->getIntValueX()), double(i->getIntValueY()), double(i->getIntValueZ()),
                     double(i->getIntValueW())});
    }
    case Kind::String: return AttributeStringValuePtr::dcast(v)->getStringValue();
    }
    return {};
}

struct WriteCase
{
    const char* name;
    Kind kind;
    QVariant input;
    std::string stored; ///< host fields after the write
    QVariant read;      ///< the value read back, type included
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

const WriteCase writeCases[] = {
    {"FloatFromFloat", Kind::Float, QVariant(1.5f), "1.5", QVariant(1.5f)},
    {"FloatFromDouble", Kind::Float, QVariant(-2.25), "-2.25", QVariant(-2.25f)},
    {"FloatFromNumericText", Kind::Float, QString("3.5"), "3.5", QVariant(3.5f)},
    {"FloatFromTextWithoutNumber", Kind::Float, QString("rough"), "0", QVariant(0.0f)},
    {"FloatFromInvalid", Kind::Float, QVariant(), "0", QVariant(0.0f)},
    {"Float2FromVector", Kind::Float2, var(QVector2D(0.5f, -1.0f)), "0.5,-1", var(QVector2D(0.5f, -1.0f))},
    {"Float2FromConvertible", Kind::Float2, probe, "1,2", var(QVector2D(1, 2))},
    {"Float2FromVector3", Kind::Float2, var(QVector3D(1, 2, 3)), "0,0", var(QVector2D())},
    {"Float2FromText", Kind::Float2, QString("1,2"), "0,0", var(QVector2D())},
    {"Float3FromVector", Kind::Float3, var(QVector3D(1, -2, 0.25f)), "1,-2,0.25", var(QVector3D(1, -2, 0.25f))},
    {"Float3FromConvertible", Kind::Float3, probe, "1,2,3", var(QVector3D(1, 2, 3))},
    {"Float3FromVector4", Kind::Float3, var(QVector4D(1, 2, 3, 4)), "0,0,0", var(QVector3D())},
    {"Float4FromVector", Kind::Float4, var(QVector4D(1, 2, 3, 0.5f)), "1,2,3,0.5", var(QVector4D(1, 2, 3, 0.5f))},
    {"Float4FromConvertible", Kind::Float4, probe, "1,2,3,4", var(QVector4D(1, 2, 3, 4))},
    {"Float4FromVector3IsNoColour", Kind::Float4, var(QVector3D(1, 2, 3)), "0,0,0,0", var(QVector4D())},
    {"ColourFromVector3IsOpaque", Kind::Colour, var(QVector3D(0.25f, 0.5f, 0.75f)), "0.25,0.5,0.75,1",
     var(QVector3D(0.25f, 0.5f, 0.75f))},
    {"ColourFromVector4KeepsAlpha", Kind::Colour, var(QVector4D(0.25f, 0.5f, 0.75f, 0.125f)),
     "0.25,0.5,0.75,0.125", var(QVector3D(0.25f, 0.5f, 0.75f))},
    {"ColourFromText", Kind::Colour, QString("red"), "0,0,0,0", var(QVector3D())},
    {"IntFromInt", Kind::Int, QVariant(42), "42", QVariant(42)},
    {"IntFromNumericText", Kind::Int, QString("-17"), "-17", QVariant(-17)},
    {"IntFromTextWithoutNumber", Kind::Int, QString("many"), "0", QVariant(0)},
    {"IntFromDouble", Kind::Int, QVariant(7.0), "7", QVariant(7)},
    {"Int2FromVector", Kind::Int2, var(QOXIntVector2D(3, -4)), "3,-4", var(QOXIntVector2D(3, -4))},
    {"Int2FromConvertible", Kind::Int2, probe, "1,2", var(QOXIntVector2D(1, 2))},
    {"Int2FromVector3", Kind::Int2, var(QOXIntVector3D(5, 6, 1)), "0,0", var(QOXIntVector2D())},
    {"Int2FromInt", Kind::Int2, QVariant(5), "0,0", var(QOXIntVector2D())},
    {"Int3FromVector", Kind::Int3, var(QOXIntVector3D(1, 2, -3)), "1,2,-3", var(QOXIntVector3D(1, 2, -3))},
    {"Int3FromConvertible", Kind::Int3, probe, "1,2,3", var(QOXIntVector3D(1, 2, 3))},
    {"Int3FromVector4", Kind::Int3, var(QOXIntVector4D(1, 2, 3, 4)), "0,0,0", var(QOXIntVector3D())},
    {"Int4FromVector", Kind::Int4, var(QOXIntVector4D(1, -2, 3, -4)), "1,-2,3,-4", var(QOXIntVector4D(1, -2, 3, -4))},
    {"Int4FromConvertible", Kind::Int4, probe, "1,2,3,4", var(QOXIntVector4D(1, 2, 3, 4))},
    {"Int4FromVector3", Kind::Int4, var(QOXIntVector3D(1, 2, 3)), "0,0,0,0", var(QOXIntVector4D())},
    {"StringFromText", Kind::String, QString::fromUtf8("B\xc3\xa9ton"), "B\xc3\xa9ton",
     QString::fromUtf8("B\xc3\xa9ton")},
    {"StringFromInt", Kind::String, QVariant(12), "12", QString("12")},
    {"StringFromInvalid", Kind::String, QVariant(), "", QString()},
};

class AttributeSyncWriteTest : public oxHostTest, public ::testing::WithParamInterface<WriteCase>
{
protected:
    static void SetUpTestSuite() { registerProbeConverters(); }
};

} // namespace

TEST_P(AttributeSyncWriteTest, WritesUnderItsMaskAndReadsBack)
{
    const WriteCase& c = GetParam();
    const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    AttributeValuePtr value = hold(createValue(c.kind, "input"));
    oxStandIn::clearEditLog();

    oxSubstanceAttributeSync sync;
    ASSERT_TRUE(sync.setOsgAttribute(material, value, c.input));
    EXPECT_EQ(stored(c.kind, value), c.stored);
    const std::vector<oxStandIn::EditRecord> brackets = bracketsOn(value->getId());
    ASSERT_EQ(brackets.size(), 1u);
    EXPECT_EQ(brackets[0].mask, writeMask(c.kind));
    EXPECT_EQ(brackets[0].origin, 1u);
    EXPECT_TRUE(bracketsOn(material->getId()).empty());

    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(material, value, read));
    EXPECT_EQ(read.userType(), c.read.userType()) << read.typeName() << " instead of " << c.read.typeName();
    EXPECT_EQ(read, c.read);
}

INSTANTIATE_TEST_SUITE_P(Types, AttributeSyncWriteTest, ::testing::ValuesIn(writeCases),
                         [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- output size

namespace {

struct OutputSizeCase
{
    const char* name;
    const char* uuid;
    bool flagBefore;
    QVariant input;
    std::string stored;
    bool flagAfter;
    bool materialEdited;
    QVariant read;
};

void PrintTo(const OutputSizeCase& c, std::ostream* os) { *os << c.name; }

const OutputSizeCase outputSizeCases[] = {
    {"Z1SetsFlag", "$outputsize", false, var(QOXIntVector3D(512, 1024, 1)), "512,1024", true, true,
     var(QOXIntVector3D(512, 1024, 1))},
    {"Z0ClearsFlag", "$outputsize", true, var(QOXIntVector3D(512, 1024, 0)), "512,1024", false, true,
     var(QOXIntVector3D(512, 1024, 0))},
    {"Z2ClearsFlag", "$outputsize", true, var(QOXIntVector3D(256, 128, 2)), "256,128", false, true,
     var(QOXIntVector3D(256, 128, 0))},
    {"Vector2DLeavesFlagSet", "$outputsize", true, var(QOXIntVector2D(128, 64)), "128,64", true, false,
     var(QOXIntVector3D(128, 64, 1))},
    {"Vector2DLeavesFlagClear", "$outputsize", false, var(QOXIntVector2D(128, 64)), "128,64", false, false,
     var(QOXIntVector3D(128, 64, 0))},
    {"UuidInOtherCaseIsOrdinary", "$OutputSize", false, var(QOXIntVector3D(512, 1024, 1)), "0,0", false, false,
     var(QOXIntVector2D(0, 0))},
    {"UuidWithTrailingBlankIsOrdinary", "$outputsize ", true, var(QOXIntVector3D(512, 1024, 0)), "0,0", true, false,
     var(QOXIntVector2D(0, 0))},
};

class AttributeSyncOutputSizeTest : public oxHostTest, public ::testing::WithParamInterface<OutputSizeCase>
{
};

void setSyncFlag(const USubstanceMaterialPtr& material, bool sync)
{
    osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
    material->setSyncOutputSize(sync);
}

} // namespace

TEST_P(AttributeSyncOutputSizeTest, CarriesTheMaterialFlagInZ)
{
    const OutputSizeCase& c = GetParam();
    const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    setSyncFlag(material, c.flagBefore);
    AttributeValuePtr value = hold(createValue(Kind::Int2, c.uuid));
    oxStandIn::clearEditLog();

    oxSubstanceAttributeSync sync;
    ASSERT_TRUE(sync.setOsgAttribute(material, value, c.input));
    EXPECT_EQ(stored(Kind::Int2, value), c.stored);
    EXPECT_EQ(material->getSyncOutputSize(), c.flagAfter);
    const std::vector<oxStandIn::EditRecord> materialBrackets = bracketsOn(material->getId());
    ASSERT_EQ(materialBrackets.size(), c.materialEdited ? 1u : 0u);
    if (c.materialEdited)
    {
        EXPECT_EQ(materialBrackets[0].mask, USubstanceMaterialBase::SyncOutputSizeFieldMask);
        EXPECT_EQ(materialBrackets[0].origin, 1u);
    }

    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(material, value, read));
    EXPECT_EQ(read.userType(), c.read.userType()) << read.typeName();
    EXPECT_EQ(read, c.read);
}

INSTANTIATE_TEST_SUITE_P(Cases, AttributeSyncOutputSizeTest, ::testing::ValuesIn(outputSizeCases),
                         [](const ::testing::TestParamInfo<OutputSizeCase>& info) {
                             return std::string(info.param.name);
                         });

using AttributeSyncTest = oxHostTest;

TEST_F(AttributeSyncTest, OutputSizeWithoutMaterialWritesSizeButCannotBeRead)
{
    AttributeValuePtr value = hold(createValue(Kind::Int2, "$outputsize"));
    oxSubstanceAttributeSync sync;
    EXPECT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, var(QOXIntVector3D(512, 1024, 1))));
    EXPECT_EQ(stored(Kind::Int2, value), "512,1024");

    QVariant read("untouched");
    EXPECT_FALSE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, read));
    EXPECT_EQ(read, QVariant("untouched"));
}

TEST_F(AttributeSyncTest, EachCallReplacesTheRememberedMaterial)
{
    const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    setSyncFlag(material, true);
    AttributeValuePtr value = hold(createValue(Kind::Int2, "$outputsize"));
    oxSubstanceAttributeSync sync;
    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(material, value, read));

    EXPECT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, var(QOXIntVector3D(8, 8, 0))));
    EXPECT_TRUE(material->getSyncOutputSize());
    EXPECT_FALSE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, read));
}

TEST_F(AttributeSyncTest, NullHandleIsRefusedAndResultUntouched)
{
    const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    AttributeValuePtr none;
    oxStandIn::clearEditLog();
    oxSubstanceAttributeSync sync;
    for (const QVariant& input : {QVariant(1.0f), var(QVector3D(1, 2, 3)), var(QOXIntVector3D(1, 2, 1)), QVariant()})
        EXPECT_FALSE(sync.setOsgAttribute(material, none, input)) << input.typeName();

    QVariant read("untouched");
    EXPECT_FALSE(sync.getOsgAttribute(material, none, read));
    EXPECT_EQ(read, QVariant("untouched"));
    EXPECT_TRUE(oxStandIn::editLog().empty());
}

TEST_F(AttributeSyncTest, ColourReadAndWrittenBackBecomesOpaque)
{
    AttributeValuePtr value = hold(createValue(Kind::Colour, "tint"));
    {
        osgEdit edit(value, AttributeFloat4DValueBase::ColorValueFieldMask);
        AttributeFloat4DValuePtr::dcast(value)->setColorValue(osg::Vec4f(0.5f, 0.25f, 1.0f, 0.5f));
    }
    oxSubstanceAttributeSync sync;
    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, read));
    ASSERT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, read));
    EXPECT_EQ(stored(Kind::Colour, value), "0.5,0.25,1,1");
}

TEST_F(AttributeSyncTest, ImageValueTravelsAsImageVariantAndCountsReferences)
{
    const ImagePtr image = hold(osg::Image::create());
    AttributeValuePtr value = hold(AttributeImageValue::create());
    const AttributeImageValuePtr imageValue = AttributeImageValuePtr::dcast(value);
    oxSubstanceAttributeSync sync;

    ASSERT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, var(oxdImage(image->getId()))));
    EXPECT_EQ(imageValue->getImage(), image);
    EXPECT_EQ(image->getRefCount(), 2);
    ASSERT_EQ(bracketsOn(value->getId()).size(), 1u);
    EXPECT_EQ(bracketsOn(value->getId())[0].mask, AttributeImageValueBase::ImageFieldMask);

    QVariant read;
    ASSERT_TRUE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, read));
    ASSERT_EQ(read.userType(), qMetaTypeId<oxdImage>());
    EXPECT_EQ(read.value<oxdImage>().getObjectId(), image->getId());

    // Writing back what was read keeps the image alive and counted once.
    ASSERT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, read));
    EXPECT_EQ(imageValue->getImage(), image);
    EXPECT_EQ(image->getRefCount(), 2);

    ASSERT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), value, QVariant()));
    EXPECT_TRUE(imageValue->getImage().isNull());
    EXPECT_EQ(image->getRefCount(), 1);
}

// ---------------------------------------------------------------- integer vectors in QVariant

TEST_F(AttributeSyncTest, IntegerVectorTypesAreKnownByNameWithComparators)
{
    oxSubstanceAttributeSync sync;
    const std::pair<const char*, int> types[] = {{"QOXIntVector2D", qMetaTypeId<QOXIntVector2D>()},
                                                 {"QOXIntVector3D", qMetaTypeId<QOXIntVector3D>()},
                                                 {"QOXIntVector4D", qMetaTypeId<QOXIntVector4D>()}};
    for (const auto& t : types)
    {
        EXPECT_EQ(QMetaType::type(t.first), t.second) << t.first;
        EXPECT_TRUE(QMetaType::hasRegisteredComparators(t.second)) << t.first;
    }
}

TEST_F(AttributeSyncTest, IntegerVectorVariantsCompareByValue)
{
    oxSubstanceAttributeSync::registerIntVectorTypes();
    const QVariant base = var(QOXIntVector3D(512, 1024, 1));
    EXPECT_TRUE(base == var(QOXIntVector3D(512, 1024, 1)));
    for (const QOXIntVector3D& other : {QOXIntVector3D(0, 1024, 1), QOXIntVector3D(512, 0, 1),
                                        QOXIntVector3D(512, 1024, 0)})
        EXPECT_FALSE(base == var(other)) << other.getX() << "," << other.getY() << "," << other.getZ();
    EXPECT_FALSE(base == var(QOXIntVector2D(512, 1024)));
}
