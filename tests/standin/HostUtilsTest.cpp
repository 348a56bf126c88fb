// Host utilities: log formatting and echo, file-name expansion, material names.

#include "Materials.h"
#include "oxHostFixture.h"
#include "oxHostUtils.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- log

class LogTest : public oxHostTest
{
protected:
    void TearDown() override
    {
        oxStandIn::setLogEcho(false);
        oxHostTest::TearDown();
    }
};

TEST_F(LogTest, FormatsPrintfStyleAndKeepsLevelAndOrder)
{
    oxLog::error("Unable to apply parameter to material %s, group: %s, property %s: Group not found.", "Wood", "",
                 "color");
    oxLog::warning("%d presets, %u skipped, %.2f%% done", -3, 7u, 42.126);
    oxLog::warning("%s", "Gr\xc3\xbcn \xe6\x9c\xa8");
    oxLog::error("%5s|%-4d|%x", "ab", 12, 255);
    oxLog::warning("%s", "");

    const std::vector<std::string> expected = {
        "error: Unable to apply parameter to material Wood, group: , property color: Group not found.",
        "warning: -3 presets, 7 skipped, 42.13% done",
        "warning: Gr\xc3\xbcn \xe6\x9c\xa8",
        "error:    ab|12  |ff",
        "warning: ",
    };
    EXPECT_EQ(logLines(), expected);
}

TEST_F(LogTest, LongMessagesAreNotCut)
{
    const std::string longText(5000, 'x');
    oxLog::error("<%s>", longText.c_str());
    ASSERT_EQ(oxStandIn::logMessages().size(), 1u);
    EXPECT_EQ(oxStandIn::logMessages()[0].text, "<" + longText + ">");
    EXPECT_EQ(oxStandIn::logMessages()[0].level, oxStandIn::LogMessage::Error);
}

TEST_F(LogTest, EchoGoesToStandardErrorOnlyWhenSwitchedOn)
{
    ::testing::internal::CaptureStderr();
    oxLog::error("quiet %d", 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    oxStandIn::setLogEcho(true);
    ::testing::internal::CaptureStderr();
    oxLog::error("loud %d", 2);
    oxLog::warning("careful");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "error: loud 2\nwarning: careful\n");
    EXPECT_EQ(oxStandIn::logMessages().size(), 3u);

    oxStandIn::clearLogMessages();
    EXPECT_TRUE(oxStandIn::logMessages().empty());
}

// ---------------------------------------------------------------- expandFilename

/// Sets or unsets an environment variable for one test and puts it back afterwards.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : _name(name)
    {
        if (const char* old = std::getenv(name))
        {
            _had = true;
            _old = old;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (_had)
            setenv(_name.c_str(), _old.c_str(), 1);
        else
            unsetenv(_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string _name;
    bool _had = false;
    std::string _old;
};

struct ExpandCase
{
    const char* path;
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const ExpandCase& c)
{
    return out << '"' << c.path << '"';
}

class ExpandFilenameTest : public oxHostTest, public ::testing::WithParamInterface<ExpandCase>
{
};

TEST_P(ExpandFilenameTest, Expands)
{
    ScopedEnv home("HOME", "/home/tester");
    ScopedEnv a("OXT_A", "alpha");
    ScopedEnv b("OXT_B", "/beta dir");
    ScopedEnv unset("OXT_UNSET", nullptr);
    EXPECT_EQ(oxFile::expandFilename(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExpandFilenameTest,
    ::testing::Values(ExpandCase{"", ""}, ExpandCase{"/plain/path.sbsar", "/plain/path.sbsar"},
                      ExpandCase{"~", "/home/tester"}, ExpandCase{"~/", "/home/tester/"},
                      ExpandCase{"~/a/b.sbsar", "/home/tester/a/b.sbsar"}, ExpandCase{"~other/a", "~other/a"},
                      ExpandCase{"a/~/b", "a/~/b"}, ExpandCase{"$OXT_A/x", "alpha/x"},
                      ExpandCase{"${OXT_A}x", "alphax"}, ExpandCase{"$OXT_Ax", ""},
                      ExpandCase{"$OXT_A$OXT_B", "alpha/beta dir"}, ExpandCase{"$OXT_B/f.sbsar", "/beta dir/f.sbsar"},
                      ExpandCase{"$OXT_UNSET/x", "/x"}, ExpandCase{"a${OXT_UNSET}b", "ab"},
                      ExpandCase{"~/$OXT_A", "/home/tester/alpha"}, ExpandCase{"$", "$"}, ExpandCase{"a$", "a$"},
                      ExpandCase{"$1x", "$1x"}, ExpandCase{"$/x", "$/x"}, ExpandCase{"${OXT_A", "${OXT_A"},
                      ExpandCase{"${}", "${}"}, ExpandCase{"$$OXT_A", "$alpha"},
                      ExpandCase{"price$OXT_A.sbsar", "pricealpha.sbsar"}));

// ---------------------------------------------------------------- material names

class MaterialNameTest : public oxHostTest
{
};

TEST_F(MaterialNameTest, NameOrNullMarker)
{
    EXPECT_EQ(oxMaterials::getName(MaterialPtr()), "<null>");

    USubstanceMaterialPtr material = hold(USubstanceMaterial::create());
    EXPECT_EQ(oxMaterials::getName(material), "");
    {
        osgEdit edit(material, Material::NameFieldMask);
        material->setName("Holz \xc3\xa4");
    }
    EXPECT_EQ(oxMaterials::getName(material), "Holz \xc3\xa4");

    USubstanceEnvironmentMaterialPtr environment = hold(USubstanceEnvironmentMaterial::create());
    {
        osgEdit edit(environment, Material::NameFieldMask);
        environment->setName("Sky");
    }
    EXPECT_EQ(oxMaterials::getName(environment), "Sky");
}

} // namespace
