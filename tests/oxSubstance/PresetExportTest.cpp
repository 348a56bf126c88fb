// Export of chosen presets to a preset file, and the file read back.

#include "PresetTestHelpers.h"
#include "oxHostFixture.h"
#include "oxSubstancePresetUtils.h"

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"
#include "preset/SubstanceAirPreset.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace presettest;

namespace {

const std::string Footer = "</sbspresets>\n\n";

std::string header(int count)
{
    return "<sbspresets count=\"" + std::to_string(count) + "\" formatversion=\"1\">\n";
}

// Slots of the material that every export case starts from.
const std::string Content0 = presetXml("pkg://m/wood", "OldLabel",
                                       {{"rough", "1", "0", "0.25"}, {"tex", "2", "5", "C:/a b.png"}}, "described");
const std::string Content2 = presetXml("pkg://m/metal", "x", {{"color", "7", "3", "1,0,0,1"}});
const std::string Content3 = "not a preset";
const std::string Content4 = "<sbspreset pkgurl=\"\" label=\"e\"/>";

// The element that each readable slot exports to: the slot's name as label, no description.
const std::string Element0 = " <sbspreset pkgurl=\"pkg://m/wood\" label=\"First\" >\n"
                             "  <presetinput identifier=\"rough\" uid=\"1\" type=\"0\" value=\"0.25\" />\n"
                             "  <presetinput identifier=\"tex\" uid=\"2\" type=\"5\" filepath=\"C:/a b.png\" />\n"
                             " </sbspreset>\n";
const std::string Element2 = " <sbspreset pkgurl=\"pkg://m/metal\" label=\"Third &amp; &lt;co&gt;\" >\n"
                             "  <presetinput identifier=\"color\" uid=\"7\" type=\"3\" value=\"1,0,0,1\" />\n"
                             " </sbspreset>\n";
const std::string Element4 = " <sbspreset pkgurl=\"\" label=\"50%s %d\" >\n"
                             " </sbspreset>\n";

class PresetExportTest : public oxHostTest
{
protected:
    void SetUp() override
    {
        oxHostTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        material = hold(USubstanceMaterial::create());
        material->addPreset("First", Content0, "");
        material->addPreset(SubstancePresetPtr());
        material->addPreset("Third & <co>", Content2, "");
        material->addPreset("Broken", Content3, "");
        material->addPreset("50%s %d", Content4, "");
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    QTemporaryDir dir;
    USubstanceMaterialPtr material;
};

struct ExportCase
{
    std::vector<unsigned int> indexes;
    std::string body; ///< the elements between header and footer
};

void PrintTo(const ExportCase& c, std::ostream* os)
{
    *os << "indexes " << joined(c.indexes);
}

class ExportCasesTest : public PresetExportTest, public ::testing::WithParamInterface<ExportCase>
{
};

TEST_P(ExportCasesTest, FileIsByteExact)
{
    const QString file = path("out.sbsprs");
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, GetParam().indexes, file));
    const int count = static_cast<int>(GetParam().indexes.size());
    EXPECT_EQ(readFile(file), header(count) + GetParam().body + Footer);
    EXPECT_TRUE(logLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, ExportCasesTest,
    ::testing::Values(ExportCase{{0}, Element0},
                      ExportCase{{2, 0}, Element2 + Element0},            // order of the indexes
                      ExportCase{{0, 2, 4}, Element0 + Element2 + Element4},
                      ExportCase{{4, 2, 0}, Element4 + Element2 + Element0},
                      ExportCase{{0, 1}, Element0},                       // null slot left out, still counted
                      ExportCase{{3, 2}, Element2},                       // unreadable content left out
                      ExportCase{{1}, ""}, ExportCase{{3, 1}, ""},
                      ExportCase{{4}, Element4}));                         // no inputs; per cent signs kept

TEST_F(PresetExportTest, RenamedPresetIsExportedUnderItsNewName)
{
    const SubstancePresetPtr first = material->getSubstancePresets()[0];
    {
        osgEdit edit(first, SubstancePresetBase::NameFieldMask);
        first->setName("Renamed \"one\"");
    }
    const QString file = path("renamed.sbsprs");
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, {0}, file));
    std::string expected = Element0;
    expected.replace(expected.find("label=\"First\""), 13, "label=\"Renamed &quot;one&quot;\"");
    EXPECT_EQ(readFile(file), header(1) + expected + Footer);
    EXPECT_EQ(first->getContent(), Content0) << "export leaves the preset alone";
}

TEST_F(PresetExportTest, ExistingFileIsReplaced)
{
    const QString file = path("existing.sbsprs");
    ASSERT_TRUE(writeFile(file, std::string(4096, 'x')));
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, {2}, file));
    EXPECT_EQ(readFile(file), header(1) + Element2 + Footer);
}

TEST_F(PresetExportTest, PathWithNonAsciiCharactersIsWritten)
{
    const QString file = path(QString::fromUtf8(u8"pr\u00e9sets \u00fc.sbsprs"));
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, {4}, file));
    EXPECT_EQ(readFile(file), header(1) + Element4 + Footer);
}

