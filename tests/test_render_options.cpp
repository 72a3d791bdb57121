// oldreel-render's parts that need no video: the command line, the look's
// settings against the window's panel, the kept range and the result's name.
#include "effects/EraLooks.h"
#include "effects/PresetTable.h"
#include "lookfiles/LookFile.h"
#include "lookfiles/LookSettings.h"
#include "lookfiles/SettingTable.h"
#include "media/EncoderQuality.h"
#include "media/VideoCodecs.h"
#include "render/EncodingOptions.h"
#include "render/KeptRange.h"
#include "render/OutputPaths.h"
#include "render/RenderOptions.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>

namespace {

using render::parseCommandLine;
using render::parseTimePoint;

TEST(RenderOptions, TimePointsReadPercentsClocksAndSeconds)
{
    const struct
    {
        const char* text;
        bool percent;
        double value;
    } good[] = {{"25%", true, 25},        {"100%", true, 100},         {"0%", true, 0},
                {"12.5%", true, 12.5},    {"00:01:02.5", false, 62.5}, {"1:02:03", false, 3723},
                {"01:02.5", false, 62.5}, {"62.5", false, 62.5},       {"90", false, 90},
                {" 7 ", false, 7},        {"1.5", false, 1.5},         {"1.5s", false, 1.5},
                {"1500ms", false, 1.5},   {"00:01.5", false, 1.5},     {"1:02:03.5", false, 3723.5},
                {"10%", true, 10},        {".5s", false, 0.5}};
    for (const auto& g : good) {
        const auto point = parseTimePoint(g.text);
        ASSERT_TRUE(point) << g.text;
        EXPECT_EQ(point->percent, g.percent) << g.text;
        EXPECT_DOUBLE_EQ(point->value, g.value) << g.text;
    }
    for (const char* bad : {"101%", "-1", "-5%", "1:60", "1:00:75", "abc", "", "5%%", "1::2", "1e3",
                            "-1.5s", "1.5 s", "1:02s", "ms", "5sec", "10%s", "1500ms%"})
        EXPECT_FALSE(parseTimePoint(bad)) << bad;
    EXPECT_DOUBLE_EQ(parseTimePoint("25%")->seconds(8.0), 2.0);
    EXPECT_DOUBLE_EQ(parseTimePoint("3")->seconds(8.0), 3.0);
}

TEST(RenderOptions, EveryOptionSpellingIsRead)
{
    QTemporaryDir out;
    const auto parsed = parseCommandLine({"-p27",
                                          "--set",
                                          "chrome=on",
                                          "--set=gamma=60",
                                          "--output=" + out.path(),
                                          "--from",
                                          "25%",
                                          "--to=00:00:03",
                                          "--overwrite",
                                          "-q",
                                          "a.mov",
                                          "--codec=HEVC",
                                          "--quality",
                                          "20",
                                          "--speed=fast",
                                          "--height",
                                          "720",
                                          "--skip-existing",
                                          "--jobs",
                                          "3",
                                          "--",
                                          "-odd.mov"});
    ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
    const render::Options& o = parsed.options;
    EXPECT_EQ(o.preset, 27);
    EXPECT_EQ(o.settings, QStringList({"chrome=on", "gamma=60"}));
    EXPECT_EQ(o.outputFolder, out.path());
    EXPECT_TRUE(o.from->percent);
    EXPECT_FALSE(o.to->percent);
    EXPECT_DOUBLE_EQ(o.to->value, 3.0);
    EXPECT_TRUE(o.overwrite && o.quiet && o.skipExisting);
    EXPECT_EQ(o.jobs, 3);
    EXPECT_EQ(o.videos, QStringList({"a.mov", "-odd.mov"}));
    EXPECT_EQ(parseCommandLine({"a.mov"}).options.jobs, 1);
    EXPECT_EQ(o.encoding.codec, media::VideoCodec::Hevc);
    EXPECT_EQ(o.encoding.quality, 20);
    EXPECT_EQ(o.encoding.speed, "fast");
    EXPECT_EQ(o.height, 720);

    const auto shortForms = parseCommandLine({"-o", out.path(), "-p", "1", "-j", "2", "b.mov"});
    EXPECT_TRUE(shortForms.error.isEmpty());
    EXPECT_EQ(shortForms.options.preset, 1);
    EXPECT_EQ(shortForms.options.jobs, 2);
    EXPECT_EQ(parseCommandLine({"-j4", "--jobs=5", "b.mov"}).options.jobs, 5);
    EXPECT_EQ(parseCommandLine({"-qj2", "b.mov"}).options.jobs, 2);
    EXPECT_TRUE(parseCommandLine({"--list-presets"}).options.listPresets);
    // --save-look alone only writes the look: no video is needed.
    EXPECT_EQ(parseCommandLine({"--save-look=x.json"}).error, "");
    EXPECT_TRUE(parseCommandLine({"--help"}).options.help);
    EXPECT_TRUE(parseCommandLine({"-h", "--bogus"}).options.help);

    // Short options clustered (one taking a value ends the cluster), the
    // progress styles, --version, and paths tidied as they are read.
    const struct
    {
        QStringList arguments;
        bool quiet;
        int preset;
        QString folder;
        QStringList videos;
        render::ProgressStyle progress = render::ProgressStyle::Automatic;
    } rows[] = {
        {{"-qo", out.path(), "a"}, true, 0, out.path(), {"a"}},
        {{"-qo" + out.path(), "a"}, true, 0, out.path(), {"a"}},
        {{"-qp4", "a"}, true, 4, "", {"a"}},
        {{"-qqp", "4", "-o", out.path() + "//", "./x/./a.mov"}, true, 4, out.path(), {"x/a.mov"}},
        {{"-o", "./new//deeper/", "a//b/"}, false, 0, "new/deeper", {"a/b"}},
        {{"--progress=json", "a"}, false, 0, "", {"a"}, render::ProgressStyle::Json},
        {{"--progress", "plain", "a"}, false, 0, "", {"a"}, render::ProgressStyle::Plain},
        {{"--progress=bar", "--", "-qo"}, false, 0, "", {"-qo"}, render::ProgressStyle::Bar},
    };
    for (const auto& row : rows) {
        const auto parsed = parseCommandLine(row.arguments);
        const QString line = row.arguments.join(' ');
        ASSERT_EQ(parsed.error, "") << line.toStdString();
        EXPECT_EQ(parsed.options.quiet, row.quiet) << line.toStdString();
        EXPECT_EQ(parsed.options.preset, row.preset) << line.toStdString();
        EXPECT_EQ(parsed.options.outputFolder, row.folder) << line.toStdString();
        EXPECT_EQ(parsed.options.videos, row.videos) << line.toStdString();
        EXPECT_EQ(parsed.options.progress, row.progress) << line.toStdString();
    }
    const auto version = parseCommandLine({"--version"});
    EXPECT_TRUE(version.options.version && version.error.isEmpty());
    EXPECT_TRUE(parseCommandLine({"-hq"}).options.help);
    EXPECT_TRUE(render::versionText().contains(QRegularExpression("^oldreel-render \\d+\\.\\d+")))
        << render::versionText().toStdString();
}

TEST(RenderOptions, UsageErrorsSayWhatIsWrong)
{
    QTemporaryDir dir;
    QFile file(dir.path() + "/a.mov");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString a = dir.path() + "/a.mov";
    QFile table(dir.path() + "/bad.cube");
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("LUT_3D_SIZE 2\n0 0\n");
    table.close();
    QString noError;
    const QString look = dir.path() + "/x.json";
    ASSERT_TRUE(lookfiles::writeLookFile(look, effects::Look(), noError));
    const std::map<QString, QStringList> cases = {
        {"--look and --preset both choose the look: give one", {"-p2", "--look", look, a}},
        {"--look and --era both choose the look: give one",
         {"--look=" + look, "--era=1920s-silent", a}},
        {dir.path() + "/none.json: no such file", {"--look", dir.path() + "/none.json", a}},
        {dir.path() + ": not a file", {"--look", dir.path(), a}},
        {"no video given", {}},
        {"unknown option --colour", {"--colour", a}},
        {"--preset needs a value", {a, "--preset"}},
        {"--preset 0: presets are numbered 1 to 42", {"-p", "0", a}},
        {"--preset 43: presets are numbered 1 to 42", {"-p", "43", a}},
        {"--preset x: presets are numbered 1 to 42", {"-p", "x", a}},
        {"--era 1930s: eras are 1910s-hand-cranked, 1920s-silent, 1940s-newsreel, "
         "1960s-home-movie, 1970s-super-8",
         {"--era", "1930s", a}},
        {"--preset and --era both choose the look: give one", {"--era=1920s-silent", "-p1", a}},
        {"--jobs 0: expected a number of videos at once, 1 or more", {"-j", "0", a}},
        {"--jobs two: expected a number of videos at once, 1 or more", {"--jobs=two", a}},
        {"-j needs a value", {a, "-j"}},
        {"--from 50:: expected a percent (25%) or a time (00:01:02.5)", {"--from", "50:", a}},
        {"--from must come before --to", {"--from", "50%", "--to", "20%", a}},
        {"--from must come before --to", {"--from", "3", "--to", "3", a}},
        {"output folder " + a + "/new cannot be made: " + a + " is not a folder",
         {"-o", a + "/new", a}},
        {"output " + a + " is not a folder", {"-o", a, a}},
        {dir.path() + "/a.mov is named twice", {a, dir.path() + "/./a.mov"}},
        {"unknown option -x", {"-qx", a}},
        {"--progress fancy: takes bar, plain or json", {"--progress=fancy", a}},
        {"--codec vp9: codecs are h264, hevc, av1", {"--codec", "vp9", a}},
        {"--quality 52: h264 takes 0 to 51 (lower is better; default 18)", {"--quality=52", a}},
        {"--quality 0: av1 takes 1 to 63 (lower is better; default 30)",
         {"--quality", "0", "--codec", "av1", a}},
        {"--quality 20.5: hevc takes 0 to 51 (lower is better; default 22)",
         {"--codec=hevc", "--quality", "20.5", a}},
        {"--speed 8: h264 takes ultrafast, superfast, veryfast, faster, fast, medium, slow, "
         "slower, veryslow, placebo (default medium)",
         {"--speed", "8", a}},
        {"--speed 14: av1 takes 0 (slowest) to 13 (default 8)",
         {"--codec", "av1", "--speed", "14", a}},
        {"--height 17: takes an even number of lines from 16", {"--height", "17", a}},
        {"--height 14: takes an even number of lines from 16", {"--height=14", a}},
        {"--height needs a value", {a, "--height"}},
        {"--set: unknown effect \"colour\" (known: chrome, instant, process, sepia, brightness, "
         "contrast, saturation, gamma, exposure, red, green, blue, grain, vignette, light, weave, "
         "flicker, halation, halationradius, soundstrength, stockstrength, cadence, gate, "
         "grainsize, seed, sound, stock)",
         {"--set", "colour=1", a}},
        {"--set stock: film stock " + dir.path() +
             "/bad.cube cannot be used: line 2: expected three numbers",
         {"--set", "stock=" + dir.path() + "/bad.cube", a}},
        {"--set stock: film stock missing.cube cannot be used: the file does not exist",
         {"--set=stock=missing.cube", a}},
    };
    for (const auto& [message, arguments] : cases)
        EXPECT_EQ(parseCommandLine(arguments).error, message) << arguments.join(' ').toStdString();
    // Mixed kinds cannot be ordered without the video's length: that waits for it.
    EXPECT_TRUE(parseCommandLine({"--from", "50%", "--to", "1", a}).error.isEmpty());
    // A missing output folder is made later, parents and all.
    EXPECT_TRUE(parseCommandLine({"-o", dir.path() + "/new/deeper", a}).error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/new"));
}

// The slider ranges of the window's panel, read from its form.
// The window's widgets by object name: their class and, for a slider, its range.
struct FormWidget
{
    QString widgetClass;
    float minimum = 0, maximum = 0;
};

std::map<QString, FormWidget> formWidgets()
{
    std::map<QString, FormWidget> widgets;
    QFile form(QStringLiteral(OLDREEL_SOURCE_DIR) + "/src/app/MainWindow.ui");
    if (!form.open(QIODevice::ReadOnly))
        return widgets;
    QXmlStreamReader xml(&form);
    FormWidget* widget = nullptr;
    QString property;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"widget") {
            widget = &widgets[xml.attributes().value("name").toString()];
            widget->widgetClass = xml.attributes().value("class").toString();
        } else if (xml.isStartElement() && xml.name() == u"property") {
            property = xml.attributes().value("name").toString();
        } else if (xml.isStartElement() && xml.name() == u"number" && widget) {
            const float value = xml.readElementText().toFloat();
            if (property == "minimum")
                widget->minimum = value;
            else if (property == "maximum")
                widget->maximum = value;
        }
    }
    return widgets;
}

