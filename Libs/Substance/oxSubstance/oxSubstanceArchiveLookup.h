#pragma once
/// \file oxSubstanceArchiveLookup.h
/// Internal to the library: the one way to the archive that the archive
/// service keeps for a material. Not installed, not exported.

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"

#include <memory>

namespace oxSubstanceArchiveLookup {

/// The archive that the service keeps for a material id (created empty on first
/// request, never null). \p created, when given, tells whether it was made now.
inline std::shared_ptr<QSubstanceArchive> archiveOf(unsigned materialId, bool* created = nullptr)
{
    bool made = false;
    std::shared_ptr<QSubstanceArchive> archive =
        oxSubstanceArchiveFactory::instance().getMaterialArchive(materialId, made);
    if (created)
        *created = made;
    return archive;
}

/// The material's archive when something is loaded into it; null for a null
/// material, or when the service has none or an empty one.
inline std::shared_ptr<QSubstanceArchive> loadedArchive(const USubstanceMaterialPtr& material)
{
    if (material.isNull())
        return nullptr;
    std::shared_ptr<QSubstanceArchive> archive = archiveOf(material->getId());
    if (!archive || archive->isEmpty())
        return nullptr;
    return archive;
}

} // namespace oxSubstanceArchiveLookup
