// Value types that travel in QVariant: the integer vectors and the scripting
// image object. Names, ordering, comparison and debug output.

#include "oxHostFixture.h"
#include "oxdImage.h"
#include "QOXIntVector.h"

#include <QDebug>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <array>
#include <climits>
#include <ostream>
#include <vector>

void PrintTo(const QOXIntVector2D& v, std::ostream* os)
{
    *os << '(' << v.getX() << ", " << v.getY() << ')';
}
void PrintTo(const QOXIntVector3D& v, std::ostream* os)
{
    *os << '(' << v.getX() << ", " << v.getY() << ", " << v.getZ() << ')';
}
void PrintTo(const QOXIntVector4D& v, std::ostream* os)
{
    *os << '(' << v.getX() << ", " << v.getY() << ", " << v.getZ() << ", " << v.getW() << ')';
}

namespace {

using Components = std::array<int, 4>;

struct OrderCase
{
    Components lhs;
    Components rhs;
    bool less;
};

QString debugText(const QVariant& value)
{
    QString text;
    QDebug(&text) << value;
    return text;
}

} // namespace

// Traits of the three vector types for the typed tests (named for the test names).

struct Vector2D
{
    using Type = QOXIntVector2D;
    static constexpr int size = 2;
    static constexpr const char* name = "QOXIntVector2D";
    static Type make(const Components& c) { return Type(c[0], c[1]); }
    static Components read(const Type& v) { return {v.getX(), v.getY(), 0, 0}; }
    static std::vector<OrderCase> order()
    {
        return {{{1, 2}, {2, 0}, true},
                {{2, 0}, {1, 2}, false},
                {{1, 2}, {1, 3}, true},
                {{1, 3}, {1, 2}, false},
                {{4, 4}, {4, 4}, false},
                {{-1, 0}, {0, 0}, true},
                {{INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}, true},
                {{INT_MAX, 0}, {INT_MIN, 0}, false},
                {{0, INT_MIN}, {0, INT_MAX}, true}};
    }
    static const char* debug() { return "QOXIntVector2D(1, -2)"; }
};

struct Vector3D
{
    using Type = QOXIntVector3D;
    static constexpr int size = 3;
    static constexpr const char* name = "QOXIntVector3D";
    static Type make(const Components& c) { return Type(c[0], c[1], c[2]); }
    static Components read(const Type& v) { return {v.getX(), v.getY(), v.getZ(), 0}; }
    static std::vector<OrderCase> order()
    {
        return {{{1, 9, 9}, {2, 0, 0}, true},
                {{1, 2, 9}, {1, 3, 0}, true},
                {{1, 3, 0}, {1, 2, 9}, false},
                {{1, 2, 3}, {1, 2, 4}, true},
                {{1, 2, 4}, {1, 2, 3}, false},
                {{5, 6, 7}, {5, 6, 7}, false},
                {{0, 0, INT_MIN}, {0, 0, INT_MAX}, true},
                {{0, 0, INT_MAX}, {0, 0, INT_MIN}, false}};
    }
    static const char* debug() { return "QOXIntVector3D(1, -2, 3)"; }
};

struct Vector4D
{
    using Type = QOXIntVector4D;
    static constexpr int size = 4;
    static constexpr const char* name = "QOXIntVector4D";
    static Type make(const Components& c) { return Type(c[0], c[1], c[2], c[3]); }
    static Components read(const Type& v) { return {v.getX(), v.getY(), v.getZ(), v.getW()}; }
    static std::vector<OrderCase> order()
    {
        return {{{1, 9, 9, 9}, {2, 0, 0, 0}, true},
                {{1, 2, 9, 9}, {1, 3, 0, 0}, true},
                {{1, 2, 3, 9}, {1, 2, 4, 0}, true},
                {{1, 2, 4, 0}, {1, 2, 3, 9}, false},
                {{1, 2, 3, 4}, {1, 2, 3, 5}, true},
                {{1, 2, 3, 5}, {1, 2, 3, 4}, false},
                {{1, 2, 3, 4}, {1, 2, 3, 4}, false},
                {{0, 0, 0, INT_MIN}, {0, 0, 0, INT_MAX}, true},
                {{0, 0, 0, INT_MAX}, {0, 0, 0, INT_MIN}, false}};
    }
    static const char* debug() { return "QOXIntVector4D(1, -2, 3, -4)"; }
};

