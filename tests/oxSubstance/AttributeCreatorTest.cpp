// Attribute creator: one typed, described attribute value per input description.

#include "oxHostFixture.h"

#include "host/Attributes.h"
#include "oxSubstanceAttributeCreator.h"

#include <QMap>
#include <QString>
#include <QVariant>

#include <cfloat>
#include <climits>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Description = QMap<QString, QVariant>;

const char* const kAxes[4] = {"X", "Y", "Z", "W"};
const char* const kBounds[3] = {"Min", "Max", "DefaultValue"};
const char* const kLabel = u8"Größe";
const char* const kId = u8"größe_id";

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

struct TypeCase
{
    const char* name;
    const char* typ;
    const osg::FieldContainerType& (*classType)();
    int components; ///< 0 for string and image
    bool integer;
    Observed (*observe)(const AttributeValuePtr&); ///< null for string and image
};

/// Names the case in test listings (instead of its bytes).
void PrintTo(const TypeCase& c, std::ostream* os)
{
    *os << c.name;
}

const TypeCase kTypes[] = {
    {"float", "float", &AttributeFloatValue::getClassType, 1, false, &observe<AttributeFloatValuePtr, 1>},
    {"float2", "float[2]", &AttributeFloat2DValue::getClassType, 2, false, &observe<AttributeFloat2DValuePtr, 2>},
    {"float3", "float[3]", &AttributeFloat3DValue::getClassType, 3, false, &observe<AttributeFloat3DValuePtr, 3>},
    {"float4", "float[4]", &AttributeFloat4DValue::getClassType, 4, false, &observe<AttributeFloat4DValuePtr, 4>},
    {"int", "int", &AttributeIntValue::getClassType, 1, true, &observe<AttributeIntValuePtr, 1>},
    {"int2", "int[2]", &AttributeInt2DValue::getClassType, 2, true, &observe<AttributeInt2DValuePtr, 2>},
    {"int3", "int[3]", &AttributeInt3DValue::getClassType, 3, true, &observe<AttributeInt3DValuePtr, 3>},
    {"int4", "int[4]", &AttributeInt4DValue::getClassType, 4, true, &observe<AttributeInt4DValuePtr, 4>},
    {"string", "string", &AttributeStringValue::getClassType, 0, false, nullptr},
    {"image", "image", &AttributeImageValue::getClassType, 0, false, nullptr},
};

/// A distinct number per bound and axis (axis 4 is the key without axis), exact in single precision.
double number(int bound, int axis, bool integer)
{
    const double scale[3] = {-10, 100, 1};
    return scale[bound] * (axis + 1) + (integer ? 0 : bound == 0 ? -0.5 : 0.5);
}

/// Every key any creator reads, except the captions of X and Z; the step as text.
Description fullDescription(const char* typ, bool integer)
{
    Description d = {{"TYP", typ}, {"ID", QString::fromUtf8(kId)}, {"LABEL", QString::fromUtf8(kLabel)},
                     {"WIDGET", "slider"}, {"VISIBILITY", "input.x > 0"}, {"DEFAULT_VALUE", "0.5"},
                     {"DESCRIPTION", "what it does"}, {"Step", integer ? "3" : "0.25"}, {"LabelY", "caption Y"},
                     {"LabelW", "caption W"}, {"Map", "0:Off;1:On"}};
    for (int bound = 0; bound < 3; ++bound)
        for (int axis = 0; axis < 5; ++axis)
        {
            const double n = number(bound, axis, integer);
            d[QString(kBounds[bound]) + (axis < 4 ? kAxes[axis] : "")] = integer ? QVariant(int(n)) : QVariant(n);
        }
    return d;
}

class AttributeCreatorTypes : public oxHostTest, public ::testing::WithParamInterface<TypeCase>
{
};