TEST(RenderOptions, CodecChoicesReachTheEncoderAndTheDefaultIsEveryMp4sH264)
{
    // The default keeps the one list every MP4 is written with.
    for (const bool grain : {false, true})
        for (const bool large : {false, true})
            EXPECT_EQ(media::videoEncoderArguments({}, grain, large),
                      media::h264QualityArguments(grain, large));
    const struct
    {
        QStringList options;
        bool grain;
        QStringList arguments;
        QStringList environment;
    } rows[] = {
        {{"--speed", "SLOW", "--quality", "23"},
         false,
         {"-c:v", "libx264", "-preset", "slow", "-crf", "23", "-pix_fmt", "yuv420p", "-movflags",
          "+faststart"},
         {}},
        {{"--codec", "hevc"},
         true,
         {"-c:v", "libx265", "-preset", "medium", "-crf", "22", "-pix_fmt", "yuv420p", "-movflags",
          "+faststart", "-tag:v", "hvc1", "-tune", "grain", "-x265-params", "log-level=error"},
         {}},
        {{"--codec", "AV1", "--speed", "10", "--quality", "40"},
         true,
         {"-c:v", "libsvtav1", "-preset", "10", "-crf", "40", "-pix_fmt", "yuv420p", "-movflags",
          "+faststart"},
         {"SVT_LOG=1"}},
    };
    for (const auto& row : rows) {
        const auto parsed = parseCommandLine(row.options + QStringList{"a.mov"});
        ASSERT_EQ(parsed.error, "") << row.options.join(' ').toStdString();
        const media::VideoEncoding& encoding = parsed.options.encoding;
        EXPECT_EQ(media::videoEncoderArguments(encoding, row.grain), row.arguments);
        EXPECT_EQ(media::videoEncoderEnvironment(encoding), row.environment);
    }

    // --height keeps the aspect in even widths and never enlarges.
    const struct
    {
        int width, height, lines;
        std::optional<std::pair<int, int>> size;
    } sizes[] = {{1920, 1080, 720, {{1280, 720}}}, {1920, 1080, 0, {{1920, 1080}}},
                 {853, 480, 360, {{640, 360}}},    {1440, 1080, 16, {{22, 16}}},
                 {640, 360, 360, {{640, 360}}},    {640, 360, 480, std::nullopt}};
    for (const auto& s : sizes) {
        QString why;
        EXPECT_EQ(render::scaledSize(s.width, s.height, s.lines, why), s.size) << s.lines;
        EXPECT_EQ(why.isEmpty(), s.size.has_value()) << why.toStdString();
    }
}

