#pragma once

namespace projector {

// Where a frame lies in its video: what the chain needs besides the pixels
// to draw the frame's random and moving effects the same way at every call.
struct FramePlace
{
    // The frame's number in its source (frame n shows at n / rate seconds).
    long long number = 0;
    // The source's frames a second (the speed of weave and flicker).
    double rate = 25.0;
    // The full frame's size over the rendered one's (playback renders a
    // reduced copy): the scratches are drawn scaled by it so they lie as on
    // the full frame.
    double grainScale = 1.0;
};

} // namespace projector
