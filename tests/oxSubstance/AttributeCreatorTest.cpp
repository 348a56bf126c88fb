// Attribute creator: one typed, described attribute value per input description.

#include "oxHostFixture.h"

#include "host/Attributes.h"
#include "oxSubstanceAttributeCreator.h"

#include <QMap>
#include <QString>
#include <QVariant>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using Description = QMap<QString, QVariant>;

const osg::BitVector kEnrichMask = AttributeBase::UuidFieldMask | AttributeBase::NameFieldMask |
                                   AttributeValueBase::TypeStringFieldMask | AttributeValueBase::WidgetFieldMask |
                                   AttributeValueBase::DefaultFieldMask | AttributeValueBase::VisibilityFieldMask |
                                   AttributeValueBase::DescriptionFieldMask;

const char* const kAxes[4] = {"X", "Y", "Z", "W"};

// What a value holds, in one shape for all ten classes.
struct Observed
{
    double step = 0;
    std::vector<double> min, max, def, current;
    std::vector<std::string> labels; ///< all four captions of a vector class
    std::string map;
    std::string currentText; ///< string value
    bool hasImage = false;
};

template <int N, class Ptr>
void observeFloatVector(const Ptr& v, const osg::Vector<float, N>& current, Observed& o)
{
    o.step = v->getSliderStep();
    for (int i = 0; i < N; ++i)
    {
        o.min.push_back(v->getMinValue()[i]);
        o.max.push_back(v->getMaxValue()[i]);
        o.def.push_back(v->getDefaultValue()[i]);
        o.current.push_back(current[i]);
    }
    o.labels = {v->getLabelX(), v->getLabelY(), v->getLabelZ(), v->getLabelW()};
}

template <int N, class Ptr>
void observeIntVector(const Ptr& v, Observed& o)
{
    const int mins[4] = {v->getMinValueX(), v->getMinValueY(), v->getMinValueZ(), v->getMinValueW()};
    const int maxs[4] = {v->getMaxValueX(), v->getMaxValueY(), v->getMaxValueZ(), v->getMaxValueW()};
    const int defs[4] = {v->getDefaultValueX(), v->getDefaultValueY(), v->getDefaultValueZ(),
                         v->getDefaultValueW()};
    o.step = v->getSliderStep();
    o.min.assign(mins, mins + N);
    o.max.assign(maxs, maxs + N);
    o.def.assign(defs, defs + N);
    o.current = {double(v->getIntValueX()), double(v->getIntValueY()), double(v->getIntValueZ()),
                 double(v->getIntValueW())};
    o.labels = {v->getLabelX(), v->getLabelY(), v->getLabelZ(), v->getLabelW()};
}

Observed observe(const AttributeValuePtr& value)
{
    Observed o;
    if (auto v = AttributeFloatValuePtr::dcast(value); !v.isNull())
    {
        o.step = v->getSliderStep();
        o.min = {v->getMinValue()};
        o.max = {v->getMaxValue()};
        o.def = {v->getDefaultValue()};
        o.current = {v->getFloatValue()};
    }
    else if (auto v = AttributeIntValuePtr::dcast(value); !v.isNull())
    {
        o.step = v->getSliderStep();
        o.min = {double(v->getMinValue())};
        o.max = {double(v->getMaxValue())};
        o.def = {double(v->getDefaultValue())};
        o.current = {double(v->getIntValue())};
        o.map = v->getMap();
    }
    else if (auto v = AttributeFloat2DValuePtr::dcast(value); !v.isNull())
        observeFloatVector(v, v->getFloatVectorValue(), o);
    else if (auto v = AttributeFloat3DValuePtr::dcast(value); !v.isNull())
        observeFloatVector(v, v->getFloatVectorValue(), o);
    else if (auto v = AttributeFloat4DValuePtr::dcast(value); !v.isNull())
        observeFloatVector(v, v->getColorValue(), o);
    else if (auto v = AttributeInt2DValuePtr::dcast(value); !v.isNull())
        observeIntVector<2>(v, o);
    else if (auto v = AttributeInt3DValuePtr::dcast(value); !v.isNull())
        observeIntVector<3>(v, o);
    else if (auto v = AttributeInt4DValuePtr::dcast(value); !v.isNull())
        observeIntVector<4>(v, o);
    else if (auto v = AttributeStringValuePtr::dcast(value); !v.isNull())
        o.currentText = v->getStringValue();
    else if (auto v = AttributeImageValuePtr::dcast(value); !v.isNull())
        o.hasImage = !v->getImage().isNull();
    return o;
}

