#pragma once

#include "panels/filepanel.h"

#include <QPointer>
#include <QString>
#include <QStringList>

class QWidget;

namespace dovex {

class Prompter;
class TForm10;
class TForm12;

// The commands of the main window that reach the Compression Tools dialog:
// Compress (F12, the "Compress" button, the operation dialog's "&Compress"),
// Decompress (Alt+Enter, Enter on a compressed file, "&Extract") and the
// archiver search. The dialog and its progress window are made on first use
// and kept. Each run returns the host paths of the files it left for the
// next refresh to delete (the list files); the caller re-reads both panels.
//
//   CompressionTools tools(mainWindow, prompter);
//   for (const QString& f : tools.compress(active, cursor, other))
//       mainWindow->deleteAtNextRefresh(f);
class CompressionTools {
public:
    CompressionTools(QWidget* parent, Prompter& prompter);
    ~CompressionTools();
    CompressionTools(const CompressionTools&) = delete;
    CompressionTools& operator=(const CompressionTools&) = delete;

    // Compress mode for the marked entries of active (or the entry under
    // cursor); nothing happens while active shows an archive.
    QStringList compress(const FilePanel& active, int cursor, const FilePanel& other);
    // Decompress mode for the archive file archivePath into otherDirectory
    // (every kind, the ones read through libarchive too).
    QStringList decompress(const QString& archivePath, const QString& otherDirectory);
    // The Decompress command: the entry under the cursor of active when it
    // is a compressed file (isCompressedFile); nothing otherwise, nor while
    // active shows an archive.
    QStringList decompressEntry(const FilePanel& active, int cursor, const FilePanel& other);
    // ".ZIP", an extension ending in "_", or a slot's extension.
    bool isCompressedFile(const QString& name);
    // isCompressedFile, or a tar, 7z, ISO or cpio archive by its content.
    bool isCompressedEntry(const QString& directory, const QString& name);
    // The search for archiver programs, with its question.
    void seekTools();

    TForm10& dialog();
    TForm12& progressWindow();

private:
    QWidget* m_parent;
    Prompter& m_prompter;
    QPointer<TForm12> m_progress;
    QPointer<TForm10> m_dialog;
};

} // namespace dovex