TEST(RenderLook, SettingsTakeThePanelsNamesAndSliderRanges)
{
    const auto form = formWidgets();
    ASSERT_FALSE(form.empty());
    // Every slider of the panel but the position's is a setting's, and the
    // other way round: a new slider needs its row, nothing here.
    std::size_t sliders = 0;
    for (const auto& [name, widget] : form)
        sliders += widget.widgetClass == "DoubleSlider" && name != "sliderPos";
    for (const lookfiles::Setting& s : lookfiles::settings()) {
        SCOPED_TRACE(s.name);
        for (const char* control :
             {s.check, s.slider, s.label, s.combo, s.buttons[0], s.buttons[1]})
            EXPECT_TRUE(!control || form.count(control)) << control;
        if (!s.slider)
            continue;
        --sliders;
        const FormWidget& range = form.at(s.slider);
        EXPECT_EQ(range.widgetClass, "DoubleSlider");
        const QString name = s.name;
        float minimum = 0, maximum = 0;
        ASSERT_TRUE(lookfiles::sliderRange(name, minimum, maximum));
        EXPECT_EQ(minimum, range.minimum);
        EXPECT_EQ(maximum, range.maximum);
        EXPECT_EQ((effects::Look().*s.value)(), s.defaultValue);
        effects::Look look;
        EXPECT_TRUE(
            lookfiles::applySetting(look, name + "=" + QString::number(range.minimum)).isEmpty());
        EXPECT_TRUE(
            lookfiles::applySetting(look, name + "=" + QString::number(range.maximum)).isEmpty());
        EXPECT_FALSE(
            lookfiles::applySetting(look, name + "=" + QString::number(range.minimum - 0.5))
                .isEmpty());
        EXPECT_FALSE(
            lookfiles::applySetting(look, name + "=" + QString::number(range.maximum + 0.5))
                .isEmpty());
    }
    EXPECT_EQ(sliders, 0u);
}

