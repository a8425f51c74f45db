#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using tickora::FormatSettingsFile;
using tickora::ParseSettingsFile;
using tickora::SettingsValues;

SettingsValues WithDevices() {
    SettingsValues values;
    values.InputDevices = {"Microsoft Sound Mapper - Input", "USB Microphone", "Line In"};
    return values;
}

TEST(SettingsFileTest, InitialValuesGiveTheNineteenLines) {
    EXPECT_EQ(FormatSettingsFile(SettingsValues{}),
              "AUTO\r\n52\r\n20\r\n10\r\n0\r\n1\r\nFALSE\r\n5\r\nFALSE\r\nFALSE\r\nNone\r\n"
              "Microsoft Sound Mapper - Input\r\n 1.00000000000000E+0000\r\n"
              "1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n");
}

TEST(SettingsFileTest, EveryValueInItsLine) {
    SettingsValues values = WithDevices();
    values.Rate = "28800";
    values.Angle = "53";
    values.Period = "60";
    values.Scale = "5";
    values.Calibration = "-2.5";
    values.Sweep = "1/5.5";
    values.Pause = true;
    values.Settling = "10";
    values.PlotRaw = true;
    values.Manual = true;
    values.Filtering = 3;
    values.InputDevice = 2;
    values.Gain = 12.5;
    values.Weights = {2, 0, -3, 4, 5, 1000};
    const std::string bytes = FormatSettingsFile(values);
    EXPECT_EQ(bytes, "28800\r\n53\r\n60\r\n5\r\n-2.5\r\n1/5.5\r\nTRUE\r\n10\r\nTRUE\r\nTRUE\r\n"
                     "Narrow (800Hz - 8kHz)\r\nLine In\r\n 1.25000000000000E+0001\r\n"
                     "2\r\n0\r\n-3\r\n4\r\n5\r\n1000\r\n");

    // Read back, then written again: the same bytes, the same values.
    SettingsValues loaded = WithDevices();
    ParseSettingsFile(bytes, loaded);
    EXPECT_EQ(loaded, values);
    EXPECT_EQ(FormatSettingsFile(loaded), bytes);
}

TEST(SettingsFileTest, RefusedTextsAreStoredAndLoadedAsTheyStand) {
    SettingsValues values;
    values.Rate = "abc";
    values.Angle = "";
    values.Sweep = "1/0";
    values.Calibration = "1500.5";
    SettingsValues loaded;
    ParseSettingsFile(FormatSettingsFile(values), loaded);
    EXPECT_EQ(loaded.Rate, "abc");
    EXPECT_EQ(loaded.Angle, "");
    EXPECT_EQ(loaded.Sweep, "1/0");
    EXPECT_EQ(loaded.Calibration, "1500.5");
}

TEST(SettingsFileTest, LineEndsInsideATextCannotShiftTheLines) {
    SettingsValues values;
    values.Rate = "28800\r\nTRUE";
    values.Sweep = "1/\n5";
    const std::string bytes = FormatSettingsFile(values);
    SettingsValues loaded;
    ParseSettingsFile(bytes, loaded);
    EXPECT_EQ(loaded.Rate, "28800  TRUE");
    EXPECT_EQ(loaded.Angle, "52");
    EXPECT_EQ(loaded.Sweep, "1/ 5");
    EXPECT_FALSE(loaded.Pause);
}

TEST(SettingsFileTest, NoFilteringSelectionComesBackAsNoneAndAMissingDeviceAsTheMapper) {
    SettingsValues values = WithDevices();
    values.Filtering = -1;
    values.InputDevice = 1;
    const std::string bytes = FormatSettingsFile(values);
    SettingsValues loaded; // "USB Microphone" is gone
    ParseSettingsFile(bytes, loaded);
    EXPECT_EQ(loaded.Filtering, 0);
    EXPECT_EQ(loaded.InputDevice, 0);
    // Named, so that it can say so, and kept: back in the list, it is the one opened again.
    EXPECT_EQ(loaded.MissingInput, "USB Microphone");
    SettingsValues back = values;
    ParseSettingsFile(FormatSettingsFile(loaded), back);
    EXPECT_EQ(back.InputDevice, 1);
    EXPECT_EQ(back.MissingInput, "");
}

TEST(SettingsFileTest, BooleansAreCaseSensitive) {
    SettingsValues values;
    ParseSettingsFile("AUTO\r\n52\r\n20\r\n10\r\n0\r\n1\r\ntrue\r\n5\r\nTrue\r\nTRUE\r\n", values);
    EXPECT_FALSE(values.Pause);
    EXPECT_FALSE(values.PlotRaw);
    EXPECT_TRUE(values.Manual);
    ParseSettingsFile("1\n2\n3\n4\n5\n6\nTRUE \n", values);
    EXPECT_FALSE(values.Pause); // a trailing blank is not "TRUE"
}

