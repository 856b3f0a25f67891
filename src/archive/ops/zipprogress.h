#pragma once

#include "fileops/operationstate.h"

#include <QString>

#include <cstdint>

namespace dovex {

class ArchiveProgress;
class Prompter;
class TZipMaster;

// Lets an extraction of zip replace an existing file only as the copy
// engine would ("File <path> Exists,Overwrite?", then the protected-file
// questions), with the answers that hold for all in state. declined, when
// given, counts the files kept.
void AskBeforeReplacing(TZipMaster& zip, OperationState& state, int* declined = nullptr);

// What the operation window does with the zip component's events: the
// file line, the bar by bytes and the amount line with the operation's
// verb, the library's failures as messages, and the summary after adding.
//
//   ZipProgress progress(window, prompter, ZipProgress::kCompressed);
//   progress.attach(zip);          // zip.Cancel follows the window's abort
//   zip.Add();
class ZipProgress {
public:
    static inline const QString kCompressed = QStringLiteral("Compressed");
    static inline const QString kDecompressed = QStringLiteral("Decompressed");
    static inline const QString kExtracted = QStringLiteral("extracted");

    ZipProgress(ArchiveProgress& window, Prompter& prompter, QString verb);

    // Routes the component's OnProgress, OnMessage and OnConfirmReplace
    // here; the handlers refer to this object, which must outlive the
    // operation. An "All" holds for the rest of this object's operation.
    void attach(TZipMaster& zip);

    // ZIPProgress: 0 new file, 1 a step of 32768 bytes, 2 end of batch.
    void onProgress(TZipMaster& zip, int type, const QString& fileName, std::int64_t size);
    // ZIPMessage: a non-zero code is a failure, shown at once.
    void onMessage(int code, const QString& message);

    QString verb;
    std::int64_t totalBytes = 0;
    std::int64_t doneBytes = 0;
    std::int64_t pendingBytes = 0;
    int fileCount = 0;
    int failures = 0; // messages with a non-zero code
    int declined = 0; // existing files the person kept
    QString lastMessage;

private:
    ArchiveProgress& m_window;
    Prompter& m_prompter;
    OperationState m_state;
    int m_bar = 0;
};

} // namespace dovex