TEST(RenderLook, NumbersSetTheValueAndTheGateOnOffOnlyTheGate)
{
    effects::Look r;
    r.setB_Gamma(0);
    EXPECT_TRUE(lookfiles::applySetting(r, "gamma=60").isEmpty());
    EXPECT_EQ(r.b_Gamma(), 1);
    EXPECT_EQ(r.f_Gamma(), 60.0f);
    EXPECT_TRUE(lookfiles::applySetting(r, "Gamma=off").isEmpty());
    EXPECT_EQ(r.b_Gamma(), 0);
    EXPECT_EQ(r.f_Gamma(), 60.0f);
    EXPECT_TRUE(lookfiles::applySetting(r, "vignette=on").isEmpty());
    EXPECT_EQ(r.b_Vignetting(), 1);
    EXPECT_EQ(r.f_Vignetting(), 10.0f);
    EXPECT_TRUE(lookfiles::applySetting(r, "brightness=-20").isEmpty());
    EXPECT_EQ(r.f_Brightness(), -20.0f);
    EXPECT_TRUE(lookfiles::applySetting(r, "chrome=on").isEmpty());
    EXPECT_TRUE(lookfiles::applySetting(r, "sepia=off").isEmpty());
    EXPECT_EQ(r.b_Chrome(), 1);
    EXPECT_EQ(r.b_Sepia(), 0);

    EXPECT_EQ(lookfiles::applySetting(r, "brightness=on"),
              "--set brightness: takes a number from -100 to 100, not on/off");
    EXPECT_EQ(lookfiles::applySetting(r, "sepia=1"), "--set sepia: takes on or off, not \"1\"");
    EXPECT_EQ(lookfiles::applySetting(r, "gamma=lots"),
              "--set gamma: \"lots\" is not a number from 25 to 300");
    EXPECT_EQ(lookfiles::applySetting(r, "gamma=nan"),
              "--set gamma: \"nan\" is not a number from 25 to 300");
    EXPECT_EQ(lookfiles::applySetting(r, "gamma"), "--set gamma: expected NAME=VALUE");
}