// ---------------------------------------------------------------- refusals and failures

struct RefusedCase
{
    const char* what;
    bool nullMaterial;
    std::vector<unsigned int> indexes;
    bool emptyPath;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.what;
}

class RefusedExportTest : public PresetExportTest, public ::testing::WithParamInterface<RefusedCase>
{
};

TEST_P(RefusedExportTest, ReturnsFalseAndWritesNothing)
{
    const QString file = GetParam().emptyPath ? QString() : path("refused.sbsprs");
    const USubstanceMaterialPtr m = GetParam().nullMaterial ? USubstanceMaterialPtr() : material;
    DebugCapture debug;
    EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(m, GetParam().indexes, file));
    EXPECT_FALSE(QFileInfo::exists(path("refused.sbsprs")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(DebugCapture::messages().empty()) << "refusals are not write failures";
}

INSTANTIATE_TEST_SUITE_P(Arguments, RefusedExportTest,
                         ::testing::Values(RefusedCase{"null material", true, {0}, false},
                                           RefusedCase{"no index", false, {}, false},
                                           RefusedCase{"repeated index", false, {0, 2, 0}, false},
                                           RefusedCase{"index equal to the count", false, {5}, false},
                                           RefusedCase{"one index too large", false, {0, 7}, false},
                                           RefusedCase{"empty path", false, {0}, true}),
                         [](const ::testing::TestParamInfo<RefusedCase>& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 if (c == ' ')
                                     c = '_';
                             return name;
                         });

TEST_F(PresetExportTest, UnwritablePathFailsWithCantSave)
{
    const QStringList unwritable = {path("missing-dir/out.sbsprs"), dir.path()};
    for (const QString& file : unwritable)
    {
        DebugCapture debug;
        EXPECT_FALSE(oxSubstancePresetUtils::exportPresets(material, {0, 2}, file)) << file.toStdString();
        const std::vector<std::string> expected = {"Can't save \"" + file.toStdString() + "\""};
        EXPECT_EQ(DebugCapture::messages(), expected);
    }
    EXPECT_FALSE(QFileInfo::exists(path("missing-dir")));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(logLines().empty());
}

// ---------------------------------------------------------------- read back

TEST_F(PresetExportTest, ExportedFileReadsBackAsTheExportedRecords)
{
    const QString file = path("back.sbsprs");
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(material, {2, 0, 3, 1}, file));
    ASSERT_TRUE(QSubstanceFile(file).arePresets());

    std::vector<SubstanceAir::Preset> records;
    ASSERT_TRUE(SubstanceAir::parsePresets(records, readFile(file).c_str()));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].label, "Third & <co>");
    EXPECT_EQ(records[0].packageUrl, "pkg://m/metal");
    EXPECT_EQ(records[1].label, "First");
    EXPECT_EQ(records[1].description, "") << "descriptions are not exported";
    ASSERT_EQ(records[1].inputValues.size(), 2u);
    EXPECT_EQ(records[1].inputValues[1].identifier, "tex");
    EXPECT_EQ(records[1].inputValues[1].type, 5u);
    EXPECT_EQ(records[1].inputValues[1].value, "C:/a b.png");
}

TEST_F(PresetExportTest, SampleArchivePresetsRoundTrip)
{
    const USubstanceMaterialPtr m = hold(USubstanceMaterial::create());
    ASSERT_TRUE(loadArchive(m, samplePath("materials.sbsar")));
    const std::vector<std::pair<QString, QString>> archivePresets = archiveOf(m)->presets();
    ASSERT_GE(archivePresets.size(), 2u);
    std::vector<unsigned int> indexes;
    for (const auto& p : archivePresets)
    {
        indexes.push_back(static_cast<unsigned int>(indexes.size()));
        m->addPreset(p.first.toStdString(), p.second.toStdString(), "");
    }

    const QString file = path("round trip.sbsprs");
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(m, indexes, file));

    const std::vector<SubstancePresetPtr> imported =
        oxSubstancePresetUtils::importPresets(m, {file}, false, false);
    ASSERT_EQ(imported.size(), archivePresets.size());
    for (std::size_t i = 0; i < imported.size(); ++i)
    {
        hold(imported[i]);
        EXPECT_EQ(imported[i]->getName(), archivePresets[i].first.toStdString());
        EXPECT_EQ(imported[i]->getContent(), archivePresets[i].second.toStdString());
        EXPECT_EQ(imported[i]->getSourcePath(), file.toStdString());
    }

    // Exported again, the imported presets give the same file.
    const USubstanceMaterialPtr copy = hold(USubstanceMaterial::create());
    oxSubstancePresetUtils::addPresets(copy, imported);
    const QString again = path("again.sbsprs");
    ASSERT_TRUE(oxSubstancePresetUtils::exportPresets(copy, indexes, again));
    EXPECT_EQ(readFile(again), readFile(file));
    EXPECT_TRUE(logLines().empty());
}

} // namespace
