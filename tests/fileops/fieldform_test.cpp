// The fixed-width forms File Properties types a date and a time in, made
// from the system's formats.
#include "fileops/fieldform.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

void expectForm(const QString& system, const char* format, const char* mask)
{
    const FieldForm f = fixedWidthForm(system);
    EXPECT_EQ(f.format, QLatin1String(format)) << system.toStdString();
    EXPECT_EQ(f.mask, QLatin1String(mask)) << system.toStdString();
}

} // namespace

TEST(FieldForm, EveryFieldBecomesANumberOfFixedWidth)
{
    expectForm("d.M.yy", "dd.MM.yy", "99.99.99");
    expectForm("yyyy-MM-dd", "yyyy-MM-dd", "9999-99-99");
    expectForm("h:mm:ss AP", "hh:mm:ss AP", "99:99:99 aa");
    expectForm("H:mm a", "HH:mm AP", "99:99 aa");
    // Weekday names, zones and fractions go, and what they leave at the ends.
    expectForm("dddd, MMMM d, yyyy", "MM dd, yyyy", "99 99, 9999");
    expectForm("HH:mm:ss.zzz t", "HH:mm:ss", "99:99:99");
}

TEST(FieldForm, TextStaysTextInTheFormatAndInTheMask)
{
    // Letters next to each other stay one quoted text: "'d''e'" would be
    // read as d'e.
    const FieldForm es = fixedWidthForm("d 'de' MMMM 'de' yyyy");
    EXPECT_EQ(es.format, "dd 'de' MM 'de' yyyy");
    EXPECT_EQ(es.mask, "99 \\de 99 \\de 9999"); // the mask's own letters escaped
    EXPECT_EQ(QLocale::c().toString(QDate(2001, 2, 3), es.format), "03 de 02 de 2001");
    // A quote inside quoted text, and one standing alone.
    const FieldForm quoted = fixedWidthForm("HH'h''s' mm''");
    EXPECT_EQ(QLocale::c().toString(QTime(4, 5), quoted.format), "04h's 05'");
    // Unterminated quoted text ends the format.
    expectForm("HH:mm 'x", "HH:mm 'x'", "99:99 \\x");
}

TEST(FieldForm, DateAndTimeFallBackWhereAFieldIsMissing)
{
    const FieldForm named = dateFieldForm("d MMM yyyy");
    EXPECT_EQ(named.format, "dd/MM/yyyy"); // numbers parted by slashes
    EXPECT_EQ(named.mask, "99/99/9999");
    EXPECT_EQ(dateFieldForm("MMMM yyyy").format, "dd/MM/yy");
    EXPECT_EQ(dateFieldForm("").mask, "99/99/99");
    EXPECT_EQ(timeFieldForm("HH").format, "HH:mm:ss");
    EXPECT_EQ(timeFieldForm("h.mm AP").format, "hh.mm AP");
}

} // namespace dovex::test