struct TypeCase
{
    const char* typ;
    const osg::FieldContainerType& (*classType)();
    AttributeValuePtr (*fresh)(); ///< a value as the host creates it, for default captions and values
    int components;               ///< 0 for string and image
    bool integer;
};

template <class C>
AttributeValuePtr freshOf()
{
    return C::create();
}

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.typ; }

const TypeCase kTypes[] = {
    {"float", &AttributeFloatValue::getClassType, &freshOf<AttributeFloatValue>, 1, false},
    {"float[2]", &AttributeFloat2DValue::getClassType, &freshOf<AttributeFloat2DValue>, 2, false},
    {"float[3]", &AttributeFloat3DValue::getClassType, &freshOf<AttributeFloat3DValue>, 3, false},
    {"float[4]", &AttributeFloat4DValue::getClassType, &freshOf<AttributeFloat4DValue>, 4, false},
    {"int", &AttributeIntValue::getClassType, &freshOf<AttributeIntValue>, 1, true},
    {"int[2]", &AttributeInt2DValue::getClassType, &freshOf<AttributeInt2DValue>, 2, true},
    {"int[3]", &AttributeInt3DValue::getClassType, &freshOf<AttributeInt3DValue>, 3, true},
    {"int[4]", &AttributeInt4DValue::getClassType, &freshOf<AttributeInt4DValue>, 4, true},
    {"string", &AttributeStringValue::getClassType, &freshOf<AttributeStringValue>, 0, false},
    {"image", &AttributeImageValue::getClassType, &freshOf<AttributeImageValue>, 0, false},
};

// Every number distinct, exact in single precision, so that a key read for
// the wrong field shows.
struct Numbers
{
    double step, min, max, def;
    double minC[4], maxC[4], defC[4];
};
const Numbers kFloatNumbers = {0.25, -7.5, 70.5, 7.25,
                               {-1.5, -2.5, -3.5, -4.5}, {11.5, 12.5, 13.5, 14.5}, {1.25, 2.25, 3.25, 4.25}};
const Numbers kIntNumbers = {3, -70, 700, 77, {-1, -2, -3, -4}, {11, 12, 13, 14}, {5, 6, 7, 8}};

QVariant number(double d, bool integer)
{
    return integer ? QVariant(int(d)) : QVariant(d);
}

std::string caption(int axis)
{
    return std::string("caption ") + kAxes[axis];
}

// A description that carries every key that any creator reads.
Description fullDescription(const TypeCase& c)
{
    const Numbers& n = c.integer ? kIntNumbers : kFloatNumbers;
    Description d;
    d["TYP"] = c.typ;
    d["ID"] = "input_id";
    d["LABEL"] = "Input Label";
    d["GROUP"] = "Some Group";
    d["VALUE"] = number(99, c.integer);
    d["WIDGET"] = "slider";
    d["VISIBILITY"] = "input.x > 0";
    d["DEFAULT_VALUE"] = "0.5";
    d["DESCRIPTION"] = "what it does";
    d["Step"] = number(n.step, c.integer);
    d["Min"] = number(n.min, c.integer);
    d["Max"] = number(n.max, c.integer);
    d["DefaultValue"] = number(n.def, c.integer);
    for (int i = 0; i < 4; ++i)
    {
        d[QString("Min") + kAxes[i]] = number(n.minC[i], c.integer);
        d[QString("Max") + kAxes[i]] = number(n.maxC[i], c.integer);
        d[QString("DefaultValue") + kAxes[i]] = number(n.defC[i], c.integer);
        d[QString("Label") + kAxes[i]] = QString::fromStdString(caption(i));
    }
    d["Map"] = "0:Off;1:On";
    return d;
}

std::size_t beginRecords()
{
    std::size_t count = 0;
    for (const oxStandIn::EditRecord& r : oxStandIn::editLog())
        count += r.begin ? 1 : 0;
    return count;
}

class AttributeCreatorTypes : public oxHostTest, public ::testing::WithParamInterface<TypeCase>
{
protected:
    /// A fresh host value of the case's class, held until the end of the test.
    Observed freshObserved()
    {
        const AttributeValuePtr fresh = hold(GetParam().fresh());
        oxStandIn::clearEditLog();
        return observe(fresh);
    }
};

