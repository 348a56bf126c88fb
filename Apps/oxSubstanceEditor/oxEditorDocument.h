#pragma once
/// \file oxEditorDocument.h
/// The material that the editor shows, the one undo stack that every edit
/// goes through, and the host around them. Every panel reads the material
/// from here, changes it only by pushing the library's undo commands here,
/// and redraws when refreshed() says what changed.

#include "oxHostSetup.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QUndoStack>
#include <QVariant>

class QUndoCommand;

class oxEditorDocument : public QObject
{
    Q_OBJECT
public:
    /// What a refresh covers.
    enum Part
    {
        Structure = 1, ///< graphs, groups and attributes (a new material, another active graph)
        Values = 2,    ///< attribute values (those of changedInputs(), or all with Structure)
        Presets = 4,   ///< the preset list, the matching presets and the current preset
        Textures = 8,  ///< the rendered colour components
        Everything = Structure | Values | Presets | Textures
    };
    Q_DECLARE_FLAGS(Parts, Part)

    explicit oxEditorDocument(QObject* parent = nullptr);
    ~oxEditorDocument() override;

    /// The material; null until an archive has been opened.
    USubstanceMaterialPtr material() const { return _material.substance.get(); }
    QUndoStack* undoStack() { return &_stack; }
    /// The name of the active graph; empty when there is none.
    QString graphName() const;

    /// Loads an archive into a new material (the texture generator of a new
    /// environment material when \p environment) and shows it; the undo
    /// history starts anew. False, with the host log's reason in \p error and
    /// the material that was open kept as it was, when it does not load.
    bool open(const QString& path, bool environment, QString& error);
    /// Makes graph \p index the active graph (not an undo step: the commands
    /// name their graph, so the history stays valid).
    void selectGraph(int index);

    /// Pushes one command as one undo step of its own: an edit never merges
    /// with the step before it, however soon it follows.
    void push(QUndoCommand* command);
    /// Sets input \p identifier of the active graph through the property
    /// command; nothing when the value is the current one. Inside a gesture,
    /// successive edits of one input merge into the gesture's one step.
    void setValue(const QString& identifier, const QVariant& value);
    /// Starts a gesture (a slider drag): the edits until endGesture() make one step.
    void beginGesture();
    void endGesture();
    bool inGesture() const { return _gesture; }

    /// The inputs whose value changed since the last refresh (with Values).
    const QSet<QString>& changedInputs() const { return _changedInputs; }
    /// Asks for a refresh of \p parts; refreshes are gathered and run together
    /// once control returns to the event loop.
    void requestRefresh(Parts parts);
    /// Runs a refresh that is due now.
    void refreshNow();

signals:
    /// The panels redraw \p parts from the material; nothing is pushed meanwhile.
    void refreshed(oxEditorDocument::Parts parts);
    /// A new material was opened (path of its archive).
    void opened(const QString& path);
    /// A message for the status bar.
    void showMessage(const QString& text);

private:
    void propertyChanged(unsigned materialId, const QString& property);
    void materialEvent(unsigned materialId, Parts parts);
    void openStep(QUndoCommand* command);
    void closeStep();

    oxHostSetup _host;
    oxHostMaterial _material;
    QUndoStack _stack;
    bool _gesture = false;
    bool _stepOpen = false;
    Parts _due;
    QSet<QString> _changedInputs;
    QTimer _refreshTimer;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(oxEditorDocument::Parts)
