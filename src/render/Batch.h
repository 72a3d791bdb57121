#pragma once

#include "effects/Look.h"
#include "render/RenderOptions.h"

#include <QSet>
#include <QString>

// Every video of one oldreel-render call, one or more at a time.
namespace render {

class ProgressOutput;
class RenderJob;

// Keeps the jobs that run, so that Ctrl+C stops all of them.
class JobWatch
{
public:
    virtual ~JobWatch() = default;
    // Makes `job` one that an interruption stops; false when the run was
    // interrupted already, and then the job must not start.
    virtual bool watch(RenderJob* job) = 0;
    virtual void forget(RenderJob* job) = 0;
    virtual bool interrupted() const = 0;
};

struct BatchSetup
{
    QString transcoder;
    Options options;
    effects::Look look;
    // The videos named by bytes that are not UTF-8: no file has the name we got.
    QSet<QString> undecodable;
};

// Renders the videos in their order, options.jobs at once: on as many
// threads, which share the chain's one worker pool. Each video's result name
// is chosen in the videos' order before its render starts, so the names do not
// depend on which render ends first. Returns true when every video rendered or
// was skipped; an interruption stops every job (each removes its unfinished
// result) and starts no other.
bool renderBatch(const BatchSetup& setup, ProgressOutput& output, JobWatch& watch);

} // namespace render
