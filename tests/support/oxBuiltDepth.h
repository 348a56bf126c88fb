#pragma once
/// \file oxBuiltDepth.h
/// How deep the elements of a document that TinyXML built are nested, walked
/// without recursion: what the guarded parse's measure of nesting is checked
/// against, by the tests and by the preset-reader fuzz target. Header only.

#include <tinyxml.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

inline std::size_t oxBuiltDepth(const TiXmlDocument& document)
{
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> open{{&document, 0}};
    while (!open.empty())
    {
        const auto [node, depth] = open.back();
        open.pop_back();
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
            if (child->ToElement())
            {
                deepest = std::max(deepest, depth + 1);
                open.emplace_back(child, depth + 1);
            }
    }
    return deepest;
}
