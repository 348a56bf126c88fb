#pragma once
/// \file oxVisibilityCondition.h
/// The visibility conditions of inputs, as far as the editor reads them.
///
/// Read: numbers (0.5, -2, 1e3), true and false, the value of a numeric
/// input of the same graph written input['id'] or input["id"], parentheses,
/// the comparisons == != < <= > >=, and !, && and || (in rising order of
/// binding: ||, &&, comparison, !; each read from the left). A number counts as true when it is not 0;
/// a comparison gives 1 or 0. Anything else (another kind of term, an input
/// that is not a number or does not exist, text left over) makes the
/// condition unreadable, and an unreadable condition counts as true: the
/// input stays visible.

#include <QString>

#include <functional>
#include <optional>

/// The number that input \p identifier holds now; none when it holds no single number.
using oxInputNumber = std::function<std::optional<double>(const QString& identifier)>;

/// The condition's value; none when it cannot be read.
std::optional<bool> oxEvaluateCondition(const QString& condition, const oxInputNumber& input);

/// Whether an input with \p condition shows: true for an empty or unreadable condition.
bool oxIsVisible(const QString& condition, const oxInputNumber& input);
