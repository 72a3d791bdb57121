// The undo history of the look: every change of the effect panel (a control,
// a preset, Reset) is one step that puts back both the record and the panel.
#include "app/LookHistory.h"

#include "app/AppDelegate.h"
#include "app/widgets/View_Presets_Thumbnails.h"

#include <QUndoCommand>
#include <QUndoStack>

namespace app {

namespace {

unsigned gestureCounter = 0;

class LookChange final : public QUndoCommand
{
public:
    LookChange(AppDelegate& c, LookState before, LookState after, const QString& text, int control,
               unsigned gesture)
        : c_(c), before_(std::move(before)), after_(std::move(after)), control_(control),
          gesture_(gesture)
    {
        setText(text);
    }

    // Only commands of one control may merge; mergeWith decides on the gesture.
    int id() const override { return control_ > 0 && gesture_ != 0 ? control_ : -1; }

    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const LookChange*>(other);
        if (next->gesture_ != gesture_ || next->before_.record != after_.record)
            return false;
        after_ = next->after_;
        return true;
    }

    void undo() override { restoreLook(c_, before_); }

    // The first redo is the push: the change has already been made.
    void redo() override
    {
        if (pushed_)
            restoreLook(c_, after_);
        pushed_ = true;
    }

private:
    AppDelegate& c_;
    LookState before_;
    LookState after_;
    int control_;
    unsigned gesture_;
    bool pushed_ = false;
};

} // namespace

LookState lookNow(const AppDelegate& c)
{
    if (!c.obj_Video)
        return {};
    return {c.obj_Video, *c.obj_Video};
}

void restoreLook(AppDelegate& c, const LookState& state)
{
    if (!c.obj_Video || !state.record)
        return;
    if (state.record != c.obj_Video) {
        // The video stays the one open now, whichever record holds its look.
        const NodeImageInformation& open = *c.obj_Video;
        NodeImageInformation& record = *state.record;
        record.setImgVideo(open.imgVideo());
        record.setSPath(open.sPath());
        record.setSDuration(open.sDuration());
        record.setF_FPS(open.f_FPS());
        record.setI_Duration_In_Seconds(open.i_Duration_In_Seconds());
        record.setVideoFacts(open.videoFacts());
        c.obj_Video = state.record;
    }
    static_cast<effects::Look&>(*c.obj_Video) = state.look;
    c.Apply_Reset();
    if (c.viewPresets)
        c.viewPresets->update();
}

void recordLookChange(AppDelegate& c, const LookState& before, const QString& text, int control,
                      unsigned gesture)
{
    const LookState after = lookNow(c);
    if (!before.record || (after.record == before.record && after.look == before.look))
        return;
    c.Look_History().push(new LookChange(c, before, after, text, control, gesture));
}

void applyWholeLook(AppDelegate& c, const effects::Look& look, const QString& text)
{
    if (!c.obj_Video)
        return;
    const LookState before = lookNow(c);
    // A record of its own takes the look in place, so applying the same look
    // again changes nothing and makes no step.
    const VideoRecord record = c.array_Presets.contains(c.obj_Video)
                                   ? std::make_shared<NodeImageInformation>()
                                   : c.obj_Video;
    restoreLook(c, {record, look});
    recordLookChange(c, before, text);
}

unsigned beginGesture()
{
    if (++gestureCounter == 0)
        ++gestureCounter;
    return gestureCounter;
}

unsigned currentGesture(bool sliderDown)
{
    return sliderDown ? gestureCounter : 0;
}

} // namespace app

QUndoStack& AppDelegate::Look_History()
{
    if (!undoLook) {
        undoLook = new QUndoStack(this);
        undoLook->setUndoLimit(500);
    }
    return *undoLook;
}
