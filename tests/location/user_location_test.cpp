#include <gtest/gtest.h>

#include <climits>

#include "location/serial_port_name.h"
#include "location/units.h"
#include "location/user_location.h"

using namespace orvanta;

TEST(LocationFields, FormatsAreFixedSixDecimalsAndIntegers) {
    EXPECT_EQ(FormatAngleField(48.1173), "48.117300");
    EXPECT_EQ(FormatAngleField(-0.1167), "-0.116700");
    EXPECT_EQ(FormatAngleField(11.5166666666), "11.516667");
    EXPECT_EQ(FormatAngleField(0.0), "0.000000");
    EXPECT_EQ(FormatAltitudeField(-23), "-23");
    // What is shown reads back as what was stored, to the shown precision.
    for (double v : {-179.999999, -33.8688, 0.000001, 51.5, 89.123456})
        EXPECT_NEAR(ReadAngleField(FormatAngleField(v)), v, 5e-7);
}

TEST(LocationFields, ReadingFollowsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(ReadAngleField(" 51.5"), 51.5);
    EXPECT_DOUBLE_EQ(ReadAngleField("-.1167"), -0.1167);
    EXPECT_DOUBLE_EQ(ReadAngleField("+12.5deg"), 12.5);
    EXPECT_DOUBLE_EQ(ReadAngleField("1e1"), 10.0);
    EXPECT_DOUBLE_EQ(ReadAngleField("north"), 0.0);
    EXPECT_DOUBLE_EQ(ReadAngleField(""), 0.0);
    EXPECT_DOUBLE_EQ(ReadAngleField("--5"), 0.0);
    EXPECT_DOUBLE_EQ(ReadAngleField("1e999"), 0.0);
    EXPECT_EQ(ReadAltitudeField(" 20"), 20);
    EXPECT_EQ(ReadAltitudeField("545.4"), 545);
    EXPECT_EQ(ReadAltitudeField("-12m"), -12);
    EXPECT_EQ(ReadAltitudeField("abc"), 0);
    EXPECT_EQ(ReadAltitudeField("99999999999"), INT_MAX);
    EXPECT_EQ(ReadAltitudeField("-99999999999"), INT_MIN);
}

TEST(LocationFields, RangeCheckOfTheAngles) {
    EXPECT_TRUE(AngleFieldInRange(" 90", kLatitudeLimit));
    EXPECT_TRUE(AngleFieldInRange("-90.000000", kLatitudeLimit));
    EXPECT_FALSE(AngleFieldInRange("90.000001", kLatitudeLimit));
    EXPECT_TRUE(AngleFieldInRange("180", kLongitudeLimit));
    EXPECT_FALSE(AngleFieldInRange("-180.5", kLongitudeLimit));
    EXPECT_FALSE(AngleFieldInRange("1e300", kLongitudeLimit));
    EXPECT_FALSE(AngleFieldInRange("1e999", kLongitudeLimit));  // reads 0, but is no place
    EXPECT_FALSE(AngleFieldInRange("-inf", kLatitudeLimit));
    EXPECT_TRUE(AngleFieldInRange("1e-999", kLatitudeLimit));  // too small: 0
    // Text without a number reads as 0, as it always has.
    for (const char* zero : {"", "north", "--5", "nan"})
        EXPECT_TRUE(AngleFieldInRange(zero, kLatitudeLimit)) << zero;
}

TEST(LocationFields, StrictReadingRefusesTextAndTakesTheLocalesMark) {
    auto lon = [](const char* t, const char* mark = ".") {
        return ParseAngleField(t, kLongitudeLimit, mark);
    };
    EXPECT_EQ(lon("abc").status, FieldStatus::NotANumber);
    EXPECT_EQ(lon("").status, FieldStatus::NotANumber);
    EXPECT_EQ(lon("12.5deg").status, FieldStatus::NotANumber);
    EXPECT_EQ(lon("--5").status, FieldStatus::NotANumber);
    EXPECT_EQ(lon("nan").status, FieldStatus::NotANumber);
    // A decimal comma is the user's mark only where the locale says so; never cut to 48.
    EXPECT_EQ(lon("48,1374").status, FieldStatus::NotANumber);
    EXPECT_DOUBLE_EQ(lon("48,1374", ",").value, 48.1374);
    EXPECT_DOUBLE_EQ(lon(" -11.5167 ", ",").value, -11.5167);
    EXPECT_EQ(lon("1,2.3", ",").status, FieldStatus::NotANumber);
    // City list fields and the shown form read as before.
    EXPECT_DOUBLE_EQ(lon(" -.1167").value, -0.1167);
    EXPECT_EQ(lon("180.5").status, FieldStatus::OutOfRange);
    EXPECT_EQ(lon("1e400").status, FieldStatus::OutOfRange);
    EXPECT_EQ(lon("-inf").status, FieldStatus::OutOfRange);
    EXPECT_EQ(lon("1e-400").status, FieldStatus::Ok);

    EXPECT_EQ(ParseAltitudeField(" 20").value, 20);
    EXPECT_EQ(ParseAltitudeField("545,4", ",").value, 545);
    EXPECT_EQ(ParseAltitudeField("-12").value, -12);
    for (const char* bad : {"abc", "", "12m", ".", "-"})
        EXPECT_EQ(ParseAltitudeField(bad).status, FieldStatus::NotANumber) << bad;
}