TEST(RenderLook, ProjectorSettingsTakeTheirValuesAndRefuseOthers)
{
    // Every row starts from a look with each list set away from its default.
    effects::Look start;
    start.setI_Cadence(24);
    start.setI_Gate(2);
    start.setI_Grain_Size(3);
    start.setU_Seed(9);
    start.setB_Halation(1);
    start.setS_Stock("/films/Old.cube");
    const struct
    {
        const char* setting;
        void (*change)(effects::Look&);
    } good[] = {
        {"weave=55", [](effects::Look& l) { l.setB_Weave(1), l.setF_Weave(55); }},
        {"flicker=on", [](effects::Look& l) { l.setB_Flicker(1); }},
        {"halation=100", [](effects::Look& l) { l.setF_Halation(100); }},
        {"halation=off", [](effects::Look& l) { l.setB_Halation(0); }},
        {"halationradius=12.5", [](effects::Look& l) { l.setF_Halation_Radius(12.5f); }},
        {"Cadence=16", [](effects::Look& l) { l.setI_Cadence(16); }},
        {"cadence=OFF", [](effects::Look& l) { l.setI_Cadence(0); }},
        {"gate=Full", [](effects::Look& l) { l.setI_Gate(0); }},
        {"gate=4:3", [](effects::Look& l) { l.setI_Gate(1); }},
        {"grainsize=fine", [](effects::Look& l) { l.setI_Grain_Size(1); }},
        {"grainsize=4", [](effects::Look& l) { l.setI_Grain_Size(4); }},
        {"seed=4294967295", [](effects::Look& l) { l.setU_Seed(4294967295u); }},
        {"sound=Old", [](effects::Look& l) { l.setB_Old_Sound(1); }},
        {"soundstrength=80", [](effects::Look& l) { l.setF_Old_Sound(80); }},
        {"stock=None", [](effects::Look& l) { l.setS_Stock(""); }},
        {"stockstrength=60", [](effects::Look& l) { l.setF_Stock_Strength(60); }},
    };
    for (const auto& g : good) {
        effects::Look record = start;
        effects::Look want = start;
        g.change(want);
        EXPECT_EQ(lookfiles::applySetting(record, g.setting), "") << g.setting;
        EXPECT_TRUE(static_cast<const effects::Look&>(record) == want) << g.setting;
    }

    const std::map<QString, QString> bad = {
        {"weave=101", "--set weave: \"101\" is not a number from 0 to 100"},
        {"halationradius=on", "--set halationradius: takes a number from 0 to 100, not on/off"},
        {"cadence=20", "--set cadence: \"20\" is not one of 16, 18, 24, off"},
        {"gate=2.35", "--set gate: \"2.35\" is not one of full, 4:3, 1.37, 1.66, 1.85"},
        {"grainsize=5", "--set grainsize: \"5\" is not one of fine, 1, 2, 3, 4"},
        {"seed=-1", "--set seed: \"-1\" is not a whole number from 0 to 4294967295"},
        {"seed=4294967296",
         "--set seed: \"4294967296\" is not a whole number from 0 to 4294967295"},
        {"seed=1e3", "--set seed: \"1e3\" is not a whole number from 0 to 4294967295"},
        {"sound=on", "--set sound: \"on\" is not one of old, off"},
        {"soundstrength=101", "--set soundstrength: \"101\" is not a number from 0 to 100"},
        {"stockstrength=-1", "--set stockstrength: \"-1\" is not a number from 0 to 100"},
        {"stock=", "--set stock: expected a .cube file or none"},
    };
    for (const auto& [setting, message] : bad) {
        effects::Look record = start;
        EXPECT_EQ(lookfiles::applySetting(record, setting), message);
        EXPECT_TRUE(static_cast<const effects::Look&>(record) == start) << setting.toStdString();
    }

    // The usage text names every setting with its values, in lines that fit 80 columns.
    const QString usage = render::usageText();
    for (const QString& name : lookfiles::settingNames())
        EXPECT_TRUE(usage.contains(QRegularExpression(
            " " + QRegularExpression::escape(name + "=" + lookfiles::settingValues(name)) +
            "[,\n]")))
            << name.toStdString();
    EXPECT_TRUE(usage.contains(" cadence=16|18|24|off,"));
    for (const QString& line : usage.split('\n'))
        EXPECT_LE(line.size(), 80) << line.toStdString();
}