TEST_P(AttributeCreatorTypes, fullDescriptionBuildsTheClassWithEveryField)
{
    const TypeCase& c = GetParam();
    const Observed fresh = freshObserved();
    const Description d = fullDescription(c);
    const std::size_t liveBefore = oxStandIn::liveContainerCount();

    const AttributeValuePtr value = oxSubstanceAttributeCreator().create(d);
    ASSERT_FALSE(value.isNull());
    EXPECT_EQ(value->getRefCount(), 0) << "the creator must not keep a reference";
    hold(value);
    EXPECT_EQ(oxStandIn::liveContainerCount(), liveBefore + 1) << "exactly one container per value";
    EXPECT_EQ(&value->getType(), &c.classType()) << value->getType().getName();

    EXPECT_EQ(value->getName(), "Input Label");
    EXPECT_EQ(value->getUuid(), "input_id");
    EXPECT_EQ(value->getTypeString(), c.typ);
    EXPECT_EQ(value->getWidget(), "slider");
    EXPECT_EQ(value->getVisibility(), "input.x > 0");
    EXPECT_EQ(value->getDefault(), "0.5");
    EXPECT_EQ(value->getDescription(), "what it does");

    const Observed o = observe(value);
    const Numbers& n = c.integer ? kIntNumbers : kFloatNumbers;
    if (c.components == 1)
    {
        EXPECT_EQ(o.step, n.step);
        EXPECT_EQ(o.min, std::vector<double>{n.min});
        EXPECT_EQ(o.max, std::vector<double>{n.max});
        EXPECT_EQ(o.def, std::vector<double>{n.def});
    }
    else if (c.components > 1)
    {
        EXPECT_EQ(o.step, n.step);
        EXPECT_EQ(o.min, std::vector<double>(n.minC, n.minC + c.components));
        EXPECT_EQ(o.max, std::vector<double>(n.maxC, n.maxC + c.components));
        EXPECT_EQ(o.def, std::vector<double>(n.defC, n.defC + c.components));
        ASSERT_EQ(o.labels.size(), 4u);
        for (int i = 0; i < 4; ++i)
        {
            // Captions beyond the class's components are not touched.
            const std::string expected = i < c.components ? caption(i) : fresh.labels[i];
            EXPECT_EQ(o.labels[i], expected) << "caption " << kAxes[i];
        }
    }
    EXPECT_EQ(o.map, std::string(c.integer && c.components == 1 ? "0:Off;1:On" : fresh.map));
    EXPECT_EQ(o.current, fresh.current) << "the current value is not the creator's to set";
    EXPECT_EQ(o.currentText, fresh.currentText);
    EXPECT_EQ(o.hasImage, fresh.hasImage);

    // Typed fields under the mask of all fields, then the description under its own mask.
    std::vector<osg::BitVector> expectedMasks;
    if (c.components > 0)
        expectedMasks.push_back(osg::FieldBits::AllFields);
    expectedMasks.push_back(kEnrichMask);
    std::vector<osg::BitVector> masks;
    for (const oxStandIn::EditRecord& r : bracketsOn(value->getId()))
    {
        masks.push_back(r.mask);
        EXPECT_EQ(r.origin, 1u);
    }
    EXPECT_EQ(masks, expectedMasks);
    EXPECT_EQ(beginRecords(), expectedMasks.size()) << "no bracket on any other container";
}

TEST_P(AttributeCreatorTypes, missingKeysGiveZerosAndEmptyTexts)
{
    const TypeCase& c = GetParam();
    const Observed fresh = freshObserved();
    Description d;
    d["TYP"] = c.typ;

    const AttributeValuePtr value = hold(oxSubstanceAttributeCreator().create(d));
    ASSERT_FALSE(value.isNull());
    EXPECT_EQ(value->getTypeString(), c.typ);
    for (const std::string& text : {value->getName(), value->getUuid(), value->getWidget(), value->getVisibility(),
                                    value->getDefault(), value->getDescription()})
        EXPECT_EQ(text, "");

    const Observed o = observe(value);
    const std::vector<double> zeros(std::size_t(c.components), 0.0);
    EXPECT_EQ(o.step, 0.0);
    EXPECT_EQ(o.min, zeros);
    EXPECT_EQ(o.max, zeros);
    EXPECT_EQ(o.def, zeros);
    EXPECT_EQ(o.labels, fresh.labels) << "absent captions are left as the host made them";
    EXPECT_EQ(o.map, fresh.map) << "absent map is left as the host made it";
}