TEST(LocalTime, LabelFromTheZoneName) {
    EXPECT_EQ(TimeZoneAbbreviation("W. Europe Standard Time"), "WEST");
    EXPECT_EQ(LocalTimeLabel("W. Europe Standard Time", true), "W. Europe Standard Time (WEST)");
    EXPECT_EQ(TimeZoneAbbreviation("Pacific Daylight Time"), "PDT");
    // Only the 30 characters after the first count, and at most 9 letters in all.
    EXPECT_EQ(TimeZoneAbbreviation("x" + std::string(30, 'a') + "BCD"), "x");
    EXPECT_EQ(TimeZoneAbbreviation("ABCDEFGHIJKLMN"), "ABCDEFGHI");
    EXPECT_EQ(LocalTimeLabel("", false), " (Unknown Timezone Name)");
    // The zone's own abbreviation wins over the capitals of its name, which made "CEST"
    // of Central European Standard Time and "CUT" of Coordinated Universal Time.
    EXPECT_EQ(LocalTimeLabel("Central European Standard Time", "CET", true),
              "Central European Standard Time (CET)");
    EXPECT_EQ(LocalTimeLabel("Coordinated Universal Time", "UTC", true),
              "Coordinated Universal Time (UTC)");
    EXPECT_EQ(LocalTimeLabel("Gulf Standard Time", "+04", true), "Gulf Standard Time (GST)");
}

TEST(PortNames, ComNumbersMapToThePlatformsPorts) {
    EXPECT_EQ(SerialPortNumber("COM12"), 12);
    EXPECT_EQ(SerialPortNumber("com3"), 3);
    EXPECT_EQ(SerialPortNumber("COM"), 0);
    EXPECT_EQ(SerialPortNumber("COM1x"), 0);
    EXPECT_EQ(SerialPortNumber("ttyUSB0"), 0);

    EXPECT_EQ(PlatformPortName("COM1", PortNaming::Posix), "/dev/ttyS0");
    EXPECT_EQ(PlatformPortName("COM12", PortNaming::Posix), "/dev/ttyS11");
    EXPECT_EQ(PlatformPortName("COM0", PortNaming::Posix), "COM0");
    EXPECT_EQ(PlatformPortName("ttyUSB0", PortNaming::Posix), "ttyUSB0");
    EXPECT_EQ(PlatformPortName("/dev/ttyACM0", PortNaming::Posix), "/dev/ttyACM0");
    EXPECT_EQ(PlatformPortName("COM12", PortNaming::Windows), "COM12");
    EXPECT_EQ(PlatformPortName("com12", PortNaming::Windows), "COM12");

    EXPECT_TRUE(PortMatchesSetting("ttyS0", "/dev/ttyS0", "COM1", PortNaming::Posix));
    EXPECT_TRUE(PortMatchesSetting("ttyUSB0", "/dev/ttyUSB0", "ttyUSB0", PortNaming::Posix));
    EXPECT_TRUE(PortMatchesSetting("ttyACM0", "/dev/ttyACM0", "/dev/ttyACM0", PortNaming::Posix));
    EXPECT_FALSE(PortMatchesSetting("ttyS1", "/dev/ttyS1", "COM1", PortNaming::Posix));
    EXPECT_TRUE(PortMatchesSetting("COM3", "\\\\.\\COM3", "COM3", PortNaming::Windows));
    EXPECT_FALSE(PortMatchesSetting("ttyS0", "/dev/ttyS0", "", PortNaming::Posix));
}

TEST(PortNames, LegacyComOneIsTheFirstRealPort) {
    const std::vector<std::string> usb = {"/dev/ttyACM0", "/dev/ttyS0"};
    EXPECT_EQ(ResolvePortDevice("COM1", usb, PortNaming::Posix), "/dev/ttyACM0");
    EXPECT_EQ(ResolvePortDevice("com1", {}, PortNaming::Posix), "");
    EXPECT_EQ(ResolvePortDevice("COM3", usb, PortNaming::Posix), "/dev/ttyS2");
    EXPECT_EQ(ResolvePortDevice("COM01", usb, PortNaming::Posix), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortDevice("/dev/pts/4", {}, PortNaming::Posix), "/dev/pts/4");
    EXPECT_EQ(ResolvePortDevice("COM1", {}, PortNaming::Windows), "COM1");
}

TEST(PortNames, NaturalOrder) {
    EXPECT_TRUE(PortNameLess("ttyS2", "ttyS10"));
    EXPECT_FALSE(PortNameLess("ttyS10", "ttyS2"));
    EXPECT_TRUE(PortNameLess("ttyS10", "ttyUSB0"));
    EXPECT_TRUE(PortNameLess("COM9", "COM10"));
    EXPECT_TRUE(PortNameLess("ttyS", "ttyS0"));
    EXPECT_FALSE(PortNameLess("ttyS3", "ttyS3"));
    EXPECT_TRUE(PortNameLess("ttyS007", "ttyS10"));
    // A run of digits longer than any integer still compares.
    EXPECT_TRUE(PortNameLess("x99999999999999999999998", "x99999999999999999999999"));
}

TEST(Units, ConversionFollowsTheMetricSetting) {
    EXPECT_DOUBLE_EQ(KilometresToDisplayUnit(384400.0, 1), 384400.0);
    EXPECT_NEAR(KilometresToDisplayUnit(1.609347, 2), 1.0, 1e-15);
    EXPECT_NEAR(KilometresToDisplayUnit(1.852, 3), 1.0, 1e-15);
    EXPECT_NEAR(KilometresToDisplayUnit(1.852, 7), 1.0, 1e-15);
    EXPECT_EQ(MetricFromUnitRadios(true, true), 1);
    EXPECT_EQ(MetricFromUnitRadios(false, true), 2);
    EXPECT_EQ(MetricFromUnitRadios(false, false), 3);
}