TEST(RenderLook, AStockKeepsItsNamesCaseAndIsMadeAbsolute)
{
    QTemporaryDir dir;
    QFile table(dir.path() + "/Warm Print.CUBE");
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("LUT_1D_SIZE 2\n0 0 0\n1 1 1\n");
    table.close();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const auto parsed = parseCommandLine({"--set", "Stock=Warm Print.CUBE", "a.mov"});
    const std::string stock = render::lookFromOptions(parsed.options).s_Stock();
    QDir::setCurrent(before);
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(stock, (dir.path() + "/Warm Print.CUBE").toStdString());
}

TEST(RenderLook, APresetWithChangesOnTop)
{
    render::Options options;
    options.preset = 27;
    options.settings = {"grain=off", "light=70"};
    const effects::Look look = render::lookFromOptions(options);
    const effects::Look preset = effects::presetLooks()[26];
    EXPECT_EQ(look.b_Instant(), preset.b_Instant());
    EXPECT_EQ(look.b_Process(), preset.b_Process());
    EXPECT_EQ(look.b_Sepia(), preset.b_Sepia());
    EXPECT_EQ(look.b_Vignetting(), preset.b_Vignetting());
    EXPECT_EQ(preset.b_Noise(), 1);
    EXPECT_EQ(look.b_Noise(), 0);
    EXPECT_EQ(look.b_Light(), 1);
    EXPECT_EQ(look.f_Light(), 70.0f);
    EXPECT_EQ(preset.b_Light(), 0);

    const effects::Look plain = render::lookFromOptions(render::Options{});
    EXPECT_EQ(plain.b_Instant(), 1);
    EXPECT_EQ(plain.b_Sepia(), 1);
    EXPECT_EQ(plain.b_Noise(), 0);
}

TEST(RenderLook, AnEraByEitherNameWithChangesOnTop)
{
    const auto& eras = effects::eraLooks();
    for (const effects::Era& era : eras) {
        const QString key = QString::fromStdString(effects::eraKey(era));
        for (const QString& name : {key, QString::fromUtf8(era.name).toUpper()}) {
            const auto parsed = parseCommandLine({"--era", name, "a.mov"});
            ASSERT_EQ(parsed.error, "") << name.toStdString();
            EXPECT_TRUE(render::lookFromOptions(parsed.options) == era.look) << name.toStdString();
        }
        // Listed in the usage text by the name the option takes.
        EXPECT_TRUE(render::usageText().contains(" " + key)) << key.toStdString();
    }
    const auto parsed =
        parseCommandLine({"--era", "1920s silent", "--set", "cadence=24", "--set=sepia=off", "a"});
    ASSERT_EQ(parsed.error, "");
    effects::Look want = eras[1].look;
    want.setI_Cadence(24);
    want.setB_Sepia(0);
    EXPECT_TRUE(render::lookFromOptions(parsed.options) == want);
}

TEST(RenderLook, ALookFileOrTheListOfPresets)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/x.oldreel-look.json";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"oldreel-look\": 1, \"sepia\": \"off\", \"gate\": 1.37, \"grain\": 120}");
    file.close();
    const auto parsed = parseCommandLine({"--look", path, "--set", "grain=off", "a.mov"});
    ASSERT_EQ(parsed.error, "");
    // The file's settings over the default look, then the --sets.
    effects::Look want;
    want.setB_Sepia(0);
    want.setI_Gate(2);
    want.setF_Noise(120);
    EXPECT_TRUE(render::lookFromOptions(parsed.options) == want);

    // In the words of the strip's tool tips ("Preset 4: ...").
    const QStringList presets = render::presetList().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(presets.size(), 42);
    EXPECT_EQ(presets[0], "1: Chrome");
    EXPECT_EQ(presets[3], "4: Chrome, instant");
    EXPECT_EQ(presets[22], "23: Instant, sepia, vignette, grain");
    EXPECT_EQ(presets[41], "42: Chrome, instant, process, black and white");
}

