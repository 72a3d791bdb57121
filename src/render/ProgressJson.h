#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace render {

// One state of one video for a wrapper script: the line --progress=json
// prints. `frames` is 0 while the count is not known yet; `eta` (seconds
// left) is none until the estimate is steady.
struct ProgressEvent
{
    QString file;
    QString state; // started, running, done, failed or skipped
    long long frame = 0;
    long long frames = 0;
    double fps = 0.0;
    std::optional<double> eta;
    QString result; // the result's path, when started, done or skipped
    QString error;  // why, when failed
};

// The event as one compact JSON object and a newline; "eta" is null when
// unknown, "result" and "error" are there only when they are not empty.
QByteArray progressJsonLine(const ProgressEvent& event);

} // namespace render