TEST_P(AttributeCreatorTypes, BuildsTheClassWithItsFieldsUnderExactMasks)
{
    const TypeCase& c = GetParam();
    const AttributeValuePtr value = oxSubstanceAttributeCreator().create(fullDescription(c.typ, c.integer));
    ASSERT_FALSE(value.isNull());
    EXPECT_EQ(value->getRefCount(), 0) << "the creator keeps no reference";
    hold(value);
    ASSERT_EQ(&value->getType(), &c.classType()) << value->getType().getName();
    EXPECT_EQ((std::vector<std::string>{value->getName(), value->getUuid(), value->getTypeString(),
                                        value->getWidget(), value->getVisibility(), value->getDefault(),
                                        value->getDescription()}),
              (std::vector<std::string>{kLabel, kId, c.typ, "slider", "input.x > 0", "0.5", "what it does"}));

    if (c.observe)
    {
        const Observed o = c.observe(value);
        std::vector<double> bounds;
        for (int bound = 0; bound < 3; ++bound)
            for (int i = 0; i < c.components; ++i)
                bounds.push_back(number(bound, c.components == 1 ? 4 : i, c.integer));
        EXPECT_EQ(o.bounds, bounds) << "min, max and default of each component";
        EXPECT_EQ(o.step, c.integer ? 3.0 : 0.25);
        EXPECT_EQ(o.map, c.integer && c.components == 1 ? "0:Off;1:On" : "");
        // Only the captions present in the description and within the class's components are set.
        const std::vector<std::string> labels = {"X", "caption Y", "Z", c.components == 4 ? "caption W" : "W"};
        EXPECT_EQ(o.labels, c.components > 1 ? labels : std::vector<std::string>());
    }

    std::vector<osg::BitVector> masks;
    for (const oxStandIn::EditRecord& r : bracketsOn(value->getId()))
        masks.push_back(r.mask);
    const osg::BitVector described =
        AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask | AttributeValueBase::TypeStringFieldMask |
        AttributeValueBase::WidgetFieldMask | AttributeValueBase::DefaultFieldMask |
        AttributeValueBase::VisibilityFieldMask | AttributeValueBase::DescriptionFieldMask;
    std::vector<osg::BitVector> expectedMasks = {described};
    if (c.components > 0)
        expectedMasks.insert(expectedMasks.begin(), osg::FieldBits::AllFields);
    EXPECT_EQ(masks, expectedMasks);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, AttributeCreatorTypes, ::testing::ValuesIn(kTypes),
                         [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });

using AttributeCreatorTest = oxHostTest;

TEST_F(AttributeCreatorTest, UnknownTypeGivesNullAndCreatesNothing)
{
    const std::size_t liveBefore = oxStandIn::liveContainerCount();
    for (const QVariant& typ : {QVariant(), QVariant(""), QVariant("Float"), QVariant("INT[2]"), QVariant("float "),
                                QVariant(" string"), QVariant("int[5]"), QVariant(4)})
    {
        SCOPED_TRACE("TYP '" + typ.toString().toStdString() + "'");
        Description d = fullDescription("float", false);
        d.remove("TYP");
        if (typ.isValid())
            d["TYP"] = typ;
        EXPECT_TRUE(oxSubstanceAttributeCreator().create(d).isNull());
    }
    EXPECT_EQ(oxStandIn::liveContainerCount(), liveBefore);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty());
}

// A number that does not fit its field reads as 0 (a float as the largest float), never wrapped.
TEST_F(AttributeCreatorTest, ConvertsNumbersWithoutWrapping)
{
    const struct
    {
        const char* typ;
        QVariant min;
        double expected;
    } cases[] = {
        {"float", QVariant(1e300), double(FLT_MAX)},
        {"float", QVariant(-1e300), double(-FLT_MAX)},
        {"int", QString("-2147483648"), double(INT_MIN)},
        {"int", QString("3000000000"), 0.0},
        {"int", QVariant(1e20), 0.0},
        {"int", QVariant(qlonglong(1) << 40), 0.0},
        {"int", QVariant(~qulonglong(0) - 4), 0.0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.typ) + " from " + c.min.typeName() + " " + c.min.toString().toStdString());
        const AttributeValuePtr value = hold(oxSubstanceAttributeCreator().create({{"TYP", c.typ}, {"Min", c.min}}));
        ASSERT_FALSE(value.isNull());
        const double min = c.typ[0] == 'f' ? double(AttributeFloatValuePtr::dcast(value)->getMinValue())
                                           : double(AttributeIntValuePtr::dcast(value)->getMinValue());
        EXPECT_EQ(min, c.expected);
    }
}

} // namespace
