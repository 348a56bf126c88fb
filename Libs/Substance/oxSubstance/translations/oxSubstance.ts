<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" sourcelanguage="en">
<context>
    <name>oxSubstanceAttributeSync</name>
    <message>
        <source>Value of substance property &apos;%1&apos; is not a finite number. It was not written.</source>
        <extracomment>%1 the identifier of a Substance input</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>oxSubstanceMaterialModifier</name>
    <message>
        <source>Unable to apply parameter to material %1, group: %2, property %3: %4</source>
        <extracomment>%1 the material&apos;s name, %2 the attribute group, %3 the input&apos;s identifier, %4 why</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Panorama channel missing. Substance archive not suited for Substance environment material.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Panorama channel found. Substance archive not suited for normal Substance material. Try Substance Panorama environment instead.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Property not found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to fetch current value.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group not found.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>oxSubstancePresetUtils</name>
    <message>
        <source>Skipped preset &apos;%1&apos;. It does not match any graph of the material.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skipped preset &apos;%1&apos;. Duplicate preset already exists in material.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skipped &apos;%1&apos;. The file cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skipped &apos;%1&apos;. It is not a preset file: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>oxSubstancePropertyUndoCommand</name>
    <message>
        <source>Setting substance property &apos;%1&apos; of material &apos;%2&apos; (graph &apos;%3&apos;)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
