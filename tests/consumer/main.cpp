// Loads an archive into a material of the stand-in host through the installed
// library and prints the material's preset names, one per line; then reads
// the first preset's content back as a preset record. Exit code 0 on success.

#include "oxSubstancePythonInterface.h"

#include "host/Materials.h"
#include "preset/SubstanceAirPreset.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: oxSubstanceConsumer ARCHIVE\n");
        return 2;
    }
    const USubstanceMaterialPtr material = USubstanceMaterial::create();
    osg::addRef(material);
    int result = 1;
    if (oxSubstancePythonInterface::loadArchive(material, argv[1]))
    {
        for (const std::string& name : oxSubstancePythonInterface::getPresets(material))
            std::printf("%s\n", name.c_str());
        SubstanceAir::Preset first;
        const auto& presets = material->getSubstancePresets();
        if (!presets.empty() && SubstanceAir::parsePreset(first, presets[0]->getContent().c_str()))
            result = 0;
    }
    osg::subRef(material);
    return result;
}
