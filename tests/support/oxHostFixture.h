#pragma once
/// \file oxHostFixture.h
/// Test fixture on the stand-in host: starts every test from a fresh host and
/// fails a test that leaks containers, leaves a bracket open or writes a
/// field outside a covering bracket.

#include "OSGBase.h"
#include "oxStandInTesting.h"

#include <gtest/gtest.h>

#include <functional>
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
