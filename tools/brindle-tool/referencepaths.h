/**
 * @file
 * Loads reference paths given on the command line the way the session combines them: each folder
 * on its own, all files together, folder documents first, a file reached twice kept once.
 */
#pragma once

#include "referencelimits.h"

#include <QStringList>

namespace brindle::tool {

/// Throws AppError when a load fails.
ReferenceSnapshot loadReferencePaths(const QStringList &paths);

} // namespace brindle::tool
