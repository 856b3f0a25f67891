#pragma once

#include <QString>

namespace dovex {

// The path with exactly one trailing backslash.
QString WithBackslash(const QString& path);

// Makes the destination typed in the operation dialog absolute: "D:\x" stays,
// "\tmp" goes to the source's drive, anything else is relative to
// sourceDirectory (an empty text names sourceDirectory itself). Trailing
// backslashes after a directory name are dropped.
QString ResolveTypedTarget(const QString& text, const QString& sourceDirectory);

// Replaces "*" in the destination's name and extension from the source's:
// notes.txt with D:\bak\*.old gives D:\bak\notes.old, with D:\bak\a*.* it
// gives D:\bak\aotes.txt. A destination without "*" comes back unchanged.
QString ApplyWildcardName(const QString& destination, const QString& source);

// The extension of a path including its dot ("" when there is none) and the
// file name without it.
QString pathExtension(const QString& path);
QString pathBaseName(const QString& path);

// The longest file name the Linux file systems take, in bytes.
inline constexpr qsizetype kMaxNameBytes = 255;

// The n-th name for a partial copy: report.doc gives report.$$$ (n = 0),
// then report.1.$$$, report.2.$$$ ... A stem too long for the suffix is
// shortened so that the name still fits kMaxNameBytes.
QString partialName(const QString& path, int n);

// dir + name with one backslash between ("D:" and "D:\" both give "D:\name").
QString appendName(const QString& dir, const QString& name);

} // namespace dovex
