#pragma once
/// \file oxHostFixture.h
/// Test fixture on the stand-in host: starts every test from a fresh host and
/// fails a test that leaks containers, leaves a bracket open or writes a
/// field outside a covering bracket.

#include "Materials.h"
#include "OSGBase.h"
#include "oxStandInTesting.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class oxHostTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    /// Takes a reference that the fixture gives back before the leak check.
    template <class T>
    T hold(const T& handle)
    {
        osg::addRef(handle);
        _held.push_back([handle] { osg::subRef(handle); });
        return handle;
    }

    /// Messages logged since the test began, "error: ..." or "warning: ...".
    std::vector<std::string> logLines() const;
    /// Edit brackets (begin records only) opened on a container since the test began.
    std::vector<oxStandIn::EditRecord> bracketsOn(osg::UInt32 containerId) const;

    /// Set to false by tests that provoke violations on purpose.
    bool checkEdits = true;

private:
    std::vector<std::function<void()>> _held;
    std::size_t _liveAtStart = 0;
};

/// Path of a file in the samples folder.
std::string samplePath(const std::string& fileName);
/// The same as a QString.
QString sampleFile(const char* fileName);
/// Writes \p bytes to a new file at \p path; false when it cannot.
bool writeFile(const QString& path, const QByteArray& bytes);
/// The bytes of the file at \p path; empty when it cannot be read.
QByteArray readFile(const QString& path);

class QSubstanceArchive;
/// The archive that the archive service keeps for \p material (empty until loaded).
std::shared_ptr<QSubstanceArchive> archiveOf(const USubstanceMaterialPtr& material);
