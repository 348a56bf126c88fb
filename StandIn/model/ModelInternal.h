#pragma once
/// \file ModelInternal.h
/// State shared by the stand-in's model sources: the edit records, the
/// initialisation scope of new containers and image helpers. Not installed,
/// not for tests.

#include "OSGBase.h"
#include "OSGImage.h"
#include "oxStandInTesting.h"

#include <vector>

namespace oxStandIn {
namespace detail {

/// A bracket begun and not yet ended.
struct OpenBracket
{
    osg::UInt32 containerId = 0;
    osg::BitVector mask = 0;
};

struct EditState
{
    std::vector<EditRecord> log;
    std::vector<EditViolation> violations;
    std::vector<OpenBracket> open;
};

EditState& editState();

void recordViolation(osg::UInt32 containerId, const std::string& typeName, osg::BitVector mask,
                     const std::string& what);

/// While alive, writes to the container are its initial values: a create()
/// function fills a new container without brackets under this scope.
class InitScope
{
public:
    explicit InitScope(const osg::FieldContainer* container);
    ~InitScope();
    InitScope(const InitScope&) = delete;
    InitScope& operator=(const InitScope&) = delete;
};

bool isInitialising(const osg::FieldContainer* container);

/// Fills an image with one 8-bit RGB colour; the caller brackets or initialises.
/// False (image unchanged) when the size is not positive or too large.
bool fillUniform(osg::Image& image, osg::Int32 width, osg::Int32 height, osg::UInt8 r, osg::UInt8 g, osg::UInt8 b);

/// A new image with the same size, data type and pixels (reference count 0);
/// null for a null handle.
ImagePtr cloneImage(const ImagePtr& image);

/// Records one log message and echoes it to stderr when echo is on.
void appendLogMessage(LogMessage::Level level, const std::string& text);

/// Readable name of an image data type ("uint8", "float32", ...).
const char* dataTypeName(osg::Int32 dataType);

/// The current input values of the active graph of a material's archive, as
/// text: a render made while it was the same is still valid. Empty when the
/// archive holds nothing.
std::string renderInputs(osg::UInt32 materialId);

} // namespace detail
} // namespace oxStandIn

/// Defines the run-time type of a container class: its name and its parent type.
#define OX_DEFINE_CONTAINER_TYPE(Base, Name, Parent)                                               \
    const osg::FieldContainerType& Base::getClassType()                                            \
    {                                                                                              \
        static const osg::FieldContainerType type(#Name, &Parent::getClassType());                 \
        return type;                                                                               \
    }                                                                                              \
    const osg::FieldContainerType& Base::getType() const { return getClassType(); }