INSTANTIATE_TEST_SUITE_P(AllTypes, AttributeCreatorTypes, ::testing::ValuesIn(kTypes),
                         [](const ::testing::TestParamInfo<TypeCase>& info) {
                             std::string name;
                             for (const char* p = info.param.typ; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p)))
                                     name += *p;
                             return name;
                         });

// ---------------------------------------------------------------- unknown types

struct UnknownTypeCase
{
    const char* name;
    QVariant typ; ///< invalid: no "TYP" key at all
};

void PrintTo(const UnknownTypeCase& c, std::ostream* os) { *os << c.name; }

class AttributeCreatorUnknownType : public oxHostTest, public ::testing::WithParamInterface<UnknownTypeCase>
{
};

TEST_P(AttributeCreatorUnknownType, givesNullAndCreatesNothing)
{
    Description d = fullDescription(kTypes[0]);
    d.remove("TYP");
    if (GetParam().typ.isValid())
        d["TYP"] = GetParam().typ;
    const std::size_t liveBefore = oxStandIn::liveContainerCount();

    EXPECT_TRUE(oxSubstanceAttributeCreator().create(d).isNull());
    EXPECT_EQ(oxStandIn::liveContainerCount(), liveBefore);
    EXPECT_TRUE(oxStandIn::editLog().empty());
    EXPECT_TRUE(logLines().empty()) << "an unknown type is not reported";
}

