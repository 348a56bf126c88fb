// One contract, every value type: created from a description, written, read back, in the archive, captured
// into a preset and applied back. Then the conversions of what a caller writes, by type.

#include "oxCommandTest.h"

#include "oxSubstanceAttributeCreator.h"
#include "oxSubstanceAttributeSync.h"
#include "oxSubstanceCommandSupport.h"
#include "oxSubstancePresetUtils.h"
#include "oxSubstanceUndoCommands.h"

#include "host/Attributes.h"
#include "host/OSGImage.h"
#include "host/QOXIntVector.h"
#include "host/QSubstanceArchive.h"
#include "host/oxdImage.h"
#include "preset/SubstanceAirPreset.h"

#include <QTemporaryDir>
#include <QUndoStack>
#include <QVector2D>
#include <QVector3D>
#include <QVector4D>

#include <cfloat>
#include <climits>
#include <limits>
#include <optional>
#include <type_traits>

/// Converts to QVector2D and QOXIntVector2D only through the converters registered below.
struct Probe
{
    int a, b;
};
Q_DECLARE_METATYPE(Probe)

namespace {

using Description = QMap<QString, QVariant>;
using Lines = std::vector<std::string>;
template <class T>
QVariant var(const T& v)
{
    return QVariant::fromValue(v);
}

/// Min, max and default of each component (in that order), step, captions and map of a value.
struct Observed
{
    std::vector<double> bounds;
    double step = 0;
    std::vector<std::string> labels;
    std::string map;
};

template <class Ptr, int N>
Observed observe(const AttributeValuePtr& value)
{
    const Ptr v = Ptr::dcast(value);
    Observed o;
    o.step = v->getSliderStep();
    if constexpr (N == 1)
        o.bounds = {double(v->getMinValue()), double(v->getMaxValue()), double(v->getDefaultValue())};
    else if constexpr (std::is_same_v<std::decay_t<decltype(v->getSliderStep())>, float>)
    {
        for (const auto& vector : {v->getMinValue(), v->getMaxValue(), v->getDefaultValue()})
            for (int i = 0; i < N; ++i)
                o.bounds.push_back(vector[i]);
    }
    else
    {
        const int all[3][4] = {{v->getMinValueX(), v->getMinValueY(), v->getMinValueZ(), v->getMinValueW()},
                               {v->getMaxValueX(), v->getMaxValueY(), v->getMaxValueZ(), v->getMaxValueW()},
                               {v->getDefaultValueX(), v->getDefaultValueY(), v->getDefaultValueZ(),
                                v->getDefaultValueW()}};
        for (const auto& bound : all)
            o.bounds.insert(o.bounds.end(), bound, bound + N);
    }
    if constexpr (N > 1)
        o.labels = {v->getLabelX(), v->getLabelY(), v->getLabelZ(), v->getLabelW()};
    if constexpr (std::is_same_v<Ptr, AttributeIntValuePtr>)
        o.map = v->getMap();
    return o;
}

struct TypeRow
{
    const char* type;
    const char* id; ///< the input of this type in the Wood sample
    const osg::FieldContainerType& (*classType)();
    int components; ///< 0 for string and image
    bool integer;
    Observed (*observe)(const AttributeValuePtr&); ///< null for string and image
    osg::BitVector mask;                             ///< of a written value
    QVariant value;                                  ///< written, and read back as it is
    std::string captured;                            ///< the preset input "<type code>=<value>"
    QVariant fromPreset;                             ///< the preset's value as the preset utilities read it
};

void PrintTo(const TypeRow& r, std::ostream* os) { *os << r.type << " " << r.id; }

using I2 = AttributeInt2DValueBase;
using I3 = AttributeInt3DValueBase;
using I4 = AttributeInt4DValueBase;
const TypeRow kTypes[] = {
    {"float", "roughness", &AttributeFloatValue::getClassType, 1, false, &observe<AttributeFloatValuePtr, 1>,
     AttributeFloatValueBase::FloatValueFieldMask, 0.75f, "0=0.75", 0.75f},
    {"float[2]", "tiling", &AttributeFloat2DValue::getClassType, 2, false, &observe<AttributeFloat2DValuePtr, 2>,
     AttributeFloat2DValueBase::FloatVectorValueFieldMask, var(QVector2D(3, 0.5f)), "1=3,0.5", var(QVector2D(3, 0.5f))},
    {"float[3]", "contrast", &AttributeFloat3DValue::getClassType, 3, false, &observe<AttributeFloat3DValuePtr, 3>,
     AttributeFloat3DValueBase::FloatVectorValueFieldMask, var(QVector3D(1.5f, 0.25f, 2)), "2=1.5,0.25,2",
     var(QVector3D(1.5f, 0.25f, 2))},
    {"float[4]", "grain", &AttributeFloat4DValue::getClassType, 4, false, &observe<AttributeFloat4DValuePtr, 4>,
     AttributeFloat4DValueBase::ColorValueFieldMask, var(QVector4D(0.5f, -0.5f, 0, 0.25f)), "3=0.5,-0.5,0,0.25",
     var(QVector4D(0.5f, -0.5f, 0, 0.25f))},
    // A colour travels without alpha and is opaque when written so; its preset keeps four components.
    {"float[4]", "tint", &AttributeFloat4DValue::getClassType, 4, false, &observe<AttributeFloat4DValuePtr, 4>,
     AttributeFloat4DValueBase::ColorValueFieldMask, var(QVector3D(0.1f, 0.2f, 0.3f)), "3=0.1,0.2,0.3,1",
     var(QVector4D(0.1f, 0.2f, 0.3f, 1))},
    {"int", "pattern", &AttributeIntValue::getClassType, 1, true, &observe<AttributeIntValuePtr, 1>,
     AttributeIntValueBase::IntValueFieldMask, 2, "4=2", 2},
    // The output size carries the material's sync flag in Z; a preset knows the size only.
    {"int[2]", "$outputsize", &AttributeInt2DValue::getClassType, 2, true, &observe<AttributeInt2DValuePtr, 2>,
     I2::IntValueXFieldMask | I2::IntValueYFieldMask, var(QOXIntVector3D(10, 11, 0)), "8=10,11",
     var(QOXIntVector3D(10, 11, 1))},
    {"int[3]", "knots", &AttributeInt3DValue::getClassType, 3, true, &observe<AttributeInt3DValuePtr, 3>,
     I3::IntValueXFieldMask | I3::IntValueYFieldMask | I3::IntValueZFieldMask, var(QOXIntVector3D(5, 4, -50)),
     "9=5,4,-50", var(QOXIntVector3D(5, 4, -50))},
    {"int[4]", "region", &AttributeInt4DValue::getClassType, 4, true, &observe<AttributeInt4DValuePtr, 4>,
     I4::IntValueXFieldMask | I4::IntValueYFieldMask | I4::IntValueZFieldMask | I4::IntValueWFieldMask,
     var(QOXIntVector4D(16, 32, -48, 64)), "10=16,32,-48,64", var(QOXIntVector4D(16, 32, -48, 64))},
    {"string", "notes", &AttributeStringValue::getClassType, 0, false, nullptr,
     AttributeStringValueBase::StringValueFieldMask, QString::fromUtf8(u8"B\u00e9ton & <co>"),
     u8"6=B\u00e9ton & <co>", QString::fromUtf8(u8"B\u00e9ton & <co>")},
    {"image", "mask", &AttributeImageValue::getClassType, 0, false, nullptr, AttributeImageValueBase::ImageFieldMask,
     QVariant(), "5=", QVariant()}, // written and captured as the path of an image file
};

const char* const kAxes[4] = {"X", "Y", "Z", "W"};
const char* const kBounds[3] = {"Min", "Max", "DefaultValue"};
const char* const kLabel = u8"Gr\u00f6\u00dfe";

/// A distinct number per bound and axis (axis 4 is the key without axis), exact in single precision.
double number(int bound, int axis, bool integer)
{
    const double scale[3] = {-10, 100, 1};
    return scale[bound] * (axis + 1) + (integer ? 0 : bound == 0 ? -0.5 : 0.5);
}

/// Every key any creator reads, except the captions of X and Z; the step as text.
Description fullDescription(const char* typ, bool integer)
{
    Description d = {{"TYP", typ}, {"ID", "id"}, {"LABEL", QString::fromUtf8(kLabel)}, {"WIDGET", "slider"},
                     {"VISIBILITY", "input.x > 0"}, {"DEFAULT_VALUE", "0.5"}, {"DESCRIPTION", "what it does"},
                     {"Step", integer ? "3" : "0.25"}, {"LabelY", "caption Y"}, {"LabelW", "caption W"},
                     {"Map", "0:Off;1:On"}};
    for (int bound = 0; bound < 3; ++bound)
        for (int axis = 0; axis < 5; ++axis)
        {
            const double n = number(bound, axis, integer);
            d[QString(kBounds[bound]) + (axis < 4 ? kAxes[axis] : "")] = integer ? QVariant(int(n)) : QVariant(n);
        }
    return d;
}

class ValueTypes : public oxCommandTest, public ::testing::WithParamInterface<TypeRow>
{
};

TEST_P(ValueTypes, CreateWriteReadArchiveCaptureAndApplyBack)
{
    const TypeRow& r = GetParam();
    // Created from a description: its class, texts, bounds, step, map and captions under exact masks.
    const AttributeValuePtr created = oxSubstanceAttributeCreator().create(fullDescription(r.type, r.integer));
    ASSERT_FALSE(created.isNull());
    EXPECT_EQ(created->getRefCount(), 0) << "the creator keeps no reference";
    hold(created);
    ASSERT_EQ(&created->getType(), &r.classType()) << created->getType().getName();
    EXPECT_EQ((Lines{created->getName(), created->getUuid(), created->getTypeString(), created->getWidget(),
                     created->getVisibility(), created->getDefault(), created->getDescription()}),
              (Lines{kLabel, "id", r.type, "slider", "input.x > 0", "0.5", "what it does"}));
    if (r.observe)
    {
        const Observed o = r.observe(created);
        std::vector<double> bounds;
        for (int bound = 0; bound < 3; ++bound)
            for (int i = 0; i < r.components; ++i)
                bounds.push_back(number(bound, r.components == 1 ? 4 : i, r.integer));
        EXPECT_EQ(o.bounds, bounds) << "min, max and default of each component";
        EXPECT_EQ(o.step, r.integer ? 3.0 : 0.25);
        EXPECT_EQ(o.map, r.integer && r.components == 1 ? "0:Off;1:On" : "");
        // Only the captions present in the description and within the class's components are set.
        const Lines labels = {"X", "caption Y", "Z", r.components == 4 ? "caption W" : "W"};
        EXPECT_EQ(o.labels, r.components > 1 ? labels : Lines());
    }
    std::vector<osg::BitVector> masks;
    for (const oxStandIn::EditRecord& e : bracketsOn(created->getId()))
        masks.push_back(e.mask);
    std::vector<osg::BitVector> expectedMasks = {
        AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask | AttributeValueBase::TypeStringFieldMask |
        AttributeValueBase::WidgetFieldMask | AttributeValueBase::DefaultFieldMask |
        AttributeValueBase::VisibilityFieldMask | AttributeValueBase::DescriptionFieldMask};
    if (r.components > 0)
        expectedMasks.insert(expectedMasks.begin(), osg::FieldBits::AllFields);
    EXPECT_EQ(masks, expectedMasks);

    // Written to a material built from the archive, read back, and in the archive.
    const USubstanceMaterialPtr m = wood();
    const AttributeValuePtr attribute = oxSubstanceAttributeSync().searchProperty(m, "Wood", r.id);
    ASSERT_FALSE(attribute.isNull());
    EXPECT_EQ(&attribute->getType(), &r.classType());
    const bool image = r.type == std::string("image");
    QTemporaryDir dir;
    const QString maskFile = dir.filePath("mask.ppm");
    ASSERT_TRUE(!image || writeFile(maskFile, QByteArray("P6 1 1 255\n\x01\x02\x03", 14)));
    const QVariant value = image ? QVariant(maskFile) : r.value, fromPreset = image ? QVariant(maskFile) : r.fromPreset;
    const std::string captured = r.captured + (image ? maskFile.toStdString() : "");
    oxStandIn::clearEditLog();
    oxSubstanceCommandSupport::applyPropertyValue(m, "Wood", r.id, value, true);
    EXPECT_EQ(events->take(), (oxEvents{"renderTextures", changed(m, r.id, oxDescribe(value))}));
    ASSERT_EQ(bracketsOn(attribute->getId()).size(), 1u);
    EXPECT_EQ(bracketsOn(attribute->getId())[0].mask, r.mask);
    QVariant read;
    ASSERT_TRUE(oxSubstanceAttributeSync().getOsgAttribute(m, attribute, read));
    const SubstancePropertyValue inArchive = archiveOf(m)->getActiveGraphValues().at(r.id);
    EXPECT_FALSE(inArchive.isDefault);
    if (image)
    {
        // The attribute and the archive each read the file into an image of their own.
        ASSERT_EQ(read.userType(), qMetaTypeId<oxdImage>());
        EXPECT_FALSE(oxSubstanceUtils::convertQVariantToOsgImage(read).isNull());
        EXPECT_EQ(inArchive.value.userType(), qMetaTypeId<oxdImage>());
    }
    else
    {
        EXPECT_EQ(read.userType(), value.userType()) << read.typeName();
        EXPECT_EQ(read, value);
        EXPECT_EQ(inArchive.value, value);
    }

    // Captured into a preset: the input's type code and text, read back in the preset's form.
    const std::string content = oxSubstancePresetUtils::fetchPresetContent(m);
    SubstanceAir::Preset record;
    ASSERT_TRUE(SubstanceAir::parsePreset(record, content.c_str()));
    std::string input;
    for (const auto& in : record.inputValues)
        if (in.identifier == r.id)
            input = std::to_string(in.type) + "=" + in.value;
    EXPECT_EQ(input, captured);
    m->addPreset("Captured", content, "");
    const SubstancePresetPtr preset = m->getSubstancePresets().back();
    const QVariant presetValue = oxSubstancePresetUtils::getValues(preset).at(r.id);
    EXPECT_EQ(presetValue.userType(), fromPreset.userType()) << presetValue.typeName();
    EXPECT_EQ(presetValue, fromPreset);

    // Reset, then the captured preset applied: the value comes back.
    QUndoStack stack;
    stack.push(new oxResetSubstanceGraphUndoCommand(m, nullptr));
    QVariant reset;
    oxSubstanceAttributeSync().getOsgAttribute(m, attribute, reset);
    EXPECT_NE(reset, read);
    stack.push(new oxApplySubstancePresetUndoCommand(m, unsigned(m->getSubstancePresets().size() - 1), false, nullptr));
    QVariant applied;
    oxSubstanceAttributeSync().getOsgAttribute(m, attribute, applied);
    EXPECT_EQ(applied.userType(), read.userType());
    EXPECT_TRUE(image ? !oxSubstanceUtils::convertQVariantToOsgImage(applied).isNull() : applied == read);
    EXPECT_TRUE(logLines().empty());
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ValueTypes, ::testing::ValuesIn(kTypes),
                         [](const ::testing::TestParamInfo<TypeRow>& info) {
                             std::string name = info.param.id;
                             return name[0] == '$' ? name.substr(1) : name;
                         });

// ---------------------------------------------------------------- creating

using ValueTypeTest = oxHostTest;

// A number that does not fit its field reads as 0 (a float as the largest float), never wrapped. A type that is not
// one of the known type texts exactly gives no value and makes no container.
TEST_F(ValueTypeTest, UnknownTypesGiveNothingAndNumbersOfADescriptionDoNotWrap)
{
    const std::optional<double> none;
    const std::tuple<QVariant, QVariant, std::optional<double>> cases[] = {
        {"float", 1e300, double(FLT_MAX)},       {"float", -1e300, double(-FLT_MAX)},
        {"int", QString("-2147483648"), INT_MIN}, {"int", QString("3000000000"), 0},
        {"int", 1e20, 0}, {"int", 3e9, 0},                         {"int", qlonglong(1) << 40, 0},
        {"int", ~qulonglong(0) - 4, 0},          {QVariant(), 1, none}, {"Float", 1, none},
        {"float ", 1, none},                     {"int[5]", 1, none},   {4, 1, none}};
    for (const auto& [typ, min, expected] : cases)
    {
        SCOPED_TRACE(oxDescribe(typ) + " from " + oxDescribe(min));
        const std::size_t live = oxStandIn::liveContainerCount();
        const AttributeValuePtr value = hold(oxSubstanceAttributeCreator().create({{"TYP", typ}, {"Min", min}}));
        ASSERT_EQ(value.isNull(), !expected);
        if (value.isNull())
            EXPECT_EQ(oxStandIn::liveContainerCount(), live);
        else
            EXPECT_EQ(typ == "float" ? double(AttributeFloatValuePtr::dcast(value)->getMinValue())
                                     : double(AttributeIntValuePtr::dcast(value)->getMinValue()),
                      *expected);
    }
}

// ---------------------------------------------------------------- what a caller writes

const bool probeConverts = [] {
    QMetaType::registerConverter<Probe, QVector2D>([](const Probe& p) { return QVector2D(p.a, p.b); });
    QMetaType::registerConverter<Probe, QOXIntVector2D>([](const Probe& p) { return QOXIntVector2D(p.a, p.b); });
    return true;
}();

/// A new value of a class, with an identifier and a widget; held by the caller.
AttributeValuePtr newValue(AttributeValuePtr value, const std::string& uuid, const char* widget = "slider")
{
    osgEdit edit(value, AttributeBase::UuidFieldMask | AttributeValueBase::WidgetFieldMask);
    value->setUuid(uuid);
    value->setWidget(widget);
    return value;
}

template <class C>
AttributeValuePtr make()
{
    return newValue(C::create(), "rough%s");
}
AttributeValuePtr colour() { return newValue(AttributeFloat4DValue::create(), "rough%s", "color"); }

// A value that does not convert leaves the default; an infinity or NaN, given or made by the conversion to
// float, is refused with a warning (read: invalid).
TEST_F(ValueTypeTest, WrittenValuesAreConvertedToTheClassOrRefused)
{
    ASSERT_TRUE(probeConverts);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const struct { AttributeValuePtr (*create)(); QVariant input; QVariant read; float alpha; } cases[] = {
        {make<AttributeFloatValue>, QString("3.5"), 3.5f, -1},
        {make<AttributeFloatValue>, QString("rough"), 0.0f, -1},
        {make<AttributeFloat2DValue>, var(Probe{1, 2}), var(QVector2D(1, 2)), -1},
        {make<AttributeFloat2DValue>, var(QVector3D(1, 2, 3)), var(QVector2D()), -1},
        {make<AttributeFloat4DValue>, var(QVector3D(1, 2, 3)), var(QVector4D()), 0},
        {colour, var(QVector3D(0.25f, 0.5f, 0.75f)), var(QVector3D(0.25f, 0.5f, 0.75f)), 1},
        {colour, var(QVector4D(1, 0, 0, 0.125f)), var(QVector3D(1, 0, 0)), 0.125f},
        {make<AttributeIntValue>, QString("-17"), -17, -1},
        {make<AttributeIntValue>, QString("many"), 0, -1},
        {make<AttributeInt2DValue>, var(Probe{1, 2}), var(QOXIntVector2D(1, 2)), -1},
        {make<AttributeInt2DValue>, var(QOXIntVector3D(5, 6, 1)), var(QOXIntVector2D()), -1},
        {make<AttributeStringValue>, 12, QString("12"), -1},
        {make<AttributeFloatValue>, nan, QVariant(), -1},
        {make<AttributeFloatValue>, 1e40, QVariant(), -1},
        {make<AttributeFloatValue>, QString("-inf"), QVariant(), -1},
        {make<AttributeFloat2DValue>, var(QVector2D(1, inf)), QVariant(), -1},
        {make<AttributeFloat3DValue>, var(QVector3D(nan, 0, 0)), QVariant(), -1},
        {make<AttributeFloat4DValue>, var(QVector4D(0, 0, 0, -inf)), QVariant(), -1},
        {colour, var(QVector3D(0, inf, 0)), QVariant(), -1},
        {colour, var(QVector4D(0, 0, nan, 1)), QVariant(), -1},
    };
    oxSubstanceAttributeSync sync;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(oxDescribe(c.input));
        AttributeValuePtr value = hold(c.create());
        QVariant before, read;
        ASSERT_TRUE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, before));
        oxStandIn::clearEditLog();
        oxStandIn::clearLogMessages();
        const bool refused = !c.read.isValid();
        EXPECT_EQ(sync.setOsgAttribute(USubstanceMaterialPtr(), value, c.input), !refused);
        EXPECT_EQ(oxStandIn::editLog().empty(), refused);
        EXPECT_EQ(logLines(), refused ? Lines{"warning: Value of substance property 'rough%s' is not a finite "
                                              "number. It was not written."} : Lines{});
        ASSERT_TRUE(sync.getOsgAttribute(USubstanceMaterialPtr(), value, read));
        EXPECT_EQ(read.userType(), (refused ? before : c.read).userType()) << read.typeName();
        EXPECT_EQ(read, refused ? before : c.read);
        if (c.alpha >= 0)
        {
            EXPECT_EQ(AttributeFloat4DValuePtr::dcast(value)->getColorValue()[3], c.alpha);
        }
    }
}

