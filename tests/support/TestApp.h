#pragma once

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

// A temporary HOME (and XDG folders) for one test, restored afterwards, so the
// documents folder and the working folders are the test's own.
class TemporaryHome
{
public:
    TemporaryHome();
    ~TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    QString path() const { return dir_.path(); }
    QString documents() const { return dir_.path() + QStringLiteral("/Documents"); }

private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
    QByteArray oldConfig_;
};

// The real main window and controller, wired as the application wires them,
// with scripted dialogs and an exit that is recorded instead of taken.
struct TestApp
{
    // Builds the window and the controller; launches unless told not to.
    explicit TestApp(bool launch = true);
    ~TestApp();

    void launch();

    TemporaryHome home;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<AppDelegate> controller;
    std::optional<int> exitStatus;
};

// A control of the window by its object name; null when it has none.
template <class Widget> Widget* control(const AppDelegate& c, const char* name)
{
    return c.window ? c.window->findChild<Widget*>(QLatin1String(name)) : nullptr;
}

namespace testsupport {

// The system's ffmpeg and ffprobe (empty when missing).
QString ffmpeg();
QString ffprobe();

// Makes a clip with ffmpeg's own sources: `seconds` long, size w×h, at `rate`
// (such as "25" or "30000/1001"), with a sine tone when `withSound`.
// Returns true when the file was written.
bool makeClip(const QString& path, double seconds, int width, int height, const QString& rate,
              bool withSound);

// The same with any of ffmpeg's own video sources, such as
// "mandelbrot=size=320x240:rate=10", cut to `seconds`.
bool makeClipFrom(const QString& path, const QString& videoSource, double seconds, bool withSound);

// Writes an executable shell script (a fake transcoder) with `body` and returns its path.
QString writeScript(const QString& path, const QString& body);

// Runs ffprobe on `path` and returns one value (e.g. "stream=codec_name" for
// stream `stream` such as "v:0").
QString probe(const QString& path, const QString& stream, const QString& entry);

} // namespace testsupport
