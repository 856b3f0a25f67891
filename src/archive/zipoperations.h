#pragma once

#include <QByteArray>
#include <QString>

namespace dovex {

class TZipMaster;

// The three operations of TZipMaster, run once its checks passed; each
// returns the number of files it handled.
int runZipAdd(TZipMaster& zip);
int runZipDelete(TZipMaster& zip);
int runZipExtract(TZipMaster& zip);

// The host bytes of a drive-letter path; empty when it maps to no drive.
QByteArray hostBytes(const QString& dosPath);
// The text of errno.
QString errnoText(int error);

} // namespace dovex
