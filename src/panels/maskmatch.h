#pragma once

#include <QString>

namespace dovex {

// The wildcard test of the filter and selection masks. The base parts are
// compared up to the name's first "." or the mask's first "*"; then the
// name's extension, padded with blanks and cut to four characters, is
// compared with the mask's up to a "*". "?" is an ordinary character. A mask
// without a dot stands for mask + ".*" when it ends in "*", else for names
// without an extension.
bool MaskMatches(const QString& name, const QString& mask);

} // namespace dovex