TEST(LookFile, EveryLookReadsBackAsItWasWritten)
{
    // Every gate on, so that every value is written: the same look comes back.
    effects::Look odd;
    for (const QString& name : lookfiles::settingNames())
        lookfiles::applyValue(odd, name, "on");
    odd.setF_Brightness(-12.5f);
    odd.setF_Gamma(37.3f);
    odd.setF_Halation_Radius(0.1f);
    odd.setI_Cadence(18);
    odd.setI_Gate(4);
    odd.setI_Grain_Size(3);
    odd.setU_Seed(4294967295u);
    odd.setB_Old_Sound(1);
    QString error;
    std::vector<effects::Look> looks = effects::presetLooks();
    for (const effects::Era& era : effects::eraLooks())
        looks.push_back(era.look);
    looks.push_back(odd);
    for (const effects::Look& look : looks) {
        const QByteArray text = lookfiles::lookFileText(look);
        const auto read = lookfiles::parseLookFile(text, "x", error);
        ASSERT_TRUE(read) << error.toStdString();
        EXPECT_EQ(lookfiles::lookFileText(*read), text);
    }
    EXPECT_TRUE(*lookfiles::parseLookFile(lookfiles::lookFileText(odd), "x", error) == odd);
    const QByteArray text = lookfiles::lookFileText(effects::Look());
    EXPECT_TRUE(text.startsWith("{\n  \"oldreel-look\": 1,\n  \"chrome\": \"off\",\n  "
                                "\"instant\": \"on\",\n"));
    EXPECT_TRUE(text.contains("\n  \"brightness\": 0,\n  \"contrast\": 100,\n"));
    EXPECT_TRUE(text.contains("\n  \"gamma\": \"off\",\n"));
    EXPECT_TRUE(text.endsWith(",\n  \"gate\": \"full\",\n  \"grainsize\": \"fine\",\n  "
                              "\"seed\": 1,\n  \"sound\": \"off\",\n  \"stock\": \"none\"\n}\n"));
}

TEST(LookFile, AFaultNamesTheFileTheLineAndTheKey)
{
    const std::map<QByteArray, QString> cases = {
        {"{\"oldreel-look\": 1,\n \"colour\": 5}",
         "l.json:2: colour: not a setting (known: " + lookfiles::settingNames().join(", ") + ")"},
        {"\xEF\xBB\xBF{\"oldreel-look\": 1,\n\n \"gamma\": 400}",
         "l.json:3: gamma: \"400\" is not a number from 25 to 300"},
        {"{\"oldreel-look\": 1, \"gate\": \"2.35\"}",
         "l.json:1: gate: \"2.35\" is not one of full, 4:3, 1.37, 1.66, 1.85"},
        {"{\"oldreel-look\": 1,\n \"sepia\": true}",
         "l.json:2: sepia: expected a number or a text in quotes, not true"},
        {"{\"oldreel-look\": 1,\n \"grain\": [1, {\"a\": \"}\"}],\n \"light\": 5}",
         "l.json:2: grain: expected a number or a text in quotes, not a list"},
        {"{\"oldreel-look\": 1,\n \"sepia\": \"on\",\n \"se\\u0070ia\": \"off\"}",
         "l.json:3: sepia: given twice (first on line 2)"},
        {"{\"oldreel-look\": 1,\n \"sepia\": \"on\"\n \"grain\": 3}",
         "l.json:3: malformed JSON (unterminated object)"},
        {"", "l.json:1: malformed JSON (illegal value)"},
        {"[1]", "l.json:1: not a look: expected a JSON object { ... }"},
        {"{\"sepia\": \"on\"}", "l.json:1: not a look: \"oldreel-look\": 1 is missing"},
        {"{\n\"oldreel-look\": 2}",
         "l.json:2: oldreel-look: 2 is not a version this Oldreel reads (1)"},
    };
    for (const auto& [text, message] : cases) {
        QString error;
        EXPECT_FALSE(lookfiles::parseLookFile(text, "l.json", error)) << text.toStdString();
        EXPECT_EQ(error, message) << text.toStdString();
    }
}