TEST(SettingsFileTest, FilteringLine) {
    const std::string head = "AUTO\r\n52\r\n20\r\n10\r\n0\r\n1\r\nFALSE\r\n5\r\nFALSE\r\nFALSE\r\n";
    const auto filteringOf = [&](const std::string& line) {
        SettingsValues values;
        ParseSettingsFile(head + line + "\r\n", values);
        return values.Filtering;
    };
    EXPECT_EQ(filteringOf("TRUE"), 1); // old files: the wide filter
    EXPECT_EQ(filteringOf("FALSE"), 0);
    EXPECT_EQ(filteringOf("true"), 0); // neither TRUE nor an entry
    EXPECT_EQ(filteringOf(""), 0);
    EXPECT_EQ(filteringOf("None"), 0);
    EXPECT_EQ(filteringOf("Wide (160Hz - 16kHz)"), 1);
    EXPECT_EQ(filteringOf("MEDIUM (400HZ - 12KHZ)"), 2);
    EXPECT_EQ(filteringOf("narrow (800hz - 8khz)"), 3);
    EXPECT_EQ(filteringOf("Narrow"), 0);
}

TEST(SettingsFileTest, DeviceLineMatchesWithoutRegardToCase) {
    const std::string head =
        "AUTO\r\n52\r\n20\r\n10\r\n0\r\n1\r\nFALSE\r\n5\r\nFALSE\r\nFALSE\r\nNone\r\n";
    SettingsValues values = WithDevices();
    ParseSettingsFile(head + "usb MICROPHONE\r\n", values);
    EXPECT_EQ(values.InputDevice, 1);
    ParseSettingsFile(head + "Headset\r\n", values);
    EXPECT_EQ(values.InputDevice, 0);
}

TEST(SettingsFileTest, ShortInputSetsOnlyItsFirstLines) {
    SettingsValues values;
    values.Angle = "44";
    values.Gain = 3.0;
    ParseSettingsFile("", values);
    EXPECT_EQ(values.Angle, "44");
    EXPECT_EQ(values.Gain, 3.0); // resetting gain and weights is the loader's job

    ParseSettingsFile("18000\r\n48", values); // last line without its line end
    EXPECT_EQ(values.Rate, "18000");
    EXPECT_EQ(values.Angle, "48");
    EXPECT_EQ(values.Period, "20");

    // An empty first line is a line: the rate text becomes empty.
    ParseSettingsFile("\r\n", values);
    EXPECT_EQ(values.Rate, "");
    EXPECT_EQ(values.Angle, "48");
}

TEST(SettingsFileTest, LfAndCrLineEndsAreAccepted) {
    SettingsValues crlf = WithDevices();
    SettingsValues lf = WithDevices();
    SettingsValues cr = WithDevices();
    std::string bytes = "21600\r\n50\r\n30\r\n2\r\n1.5\r\n1/3\r\nTRUE\r\n15\r\nFALSE\r\nTRUE\r\n"
                        "Medium (400Hz - 12kHz)\r\nLine In\r\n 4.00000000000000E+0000\r\n"
                        "3\r\n3\r\n3\r\n3\r\n3\r\n3\r\n";
    ParseSettingsFile(bytes, crlf);
    std::string lfBytes;
    std::string crBytes;
    for (char c : bytes) {
        if (c != '\r')
            lfBytes += c;
        if (c != '\n')
            crBytes += c;
    }
    ParseSettingsFile(lfBytes, lf);
    ParseSettingsFile(crBytes, cr);
    EXPECT_EQ(crlf, lf);
    EXPECT_EQ(crlf, cr);
    EXPECT_EQ(crlf.Rate, "21600");
    EXPECT_EQ(crlf.Gain, 4.0);
    EXPECT_EQ(crlf.Weights[5], 3);
}

