#pragma once
/// \file oxHostSetup.h
/// What a host program of the stand-in sets up around the library, as the
/// host application does: the Substance service that the undo commands
/// notify, a renderer that hears of textures taken from the preset render
/// cache, the material that an archive is loaded into, and the choice of
/// the active graph; how an image's data type is named.

#include "oxSubstanceCommandSupport.h"
#include "oxValueForms.h"

#include "host/Materials.h"
#include "host/QSubstanceArchive.h"
#include "oxStandInServices.h"

#include <QObject>
#include <QString>
#include <QStringList>

/// The host's renderer: tells whoever listens that a material's textures
/// changed without a render (the apply command puts cached textures back).
class oxHostRenderer : public QObject, public oxSubstanceRenderer
{
    Q_OBJECT
public:
    void materialUpdated(unsigned materialId) override;

signals:
    void updated(unsigned materialId);
};

/// Installs the host's Substance service and renderer for its own life. The
/// stand-in's reset() removes both: a test makes this after its fixture's SetUp.
class oxHostSetup
{
public:
    oxHostSetup();
    ~oxHostSetup();
    oxHostSetup(const oxHostSetup&) = delete;
    oxHostSetup& operator=(const oxHostSetup&) = delete;

    oxSubstanceService* service() const { return _service.service(); }
    oxHostRenderer* renderer() { return &_renderer; }

private:
    oxStandIn::ScopedSubstanceService _service;
    oxHostRenderer _renderer;
};

/// The material that a host program loads an archive into, held while the
/// program keeps it.
struct oxHostMaterial
{
    oxSubstanceHeld<USubstanceMaterialPtr> substance;
    /// For a panorama archive: the environment material whose texture generator is substance.
    oxSubstanceHeld<USubstanceEnvironmentMaterialPtr> environment;

    /// The material that the scripting interface is given.
    MaterialPtr target() const;

    /// Makes a new Substance material named \p name (the texture generator of a
    /// new environment material when \p environment), in place of the ones held before.
    void create(const QString& name, bool environment);
    /// create(), then loads the archive at \p path into the new material through
    /// the scripting interface. False when the archive does not load; the host
    /// log says why.
    bool load(const QString& path, const QString& name, bool environment);
};

/// Why \p path is refused as a preset file ("'FILE' is not a preset file:
/// REASON"); empty when it is one.
QString oxPresetFileRefusal(const QString& path);

/// The name of an image data type: "uint8", "uint16", "uint32", "float32",
/// "unknown (0x...)".
QString oxImageDataTypeName(int dataType);

/// Makes graph \p index the active graph of \p material, as the host's graph
/// chooser does: the material's choice through the material modifier, and the
/// archive's through the archive service, so that reset, apply and recapture
/// act on that graph.
void oxSelectActiveGraph(const USubstanceMaterialPtr& material, int index);

/// oxValueForms::valueFromWords; when the host logs why the words give no value
/// (an image file that does not read), that line is the reason in \p error.
bool oxReadEnteredValue(const AttributeValuePtr& attribute, const QVariant& current, const QStringList& words,
                        oxValueForms::EnteredValue& entered, QString& error);
