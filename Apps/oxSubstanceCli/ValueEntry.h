#pragma once
/// \file ValueEntry.h
/// How the words of a "set" step become a property's new value: in the value
/// forms of oxValueForms.h, checked before anything changes.

#include "oxValueForms.h"

using oxValueForms::EnteredValue;
using oxValueForms::valueWarnings;

/// The value forms, as --help lists them.
QString valueFormHelp();