TEST(RenderRange, FramesOfTheKeptRange)
{
    using render::TimePoint;
    QString error;
    // 29.97 fps, 0.5 s to 1.5 s: frames 15 (0.5005 s) to 44 (1.4681 s).
    auto r =
        render::keptRange(3.0, 30000, 1001, TimePoint{false, 0.5}, TimePoint{false, 1.5}, error);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->firstFrame, 15);
    EXPECT_EQ(r->frameCount, 30);
    EXPECT_NEAR(r->readerStartSeconds, 14.5 * 1001 / 30000, 1e-9);
    EXPECT_DOUBLE_EQ(r->soundStartSeconds, 0.5);
    EXPECT_DOUBLE_EQ(r->soundLengthSeconds, 1.0);

    // A time exactly on a frame keeps that frame; an open end reads to the end.
    r = render::keptRange(10.0, 25, 1, TimePoint{true, 10}, std::nullopt, error);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->firstFrame, 25);
    EXPECT_EQ(r->frameCount, -1);
    EXPECT_EQ(r->expectedFrames, 225);
    EXPECT_DOUBLE_EQ(r->soundLengthSeconds, -1);

    // The whole video starts at 0 with no seek; a --to past the end is the end.
    r = render::keptRange(2.0, 25, 1, std::nullopt, TimePoint{false, 60}, error);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->firstFrame, 0);
    EXPECT_EQ(r->frameCount, 50);
    EXPECT_EQ(r->readerStartSeconds, 0.0);
    EXPECT_DOUBLE_EQ(r->soundLengthSeconds, 2.0);

    EXPECT_FALSE(render::keptRange(2.0, 25, 1, TimePoint{false, 2}, std::nullopt, error));
    EXPECT_EQ(error, "--from lies at or past its end (00:00:02.00)");
    EXPECT_FALSE(render::keptRange(2.0, 25, 1, TimePoint{true, 50}, TimePoint{false, 0.5}, error));
    EXPECT_EQ(error, "--from must come before --to");
    EXPECT_FALSE(
        render::keptRange(2.0, 25, 1, TimePoint{false, 0.41}, TimePoint{false, 0.42}, error));
    EXPECT_EQ(error, "the kept range holds no frame");
}

TEST(RenderOutput, ResultNamesNeverTakeAUsersFileOrAnInput)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    for (const QString name : {"a.mov", "a.mp4", "b.mp4", "b.mov", "c.mp4", "c (1).mp4"}) {
        QFile file(d + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QTemporaryDir out;
    QSet<QString> inputs;
    for (const QString name : {"a.mov", "b.mp4", "c.mp4"})
        inputs.insert(render::canonicalOrAbsolute(d + "/" + name));
    // The planned name: the first of x.mp4, x (1).mp4, ... that is not the
    // video nor an earlier result of the run, whatever else is there. A plain
    // run takes it when free, else the next free one; a replacing run takes it,
    // unless it is another video of the run.
    const struct
    {
        QString video;
        QString folder;
        QStringList claimed;
        QString planned;
        QString plain;
        QString replacing; // or the error
    } cases[] = {
        {"a.mov", "", {}, "a.mp4", "a (1).mp4", "a.mp4"},
        // A result of this run is not replaced by a later video of the same name.
        {"a.mov", "", {"a.mp4"}, "a (1).mp4", "a (1).mp4", "a (1).mp4"},
        {"a.mov", "", {"a (1).mp4"}, "a.mp4", "a (2).mp4", "a.mp4"},
        // Rendered beside itself, a video's result is "x (1).mp4", never the video.
        {"b.mp4", "", {}, "b (1).mp4", "b (1).mp4", "b (1).mp4"},
        {"c.mp4", "", {}, "c (1).mp4", "c (2).mp4", "c (1).mp4"},
        {"b.mov",
         "",
         {},
         "b.mp4",
         "b (1).mp4",
         "the result " + d + "/b.mp4 would replace another video being rendered"},
        {"a.mov",
         out.path(),
         {},
         out.path() + "/a.mp4",
         out.path() + "/a.mp4",
         out.path() + "/a.mp4"},
    };
    for (const auto& c : cases) {
        const QString video = d + "/" + c.video;
        SCOPED_TRACE(c.video.toStdString() + " " + c.claimed.join(' ').toStdString());
        QSet<QString> claimed;
        for (const QString& name : c.claimed)
            claimed.insert(render::canonicalOrAbsolute(d + "/" + name));
        auto inFolder = [&](const QString& name) {
            return name.startsWith('/') ? name : d + "/" + name;
        };
        EXPECT_EQ(render::plannedResultPath(video, c.folder, claimed), inFolder(c.planned));
        QString error;
        EXPECT_EQ(render::resultPath(video, c.folder, false, inputs, claimed, error),
                  inFolder(c.plain));
        EXPECT_EQ(error, "");
        const QString replacing = render::resultPath(video, c.folder, true, inputs, claimed, error);
        EXPECT_EQ(replacing.isEmpty() ? error : replacing,
                  c.replacing.startsWith("the result") ? c.replacing : inFolder(c.replacing));
    }
}

} // namespace
