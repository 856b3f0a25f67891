#pragma once

#include <QString>

namespace dovex {

// A date or time format whose every field is a number of fixed width, and
// the input mask that types it.
struct FieldForm {
    QString format;
    QString mask;
};

// The system's date or time format (Qt's pattern letters) turned into a
// FieldForm. Names of months become their numbers; weekday names, time
// zones and fractions of a second are dropped (a file's time has none of
// them), and so is what a dropped field leaves at either end.
FieldForm fixedWidthForm(const QString& systemFormat);

// The form the date of a file is typed in, from the system's short date
// format: where a month was a name, slashes part the numbers; a format
// without day, month and year gives "dd/MM/yy".
FieldForm dateFieldForm(const QString& systemShortDate);
// The form of the time, from the system's long time format; one without
// minutes gives "HH:mm:ss".
FieldForm timeFieldForm(const QString& systemLongTime);

} // namespace dovex
