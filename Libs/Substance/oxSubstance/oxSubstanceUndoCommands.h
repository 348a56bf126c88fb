#pragma once
/// \file oxSubstanceUndoCommands.h
/// The undo commands on Substance materials that the host's user interface
/// pushes onto its undo stack, by family.

#include "oxSubstanceCommandSupport.h"
#include "oxSubstanceGraphUndoCommands.h"
#include "oxSubstancePresetListUndoCommands.h"
#include "oxSubstancePropertyUndoCommand.h"