TEST(SettingsFileTest, GainAndWeightLines) {
    std::string head = "AUTO\n52\n20\n10\n0\n1\nFALSE\n5\nFALSE\nFALSE\n\nx\n";
    SettingsValues values;
    ParseSettingsFile(head + "abc\n2\nx\n\n-4\n 7\n2147483648\n", values);
    EXPECT_EQ(values.Gain, 1.0);
    EXPECT_EQ(values.Weights, (std::array<std::int32_t, 6>{2, 1, 1, -4, 7, 1}));

    values.Gain = 1.0;
    ParseSettingsFile(head + "2.56000000000000E+0002\n", values); // no leading blank
    EXPECT_EQ(values.Gain, 256.0);
    ParseSettingsFile(head + "1,5\n", values);
    EXPECT_EQ(values.Gain, 1.5);
    // Outside 1 to 256 the gain is held at the nearer bound; non-numbers leave it alone.
    ParseSettingsFile(head + "1e9\n", values);
    EXPECT_EQ(values.Gain, 256.0);
    ParseSettingsFile(head + "-3\n", values);
    EXPECT_EQ(values.Gain, 1.0);
    values.Gain = 8.0;
    ParseSettingsFile(head + "nan\n", values);
    EXPECT_EQ(values.Gain, 8.0);
}

TEST(SettingsFileTest, ExtraLinesAreIgnored) {
    SettingsValues values;
    values.Filtering = 0;
    const std::string bytes = FormatSettingsFile(values) + "TRUE\r\nsomething\r\n";
    SettingsValues loaded;
    ParseSettingsFile(bytes, loaded);
    EXPECT_EQ(loaded, values);
}

TEST(SettingsFileTest, HostileBytesNeverCrash) {
    // Random bytes, biased towards line ends and the interesting words, through the reader.
    std::mt19937 random(20261208);
    const std::string pieces[] = {"\r",   "\n",         "\r\n", "TRUE", "/",
                                  "1/",   "E+",         "-",    " ",    std::string(1, '\0'),
                                  "\xff", "9999999999", "AUTO"};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            if (random() % 2)
                bytes += pieces[random() % std::size(pieces)];
            else
                bytes += static_cast<char>(random() % 256);
        }
        SettingsValues values = WithDevices();
        ParseSettingsFile(bytes, values);
        EXPECT_GE(values.Filtering, 0); // a missing line leaves None
        EXPECT_LT(values.Filtering, 4);
        EXPECT_GE(values.InputDevice, 0);
        EXPECT_LT(values.InputDevice, 3);
        EXPECT_GE(values.Gain, 1.0);
        EXPECT_LE(values.Gain, 256.0);
        // Whatever was read can be written back and then reads the same.
        SettingsValues once = WithDevices();
        ParseSettingsFile(FormatSettingsFile(values), once);
        SettingsValues twice = WithDevices();
        ParseSettingsFile(FormatSettingsFile(once), twice);
        EXPECT_EQ(twice, once);
    }
}

} // namespace

// Earlier versions saved a device's name cut to 31 bytes and without its sound system; such
// a name still opens its device when it fits only that one, and whole names tell apart two
// devices whose cut names were the same.
TEST(SettingsFileTest, OldCutDeviceNamesFindTheirDeviceWhenOnlyOneFits) {
    SettingsValues values;
    values.InputDevices = {"Microsoft Sound Mapper - Input",
                           "usb_pnp_sound_device_usb_audio_hw_1_0 (ALSA)",
                           "usb_pnp_sound_device_usb_audio_hw_2_0 (ALSA)",
                           "USB Audio Device: USB Audio (hw:1,0) (ALSA)",
                           "system (JACK)",
                           "Simulated watch 21600 bph"};
    // The device line of a file saved with the mapper, replaced by name.
    const auto selects = [&values](const std::string& name) {
        SettingsValues written = values;
        written.InputDevice = 0;
        std::string bytes = FormatSettingsFile(written);
        const std::string mapper = "Microsoft Sound Mapper - Input";
        bytes.replace(bytes.find(mapper), mapper.size(), name);
        SettingsValues loaded = values;
        ParseSettingsFile(bytes, loaded);
        return loaded.InputDevice;
    };
    EXPECT_EQ(selects("usb_pnp_sound_device_usb_audio_hw_2_0 (ALSA)"), 2);
    EXPECT_EQ(selects("USB Audio Device: USB Audio (hw"), 3); // cut at 31 bytes
    EXPECT_EQ(selects("SYSTEM"), 4);
    EXPECT_EQ(selects("Simulated watch 21600 bph"), 5);
    EXPECT_EQ(selects("usb_pnp_sound_device_usb_audio_"), 0); // fits two: neither
    EXPECT_EQ(selects("USB Audio Device"), 0);                // not how it was ever saved

    // Whole names are written back as they are.
    values.InputDevice = 2;
    SettingsValues loaded = values;
    ParseSettingsFile(FormatSettingsFile(values), loaded);
    EXPECT_EQ(loaded.InputDevice, 2);
}
