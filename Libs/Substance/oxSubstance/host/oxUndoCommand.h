#pragma once
/// \file oxUndoCommand.h
/// The host's undo command base classes on QUndoCommand.

#include "oxHostExport.h"

#include <QString>
#include <QUndoCommand>
#include <QtGlobal>
#include <typeindex>

/// Undo text record: the text shown in the undo history, a short title and a category.
class OX_HOST_API oxUndoString
{
public:
    /// Fixed title (C string, untranslated) and category; the text is the title.
    oxUndoString(const char* title, const QString& category);
    /// Formatted description, title and category; the text is the description.
    oxUndoString(const QString& description, const QString& title, const QString& category);
    const QString& text() const { return _text; }
    const QString& title() const { return _title; }
    const QString& category() const { return _category; }

private:
    QString _text;
    QString _title;
    QString _category;
};

/// A message describing a command for the host's status line.
struct OX_HOST_API oxMessage
{
    QString text;
    QString category;
};

class OX_HOST_API oxUndoCommandBase : public QUndoCommand
{
public:
    oxUndoCommandBase(const oxUndoString& text, QUndoCommand* parent);
    ~oxUndoCommandBase() override;
    /// The parent command given at construction; null for a top-level command.
    virtual const QUndoCommand* parent() const;
    virtual void setDescription(const QString& description);
    virtual QString getDescription() const;
    const oxUndoString& undoString() const { return _undoString; }

private:
    oxUndoString _undoString;
    QUndoCommand* _parent;
};

class OX_HOST_API oxUndoCommand : public oxUndoCommandBase
{
public:
    oxUndoCommand(const oxUndoString& text, QUndoCommand* parent);
    ~oxUndoCommand() override;

    /// A command id for a command class: equal types give equal ids, distinct types
    /// distinct ids; never -1.
    static int makeId(std::type_index type);
    /// Edits that follow each other within this many milliseconds may merge;
    /// a negative interval lets any two merge (default 1500).
    static void setMergeInterval(qint64 milliseconds);
    static qint64 mergeInterval();

    virtual void makeMessage(oxMessage& message) const;
    /// True when \p other is a command of the same id (not -1) whose time stamp
    /// lies within the merge interval after this command's.
    virtual bool canMergeWith(const QUndoCommand* other) const;

protected:
    /// Time stamp of the command (ms since the epoch at construction); a merge
    /// copies the newer command's stamp into the surviving one.
    quint64 m_mergeTimeStamp;
};