INSTANTIATE_TEST_SUITE_P(
    Types, AttributeCreatorUnknownType,
    ::testing::Values(UnknownTypeCase{"missing", QVariant()}, UnknownTypeCase{"empty", QString("")},
                      UnknownTypeCase{"capitalised", QString("Float")},
                      UnknownTypeCase{"upperCase", QString("INT[2]")},
                      UnknownTypeCase{"trailingBlank", QString("float ")},
                      UnknownTypeCase{"leadingBlank", QString(" string")},
                      UnknownTypeCase{"oneComponentVector", QString("float[1]")},
                      UnknownTypeCase{"fiveComponentVector", QString("int[5]")},
                      UnknownTypeCase{"innerBlank", QString("float [2]")},
                      UnknownTypeCase{"otherName", QString("bool")},
                      UnknownTypeCase{"numberAsType", QVariant(4)}),
    [](const ::testing::TestParamInfo<UnknownTypeCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- number conversions

struct ConversionCase
{
    const char* name;
    const char* typ;
    const char* key;   ///< "Step", "Min", "Max", "DefaultValue" or a component key such as "MaxY"
    QVariant input;
    double expected;
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

double pick(const Observed& o, const std::string& key)
{
    if (key == "Step")
        return o.step;
    const std::string kinds[3] = {"Min", "Max", "DefaultValue"};
    const std::vector<double>* lists[3] = {&o.min, &o.max, &o.def};
    for (int k = 0; k < 3; ++k)
    {
        if (key.compare(0, kinds[k].size(), kinds[k]) != 0)
            continue;
        const std::string rest = key.substr(kinds[k].size());
        if (rest.empty() && lists[k]->size() == 1)
            return lists[k]->at(0);
        for (int i = 0; i < 4; ++i)
            if (rest == kAxes[i] && std::size_t(i) < lists[k]->size())
                return lists[k]->at(std::size_t(i));
    }
    ADD_FAILURE() << "no field for key " << key;
    return std::nan("");
}

class AttributeCreatorConversion : public oxHostTest, public ::testing::WithParamInterface<ConversionCase>
{
};

TEST_P(AttributeCreatorConversion, storesTheConvertedNumber)
{
    const ConversionCase& c = GetParam();
    Description d;
    d["TYP"] = c.typ;
    d[c.key] = c.input;

    const AttributeValuePtr value = hold(oxSubstanceAttributeCreator().create(d));
    ASSERT_FALSE(value.isNull());
    EXPECT_EQ(pick(observe(value), c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, AttributeCreatorConversion,
    ::testing::Values(
        ConversionCase{"floatFromText", "float", "Min", QString("2.5"), 2.5},
        ConversionCase{"floatFromExponentText", "float[2]", "MaxY", QString("1e3"), 1000.0},
        ConversionCase{"floatFromNonNumberText", "float", "Step", QString("abc"), 0.0},
        ConversionCase{"floatFromInt", "float", "Max", QVariant(3), 3.0},
        ConversionCase{"floatNarrowed", "float", "DefaultValue", QVariant(0.1), double(0.1f)},
        ConversionCase{"floatBeyondRangeClamped", "float", "Min", QVariant(1e300), double(FLT_MAX)},
        ConversionCase{"floatBelowRangeClamped", "float[2]", "MinX", QVariant(-1e300), double(-FLT_MAX)},
        ConversionCase{"intFromText", "int", "Min", QString("42"), 42.0},
        ConversionCase{"intFromDecimalText", "int", "Min", QString("4.2"), 0.0},
        ConversionCase{"intFromDoubleRounds", "int", "Max", QVariant(2.6), 3.0},
        ConversionCase{"intFromHugeDouble", "int", "Step", QVariant(1e20), 0.0},
        ConversionCase{"intFromNaN", "int[4]", "MinW", QVariant(std::numeric_limits<double>::quiet_NaN()), 0.0},
        ConversionCase{"intFromWideInteger", "int", "Min", QVariant(qlonglong(1) << 40), 0.0},
        ConversionCase{"intFromLargestInt", "int[2]", "DefaultValueX", QVariant(qlonglong(2147483647)), 2147483647.0},
        ConversionCase{"intFromTextBeyondRange", "int", "Max", QString("3000000000"), 0.0},
        ConversionCase{"intFromNegativeTextBeyondRange", "int[4]", "MinX", QString("-2147483649"), 0.0},
        ConversionCase{"intFromSmallestIntText", "int[4]", "MinY", QString("-2147483648"), -2147483648.0},
        ConversionCase{"intFromHugeUnsigned", "int", "Step", QVariant(~qulonglong(0) - 4), 0.0}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- captions

struct CaptionCase
{
    const char* name;
    const char* typ;
    const char* present; ///< the axes whose "Label" key is in the description, e.g. "Y"
    const char* set;     ///< the axes whose caption must come from the description
};

void PrintTo(const CaptionCase& c, std::ostream* os) { *os << c.name; }

class AttributeCreatorCaptions : public oxHostTest, public ::testing::WithParamInterface<CaptionCase>
{
};

TEST_P(AttributeCreatorCaptions, onlyPresentCaptionsOfTheClassComponentsAreSet)
{
    const CaptionCase& c = GetParam();
    const TypeCase* type = nullptr;
    for (const TypeCase& t : kTypes)
        if (std::string(t.typ) == c.typ)
            type = &t;
    ASSERT_NE(type, nullptr);
    const std::vector<std::string> defaults = observe(hold(type->fresh())).labels;

    Description d;
    d["TYP"] = c.typ;
    for (const char* p = c.present; *p; ++p)
        d[QString("Label") + QChar(*p)] = QString("text ") + QChar(*p);

    const AttributeValuePtr value = hold(oxSubstanceAttributeCreator().create(d));
    ASSERT_FALSE(value.isNull());
    const std::vector<std::string> labels = observe(value).labels;
    ASSERT_EQ(labels.size(), 4u);
    for (int i = 0; i < 4; ++i)
    {
        const bool set = std::string(c.set).find(kAxes[i]) != std::string::npos;
        EXPECT_EQ(labels[i], set ? std::string("text ") + kAxes[i] : defaults[i]) << "caption " << kAxes[i];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Captions, AttributeCreatorCaptions,
    ::testing::Values(CaptionCase{"float3OnlyY", "float[3]", "Y", "Y"},
                      CaptionCase{"int2IgnoresZ", "int[2]", "Z", ""},
                      CaptionCase{"int4OnlyW", "int[4]", "W", "W"}),
    [](const ::testing::TestParamInfo<CaptionCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- texts

TEST_F(oxHostTest, attributeCreatorStoresLabelAsNameAndIdAsUuidInUtf8)
{
    Description d;
    d["TYP"] = "string";
    d["LABEL"] = QString::fromUtf8(u8"Größe \u2713");
    d["ID"] = QString::fromUtf8(u8"größe");
    d["DESCRIPTION"] = QString::fromUtf8(u8"\u00e9t\u00e9");
    const AttributeValuePtr value = hold(oxSubstanceAttributeCreator().create(d));
    ASSERT_FALSE(value.isNull());
    EXPECT_EQ(value->getName(), std::string(u8"Größe \u2713"));
    EXPECT_EQ(value->getUuid(), std::string(u8"größe"));
    EXPECT_EQ(value->getDescription(), std::string(u8"\u00e9t\u00e9"));
}

} // namespace