template <class Traits>
class IntVectorTest : public oxHostTest
{
};

using VectorKinds = ::testing::Types<Vector2D, Vector3D, Vector4D>;
TYPED_TEST_SUITE(IntVectorTest, VectorKinds);

TYPED_TEST(IntVectorTest, IsKnownToQtByNameFromTheStart)
{
    // No qMetaTypeId<> before this line: the host library registered the name.
    const int byName = QMetaType::type(TypeParam::name);
    ASSERT_NE(byName, int(QMetaType::UnknownType)) << TypeParam::name;
    EXPECT_EQ(byName, qMetaTypeId<typename TypeParam::Type>());
    EXPECT_STREQ(QMetaType::typeName(byName), TypeParam::name);
    EXPECT_STREQ(QVariant::fromValue(typename TypeParam::Type()).typeName(), TypeParam::name);
    EXPECT_TRUE(QMetaType::hasRegisteredComparators(byName));
    EXPECT_TRUE(QMetaType::hasRegisteredDebugStreamOperator(byName));
}

TYPED_TEST(IntVectorTest, DefaultIsZeroAndComponentsReadBack)
{
    EXPECT_EQ(TypeParam::read(typename TypeParam::Type()), (Components{0, 0, 0, 0}));
    Components c{INT_MIN, -1, INT_MAX, 7};
    for (int i = TypeParam::size; i < 4; ++i)
        c[i] = 0;
    EXPECT_EQ(TypeParam::read(TypeParam::make(c)), c);
}

TYPED_TEST(IntVectorTest, OrderIsLexicographic)
{
    for (const OrderCase& c : TypeParam::order())
    {
        const auto a = TypeParam::make(c.lhs);
        const auto b = TypeParam::make(c.rhs);
        EXPECT_EQ(a < b, c.less) << ::testing::PrintToString(a) << " < " << ::testing::PrintToString(b);
        if (c.less)
        {
            EXPECT_FALSE(b < a) << ::testing::PrintToString(b) << " < " << ::testing::PrintToString(a);
        }
    }
}

TYPED_TEST(IntVectorTest, QtComparesThroughTheRegisteredComparators)
{
    const int id = qMetaTypeId<typename TypeParam::Type>();
    for (const OrderCase& c : TypeParam::order())
    {
        const auto a = TypeParam::make(c.lhs);
        const auto b = TypeParam::make(c.rhs);
        int result = 99;
        ASSERT_TRUE(QMetaType::compare(&a, &b, id, &result));
        const int expected = a == b ? 0 : (c.less ? -1 : 1);
        EXPECT_EQ(result, expected) << ::testing::PrintToString(a) << " vs " << ::testing::PrintToString(b);
        int equal = 99;
        ASSERT_TRUE(QMetaType::equals(&a, &b, id, &equal));
        EXPECT_EQ(equal == 0, a == b);
    }
}

TYPED_TEST(IntVectorTest, VariantsAreEqualByValue)
{
    const Components base{3, -5, 8, 13};
    const QVariant value = QVariant::fromValue(TypeParam::make(base));
    EXPECT_TRUE(value == QVariant::fromValue(TypeParam::make(base)));
    for (int i = 0; i < TypeParam::size; ++i)
    {
        Components changed = base;
        changed[i] += 1;
        EXPECT_TRUE(value != QVariant::fromValue(TypeParam::make(changed))) << "component " << i;
    }
    EXPECT_TRUE(value != QVariant(3));
    EXPECT_TRUE(value != QVariant());
    EXPECT_EQ(value.value<typename TypeParam::Type>(), TypeParam::make(base));
}

