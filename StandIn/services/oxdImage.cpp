// Registration of the scripting image object with Qt's meta-type system.

#include "oxdImage.h"

#include <QDebug>
#include <QMetaType>

static QDebug operator<<(QDebug debug, const oxdImage& image)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "oxdImage(" << image.getObjectId() << ')';
    return debug;
}

namespace {

// Registered when the host library is loaded: a lookup by the name "oxdImage"
// finds the type, and QVariant compares images by their container id.
const bool imageRegistered = [] {
    qRegisterMetaType<oxdImage>("oxdImage");
    QMetaType::registerEqualsComparator<oxdImage>();
    QMetaType::registerDebugStreamOperator<oxdImage>();
    return true;
}();

} // namespace
