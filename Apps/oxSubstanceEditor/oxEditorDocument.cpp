#include "oxEditorDocument.h"

#include "oxSubstanceAttributeSync.h"
#include "oxSubstancePropertyUndoCommand.h"

#include "oxStandInTesting.h"

#include <QFileInfo>
#include <QStringList>

namespace {

/// The host log's messages from position \p from on, one a line.
QString logSince(std::size_t from)
{
    QStringList lines;
    const auto& messages = oxStandIn::logMessages();
    for (std::size_t i = from; i < messages.size(); ++i)
        lines << QString::fromStdString(messages[i].text).trimmed();
    return lines.join('\n');
}

void releaseArchive(const USubstanceMaterialPtr& material)
{
    if (!material.isNull())
        oxSubstanceArchiveFactory::instance().releaseMaterialArchive(material->getId());
}

} // namespace

oxEditorDocument::oxEditorDocument(QObject* parent) : QObject(parent)
{
    _refreshTimer.setSingleShot(true);
    _refreshTimer.setInterval(0);
    connect(&_refreshTimer, &QTimer::timeout, this, &oxEditorDocument::refreshNow);
    oxSubstanceService* service = _host.service();
    connect(service, &oxSubstanceService::substancePropertyChanged, this,
            [this](unsigned id, const QString& property, const QVariant&) { propertyChanged(id, property); });
    connect(service, &oxSubstanceService::presetsChanged, this,
            [this](unsigned id) { materialEvent(id, Presets); });
    connect(service, &oxSubstanceService::presetApplied, this,
            [this](unsigned id) { materialEvent(id, Presets | Textures); });
    connect(_host.renderer(), &oxHostRenderer::updated, this, [this](unsigned id) { materialEvent(id, Textures); });
}

oxEditorDocument::~oxEditorDocument()
{
    // The commands find their material by id: drop them while it is there.
    _stack.clear();
    releaseArchive(material());
}

QString oxEditorDocument::graphName() const
{
    const USubstanceMaterialPtr m = material();
    const USubstanceGraphPtr graph = m.isNull() ? USubstanceGraphPtr() : m->getActiveGraph();
    return graph.isNull() ? QString() : QString::fromStdString(graph->getName());
}

bool oxEditorDocument::open(const QString& path, bool environment, QString& error)
{
    const std::size_t logged = oxStandIn::logMessages().size();
    oxHostMaterial loaded;
    if (!loaded.load(path, QFileInfo(path).baseName(), environment))
    {
        error = logSince(logged);
        if (error.isEmpty())
            error = tr("'%1' could not be loaded.").arg(path);
        releaseArchive(loaded.substance.get());
        return false;
    }
    endGesture();
    _stack.clear();
    releaseArchive(material());
    _material = loaded;
    _changedInputs.clear();
    requestRefresh(Everything);
    refreshNow();
    emit opened(path);
    return true;
}

void oxEditorDocument::selectGraph(int index)
{
    if (material().isNull() || index == material()->getActiveGraphIndex())
        return;
    endGesture();
    oxSelectActiveGraph(material(), index);
    requestRefresh(Everything);
}

void oxEditorDocument::push(QUndoCommand* command)
{
    openStep(command);
    closeStep();
}

void oxEditorDocument::setValue(const QString& identifier, const QVariant& value)
{
    const QString graph = graphName();
    QVariant current;
    if (oxSubstanceAttributeSync().getOsgAttribute(material(), graph, identifier, current) && current == value)
        return;
    oxSubstancePropertyUndoCommand* command =
        oxSubstancePropertyUndoCommand::create(material(), graph, identifier, value);
    if (!command)
        return;
    openStep(command);
    if (!_gesture)
        closeStep();
}

void oxEditorDocument::beginGesture()
{
    endGesture();
    _gesture = true;
}

void oxEditorDocument::endGesture()
{
    _gesture = false;
    closeStep();
}

// Each step is a macro of its own: the stack merges an edit only into the
// command before it within the same macro, so the edits of one drag merge into
// one command, while two gestures stay two steps.
void oxEditorDocument::openStep(QUndoCommand* command)
{
    if (!_stepOpen)
    {
        _stack.beginMacro(command->text());
        _stepOpen = true;
    }
    _stack.push(command);
}

void oxEditorDocument::closeStep()
{
    if (!_stepOpen)
        return;
    _stepOpen = false;
    _stack.endMacro();
}

void oxEditorDocument::requestRefresh(Parts parts)
{
    _due |= parts;
    _refreshTimer.start();
}

void oxEditorDocument::refreshNow()
{
    _refreshTimer.stop();
    const Parts parts = _due;
    _due = Parts();
    if (parts)
        emit refreshed(parts);
    _changedInputs.clear();
}

void oxEditorDocument::propertyChanged(unsigned materialId, const QString& property)
{
    if (material().isNull() || materialId != material()->getId())
        return;
    _changedInputs.insert(property);
    requestRefresh(Values | Presets | Textures);
}

void oxEditorDocument::materialEvent(unsigned materialId, Parts parts)
{
    if (!material().isNull() && materialId == material()->getId())
        requestRefresh(parts);
}
