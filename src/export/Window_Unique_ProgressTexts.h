#pragma once

#include <QString>
#include <cstdint>

// What the progress sheet says: the step under way, the frame being given the
// look, and the time left.
namespace exporting {

// The export's transcoder runs, as the controller's u_Type_Progress holds
// them; any value above EncodingMp4 means no transcoder run is under way.
enum ProgressKind : std::uint64_t {
    ExtractingSound = 0,  // Step 1
    ExtractingFrames = 1, // Step 2
    EncodingVideo = 2,    // Step 5
    AddingSound = 3,      // Step 6
    EncodingMp4 = 4,      // Step 7
};

// The step run by the transcoder whose u_Type_Progress is `typeProgress`, in
// plain words; empty for a value that is no ProgressKind.
QString stepText(std::uint64_t typeProgress);

// "Applying the look: frame 120 of 300".
QString filteringText(std::int64_t done, std::int64_t total);

// "About 1 h 5 min left", "About 2 min 5 s left", "About 12 s left", "Less
// than a second left"; empty for a negative or unknown time.
QString timeLeftText(double seconds);

} // namespace exporting
