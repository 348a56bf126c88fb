// The archive service's helpers: image and preset conversions, preset files
// and the renderer hook.

#include "QSubstanceArchive.h"

#include "oxArchiveTypes.h"

#include "QOXIntVector.h"
#include "oxHostUtils.h"
#include "oxStandInFiles.h"
#include "oxStandInTesting.h"
#include "oxdImage.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

namespace {

oxSubstanceRenderer* s_renderer = nullptr;

/// Reads a binary PPM (P6) file into a new image: 8 bits per channel for a
/// maximum value up to 255, 16 bits (host byte order) above. Logs and returns
/// null when the file does not read.
class PpmReader
{
public:
    explicit PpmReader(const QString& path) : _path(path) {}

    ImagePtr read()
    {
        QString problem;
        if (!oxStandIn::readRegularFile(_path, oxStandIn::MaxImageFileSize, _bytes, problem))
            return fail(problem.toUtf8().constData());
        if (_bytes.size() < 2 || _bytes[0] != 'P' || _bytes[1] != '6')
            return fail("not a binary PPM (P6) file");
        _pos = 2;
        long width = 0, height = 0, maxValue = 0;
        if (!number(width) || !number(height) || !number(maxValue))
            return fail("the PPM header is incomplete");
        if (width < 1 || height < 1 || width > 65536 || height > 65536 || maxValue < 1 || maxValue > 65535)
            return fail("the PPM header holds values out of range");
        if (_pos >= _bytes.size() || !std::isspace(static_cast<unsigned char>(_bytes[_pos])))
            return fail("the PPM header is not followed by a blank");
        ++_pos;

        const bool wide = maxValue > 255;
        const long long samples = 3LL * width * height;
        const long long size = samples * (wide ? 2 : 1);
        if (static_cast<long long>(_bytes.size() - _pos) < size)
            return fail("the pixel data is truncated");

        std::vector<osg::UInt8> pixels(static_cast<std::size_t>(wide ? samples * 2 : samples));
        const unsigned char* in = reinterpret_cast<const unsigned char*>(_bytes.constData()) + _pos;
        for (long long s = 0; s < samples; ++s)
        {
            if (wide)
            {
                const unsigned raw = (unsigned(in[2 * s]) << 8) | in[2 * s + 1];
                const osg::UInt16 v = osg::UInt16(std::min<unsigned>(raw, unsigned(maxValue)) * 65535u / unsigned(maxValue));
                std::memcpy(&pixels[std::size_t(2 * s)], &v, 2);
            }
            else
            {
                pixels[std::size_t(s)] = osg::UInt8(std::min<unsigned>(in[s], unsigned(maxValue)) * 255u / unsigned(maxValue));
            }
        }

        const ImagePtr image = osg::Image::create();
        osgEdit edit(image, osg::ImageBase::WidthFieldMask | osg::ImageBase::HeightFieldMask |
                                osg::ImageBase::DataTypeFieldMask | osg::ImageBase::PixelsFieldMask);
        image->setWidth(osg::Int32(width));
        image->setHeight(osg::Int32(height));
        image->setDataType(wide ? osg::Image::OSG_UINT16_IMAGEDATA : osg::Image::OSG_UINT8_IMAGEDATA);
        image->editPixels().assign(pixels.begin(), pixels.end());
        return image;
    }

private:
    ImagePtr fail(const char* problem)
    {
        oxLog::error("Unable to read image '%s': %s.", _path.toStdString().c_str(), problem);
        return ImagePtr();
    }

    /// Skips blanks and comments, then reads a decimal number.
    bool number(long& out)
    {
        for (;;)
        {
            while (_pos < _bytes.size() && std::isspace(static_cast<unsigned char>(_bytes[_pos])))
                ++_pos;
            if (_pos < _bytes.size() && _bytes[_pos] == '#')
            {
                while (_pos < _bytes.size() && _bytes[_pos] != '\n')
                    ++_pos;
                continue;
            }
            break;
        }
        long value = 0;
        int digits = 0;
        while (_pos < _bytes.size() && std::isdigit(static_cast<unsigned char>(_bytes[_pos])) && digits < 9)
        {
            value = value * 10 + (_bytes[_pos] - '0');
            ++_pos;
            ++digits;
        }
        if (digits == 0 || (_pos < _bytes.size() && std::isdigit(static_cast<unsigned char>(_bytes[_pos]))))
            return false;
        out = value;
        return true;
    }

    QString _path;
    QByteArray _bytes;
    int _pos = 0;
};

} // namespace

// ---------------------------------------------------------------- utils

QVariant oxSubstanceUtils::convertOsgImageToQVariant(const ImagePtr& image)
{
    return QVariant::fromValue(oxdImage(image.isNull() ? 0u : image->getId()));
}

ImagePtr oxSubstanceUtils::convertQVariantToOsgImage(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<oxdImage>())
        return ImagePtr::dcast(osg::FieldContainerFactory::the()->getContainer(value.value<oxdImage>().getObjectId()));
    if (value.userType() == QMetaType::QString)
    {
        const QString path = value.toString();
        if (path.isEmpty())
            return ImagePtr();
        return PpmReader(path).read();
    }
    return ImagePtr();
}

