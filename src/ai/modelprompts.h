/**
 * @file
 * The two fixed instruction texts sent to the cloud models. They never change at run time:
 * everything that varies per claim travels as data, which both texts call untrusted.
 */
#pragma once

#include <QString>

namespace brindle::ModelPrompts {

/// Instructions of the single selection question "checkable".
QString selectionInstructions();

/// The "instructions" member of every research request.
QString researchInstructions();

} // namespace brindle::ModelPrompts