TYPED_TEST(IntVectorTest, DebugOutputShowsTheComponents)
{
    const auto v = TypeParam::make({1, -2, 3, -4});
    EXPECT_TRUE(debugText(QVariant::fromValue(v)).contains(TypeParam::debug())) << debugText(QVariant::fromValue(v)).toStdString();
}

using HostValueTest = oxHostTest;

TEST_F(HostValueTest, VectorsOfDifferentSizesAreNeverEqual)
{
    const QVariant v2 = QVariant::fromValue(QOXIntVector2D(1, 2));
    const QVariant v3 = QVariant::fromValue(QOXIntVector3D(1, 2, 0));
    const QVariant v4 = QVariant::fromValue(QOXIntVector4D(1, 2, 0, 0));
    EXPECT_TRUE(v2 != v3);
    EXPECT_TRUE(v3 != v4);
    EXPECT_TRUE(v2 != v4);
    EXPECT_NE(qMetaTypeId<QOXIntVector2D>(), qMetaTypeId<QOXIntVector3D>());
    EXPECT_NE(qMetaTypeId<QOXIntVector3D>(), qMetaTypeId<QOXIntVector4D>());
}

// --------------------------------------------------------------------- image

TEST_F(HostValueTest, ImageIsKnownToQtByNameFromTheStart)
{
    const int byName = QMetaType::type("oxdImage");
    ASSERT_NE(byName, int(QMetaType::UnknownType));
    EXPECT_EQ(byName, qMetaTypeId<oxdImage>());
    EXPECT_STREQ(QVariant::fromValue(oxdImage(3)).typeName(), "oxdImage");
    EXPECT_TRUE(QMetaType::hasRegisteredComparators(byName));
}

TEST_F(HostValueTest, ImageVariantsAreEqualByContainerId)
{
    const int id = qMetaTypeId<oxdImage>();
    struct Case
    {
        std::uint32_t a, b;
    };
    for (const Case& c : {Case{0, 0}, Case{5, 5}, Case{5, 6}, Case{0, 1}, Case{0xffffffffu, 0xffffffffu},
                          Case{0xffffffffu, 0x7fffffffu}})
    {
        const bool same = c.a == c.b;
        EXPECT_EQ(QVariant::fromValue(oxdImage(c.a)) == QVariant::fromValue(oxdImage(c.b)), same)
            << c.a << " vs " << c.b;
        const oxdImage a(c.a);
        const oxdImage b(c.b);
        int result = 99;
        ASSERT_TRUE(QMetaType::equals(&a, &b, id, &result));
        EXPECT_EQ(result == 0, same) << c.a << " vs " << c.b;
    }
}

TEST_F(HostValueTest, OnlyImageVariantsConvertToAnImage)
{
    struct Case
    {
        const char* what;
        QVariant value;
        bool converts;
    };
    const Case cases[] = {
        {"image", QVariant::fromValue(oxdImage(42)), true},
        {"image 0", QVariant::fromValue(oxdImage()), true},
        {"invalid", QVariant(), false},
        {"int", QVariant(42), false},
        {"unsigned", QVariant(42u), false},
        {"string", QVariant(QString("42")), false},
        {"vector", QVariant::fromValue(QOXIntVector2D(42, 0)), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value.canConvert<oxdImage>(), c.converts) << c.what;
    EXPECT_EQ(cases[0].value.value<oxdImage>().getObjectId(), 42u);
    EXPECT_EQ(oxdImage().getObjectId(), 0u);
}

TEST_F(HostValueTest, ImageDebugOutputShowsTheId)
{
    EXPECT_TRUE(debugText(QVariant::fromValue(oxdImage(17))).contains("oxdImage(17)"))
        << debugText(QVariant::fromValue(oxdImage(17))).toStdString();
}
