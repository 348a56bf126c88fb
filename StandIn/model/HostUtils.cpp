// Host utilities: the log, file-name expansion, placeholder images and material names.

#include "ModelInternal.h"
#include "oxHostUtils.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string formatMessage(const char* format, va_list args)
{
    if (!format)
        return std::string();
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return std::string();
    std::string text(std::size_t(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(std::size_t(length));
    return text;
}

std::string homeDirectory(bool& found)
{
    if (const char* home = std::getenv("HOME"))
    {
        found = true;
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()))
    {
        if (entry->pw_dir)
        {
            found = true;
            return entry->pw_dir;
        }
    }
    found = false;
    return std::string();
}

bool isNameStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string environmentValue(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

} // namespace

void oxLog::error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = formatMessage(format, args);
    va_end(args);
    oxStandIn::detail::appendLogMessage(oxStandIn::LogMessage::Error, text);
}

void oxLog::warning(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = formatMessage(format, args);
    va_end(args);
    oxStandIn::detail::appendLogMessage(oxStandIn::LogMessage::Warning, text);
}

std::string oxFile::expandFilename(const std::string& path)
{
    std::string out;
    std::size_t i = 0;
    if (!path.empty() && path[0] == '~' && (path.size() == 1 || path[1] == '/'))
    {
        bool found = false;
        const std::string home = homeDirectory(found);
        if (found)
        {
            out = home;
            i = 1;
        }
    }
    while (i < path.size())
    {
        const char c = path[i];
        if (c != '$' || i + 1 >= path.size())
        {
            out += c;
            ++i;
            continue;
        }
        if (path[i + 1] == '{')
        {
            const std::size_t close = path.find('}', i + 2);
            if (close == std::string::npos || close == i + 2)
            {
                // "${" without a name or a closing brace stays as written.
                out += c;
                ++i;
                continue;
            }
            out += environmentValue(path.substr(i + 2, close - i - 2));
            i = close + 1;
            continue;
        }
        if (isNameStart(path[i + 1]))
        {
            std::size_t end = i + 1;
            while (end < path.size() && isNameChar(path[end]))
                ++end;
            out += environmentValue(path.substr(i + 1, end - i - 1));
            i = end;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

ImagePtr oxImageCreator::createDummyImage(osg::UInt8 r, osg::UInt8 g, osg::UInt8 b)
{
    ImagePtr image = osg::Image::create();
    oxStandIn::detail::InitScope init(image.getCPtr());
    oxStandIn::detail::fillUniform(*image, 4, 4, r, g, b);
    return image;
}

std::string oxMaterials::getName(const MaterialPtr& material)
{
    return material.isNull() ? std::string("<null>") : material->getName();
}
