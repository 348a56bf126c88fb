#pragma once
/// \file oxHostUtils.h
/// Host utilities: the log, file-name expansion, placeholder images and material names.

#include "Materials.h"
#include "OSGImage.h"
#include "oxHostExport.h"

#include <string>

/// The host log. Messages are printf-style format strings in UTF-8.
class OX_HOST_API oxLog
{
public:
    static void error(const char* format, ...) OX_HOST_PRINTF_FORMAT(1, 2);
    static void warning(const char* format, ...) OX_HOST_PRINTF_FORMAT(1, 2);
};

class OX_HOST_API oxFile
{
public:
    /// Expands a leading "~" (the home directory) and $NAME or ${NAME}
    /// environment variables (unset ones expand to nothing).
    static std::string expandFilename(const std::string& path);
};

class OX_HOST_API oxImageCreator
{
public:
    /// A new 8-bit RGB image of one colour, not yet referenced by anyone.
    static ImagePtr createDummyImage(osg::UInt8 r, osg::UInt8 g, osg::UInt8 b);
};

class OX_HOST_API oxMaterials
{
public:
    /// The material's name as shown to users (UTF-8); "<null>" for a null handle.
    static std::string getName(const MaterialPtr& material);
};