TEST_F(ValueTypeTest, OutputSizeCarriesTheMaterialFlagInZ)
{
    const struct { const char* uuid; bool flagBefore; QVariant input; bool flagAfter; QVariant read; } cases[] = {
        {"$outputsize", false, var(QOXIntVector3D(512, 1024, 1)), true, var(QOXIntVector3D(512, 1024, 1))},
        {"$outputsize", true, var(QOXIntVector3D(256, 128, 2)), false, var(QOXIntVector3D(256, 128, 0))},
        {"$outputsize", true, var(QOXIntVector2D(128, 64)), true, var(QOXIntVector3D(128, 64, 1))},
        {"$OutputSize", false, var(QOXIntVector3D(512, 1024, 1)), false, var(QOXIntVector2D(0, 0))},
        {"$outputsize ", true, var(QOXIntVector3D(512, 1024, 0)), true, var(QOXIntVector2D(0, 0))},
    };
    oxSubstanceAttributeSync sync;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string("'") + c.uuid + "' given " + oxDescribe(c.input));
        const USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
        {
            osgEdit edit(material, USubstanceMaterialBase::SyncOutputSizeFieldMask);
            material->setSyncOutputSize(c.flagBefore);
        }
        AttributeValuePtr value = hold(newValue(AttributeInt2DValue::create(), c.uuid));
        oxStandIn::clearEditLog();
        ASSERT_TRUE(sync.setOsgAttribute(material, value, c.input));
        EXPECT_EQ(material->getSyncOutputSize(), c.flagAfter);
        for (const oxStandIn::EditRecord& r : bracketsOn(material->getId()))
            EXPECT_EQ(r.mask, USubstanceMaterialBase::SyncOutputSizeFieldMask);
        QVariant read;
        ASSERT_TRUE(sync.getOsgAttribute(material, value, read));
        EXPECT_EQ(read.userType(), c.read.userType()) << read.typeName();
        EXPECT_EQ(read, c.read);
    }

    // Without a material the size is written, its flag neither written nor read; no value, nothing.
    AttributeValuePtr size = hold(newValue(AttributeInt2DValue::create(), "$outputsize")), none;
    QVariant read("untouched");
    EXPECT_TRUE(sync.setOsgAttribute(USubstanceMaterialPtr(), size, var(QOXIntVector3D(8, 16, 0))));
    EXPECT_EQ(AttributeInt2DValuePtr::dcast(size)->getIntValueY(), 16);
    EXPECT_FALSE(sync.getOsgAttribute(USubstanceMaterialPtr(), size, read));
    EXPECT_FALSE(sync.setOsgAttribute(USubstanceMaterialPtr(), none, var(QOXIntVector3D(1, 2, 0))));
    EXPECT_FALSE(sync.getOsgAttribute(USubstanceMaterialPtr(), none, read));
    EXPECT_EQ(read, QVariant("untouched"));
}

} // namespace