std::vector<USubstanceMaterialPtr> oxSubstanceUtils::getAllSubstanceMaterials()
{
    std::vector<USubstanceMaterialPtr> materials;
    for (const osg::FieldContainerPtr& c : oxStandIn::liveContainers())
    {
        const USubstanceMaterialPtr m = USubstanceMaterialPtr::dcast(c);
        if (!m.isNull())
            materials.push_back(m);
    }
    return materials;
}

std::string oxSubstanceUtils::getContent(const SubstanceAir::Preset& preset)
{
    std::ostringstream out;
    out << preset;
    return out.str();
}

std::pair<std::string, std::string> oxSubstanceUtils::getNameAndContent(const SubstanceAir::Preset& preset)
{
    return {preset.label, getContent(preset)};
}

QVariant oxSubstanceUtils::getValue(const SubstanceAir::Preset::InputValue& input)
{
    using namespace oxArchive;
    const TypeInfo* type = typeByCode(input.type);
    if (!type)
        return QVariant();
    const QString text = QString::fromStdString(input.value);
    if (type->kind == Kind::Image)
    {
        if (text.isEmpty())
            return QVariant::fromValue(oxdImage());
        return QVariant::fromValue(text);
    }
    Value value;
    if (!parseValue(*type, text, value))
        return QVariant();
    if (type->code == SubstanceAir::InputType_Integer2 && input.identifier == OutputSizeId)
        return QVariant::fromValue(QOXIntVector3D(value.i[0], value.i[1], defaultSyncOutputSize() ? 1 : 0));
    return toVariant(*type, value, false);
}

// ---------------------------------------------------------------- preset files

QSubstanceFile::QSubstanceFile(const QString& path) : _path(path) {}

namespace {

/// The name of the first element of an XML text, found without reading the rest
/// of it: a UTF-8 byte-order mark, white space, the declaration and processing
/// instructions, comments and a document type declaration may come first.
/// Empty when something else comes first.
QByteArray topElementName(const QByteArray& text)
{
    const char* p = text.constData();
    const char* const end = p + text.size();
    const auto startsWith = [&p, end](const char* prefix) {
        const std::size_t length = std::strlen(prefix);
        return std::size_t(end - p) >= length && std::memcmp(p, prefix, length) == 0;
    };
    // Moves past the first occurrence of closing; false when there is none.
    const auto skipPast = [&p, end](const char* closing) {
        const char* found = std::search(p, end, closing, closing + std::strlen(closing));
        if (found == end)
            return false;
        p = found + std::strlen(closing);
        return true;
    };
    if (startsWith("\xEF\xBB\xBF"))
        p += 3;
    for (;;)
    {
        while (p != end && std::isspace(static_cast<unsigned char>(*p)))
            ++p;
        if (startsWith("<?"))
        {
            if (!skipPast("?>"))
                return QByteArray();
        }
        else if (startsWith("<!--"))
        {
            if (!skipPast("-->"))
                return QByteArray();
        }
        else if (startsWith("<!"))
        {
            if (!skipPast(">"))
                return QByteArray();
        }
        else
        {
            break;
        }
    }
    if (p == end || *p != '<')
        return QByteArray();
    const char* const name = ++p;
    while (p != end && !std::isspace(static_cast<unsigned char>(*p)) && *p != '/' && *p != '>')
        ++p;
    return QByteArray(name, int(p - name));
}

} // namespace

bool QSubstanceFile::arePresets() const
{
    QByteArray text;
    QString problem;
    if (!oxStandIn::readRegularFile(_path, oxStandIn::MaxPresetFileSize, text, problem))
        return false;
    // Only the top element counts: whether the rest reads is for the reader to find out.
    return topElementName(text) == "sbspresets";
}

QSubstancePresetReader::QSubstancePresetReader(const QString& path) : _path(path) {}

bool QSubstancePresetReader::read()
{
    QByteArray bytes;
    QString problem;
    if (!oxStandIn::readRegularFile(_path, oxStandIn::MaxPresetFileSize, bytes, problem))
    {
        oxLog::warning("Unable to read preset file '%s': %s.", _path.toUtf8().constData(),
                       problem.toUtf8().constData());
        return false;
    }
    _text.assign(bytes.constData(), std::size_t(bytes.size()));
    return true;
}

// ---------------------------------------------------------------- renderer

oxSubstanceRenderer* oxSubstanceRenderer::instance()
{
    return s_renderer;
}

void oxSubstanceRenderer::setInstance(oxSubstanceRenderer* renderer)
{
    s_renderer = renderer;
}

oxSubstanceRenderer::~oxSubstanceRenderer()
{
    if (s_renderer == this)
        s_renderer = nullptr;
}

void oxSubstanceRenderer::materialUpdated(unsigned materialId)
{
    Q_UNUSED(materialId);
    oxStandIn::countArchiveCall("materialUpdated");
}

namespace {

void resetRenderer()
{
    s_renderer = nullptr;
}

const bool s_rendererHookRegistered = (oxStandIn::addResetHook(&resetRenderer), true);

} // namespace
