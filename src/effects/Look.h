#pragma once

#include <cstdint>
#include <string>

namespace effects {

// A complete set of effect settings: the three looks, sepia, the tone
// controls, the colour balance, vignette, grain and light, and the
// projector's effects (weave, flicker, cadence, gate, halation, grain size)
// and old sound, and the film stock.
// Flags hold 1 (on) or 0 (off); strengths are stored on their sliders' scale
// and divided where the chain uses them. A fresh Look is the panel's default
// state; every projector effect is off in it.
class Look
{
public:
    std::uint8_t b_Chrome() const { return b_Chrome_; }
    void setB_Chrome(std::uint8_t value) { b_Chrome_ = value; }
    std::uint8_t b_Instant() const { return b_Instant_; }
    void setB_Instant(std::uint8_t value) { b_Instant_ = value; }
    std::uint8_t b_Process() const { return b_Process_; }
    void setB_Process(std::uint8_t value) { b_Process_ = value; }
    std::uint8_t b_Sepia() const { return b_Sepia_; }
    void setB_Sepia(std::uint8_t value) { b_Sepia_ = value; }
    float f_Brightness() const { return f_Brightness_; }
    void setF_Brightness(float value) { f_Brightness_ = value; }
    float f_Contrast() const { return f_Contrast_; }
    void setF_Contrast(float value) { f_Contrast_ = value; }
    std::uint8_t b_Gamma() const { return b_Gamma_; }
    void setB_Gamma(std::uint8_t value) { b_Gamma_ = value; }
    float f_Gamma() const { return f_Gamma_; }
    void setF_Gamma(float value) { f_Gamma_ = value; }
    std::uint8_t b_Exposure() const { return b_Exposure_; }
    void setB_Exposure(std::uint8_t value) { b_Exposure_ = value; }
    float f_Exposure() const { return f_Exposure_; }
    void setF_Exposure(float value) { f_Exposure_ = value; }
    float f_Saturation() const { return f_Saturation_; }
    void setF_Saturation(float value) { f_Saturation_ = value; }
    float f_Red_Balance() const { return f_Red_Balance_; }
    void setF_Red_Balance(float value) { f_Red_Balance_ = value; }
    float f_Green_Balance() const { return f_Green_Balance_; }
    void setF_Green_Balance(float value) { f_Green_Balance_ = value; }
    float f_Blue_Balance() const { return f_Blue_Balance_; }
    void setF_Blue_Balance(float value) { f_Blue_Balance_ = value; }
    std::uint8_t b_Vignetting() const { return b_Vignetting_; }
    void setB_Vignetting(std::uint8_t value) { b_Vignetting_ = value; }
    float f_Vignetting() const { return f_Vignetting_; }
    void setF_Vignetting(float value) { f_Vignetting_ = value; }
    std::uint8_t b_Noise() const { return b_Noise_; }
    void setB_Noise(std::uint8_t value) { b_Noise_ = value; }
    float f_Noise() const { return f_Noise_; }
    void setF_Noise(float value) { f_Noise_ = value; }
    std::uint8_t b_Light() const { return b_Light_; }
    void setB_Light(std::uint8_t value) { b_Light_ = value; }
    float f_Light() const { return f_Light_; }
    void setF_Light(float value) { f_Light_ = value; }

    std::uint8_t b_Weave() const { return b_Weave_; }
    void setB_Weave(std::uint8_t value) { b_Weave_ = value; }
    float f_Weave() const { return f_Weave_; }
    void setF_Weave(float value) { f_Weave_ = value; }
    std::uint8_t b_Flicker() const { return b_Flicker_; }
    void setB_Flicker(std::uint8_t value) { b_Flicker_ = value; }
    float f_Flicker() const { return f_Flicker_; }
    void setF_Flicker(float value) { f_Flicker_ = value; }
    // The rate the camera was cranked at, in frames a second; 0 is off.
    int i_Cadence() const { return i_Cadence_; }
    void setI_Cadence(int value) { i_Cadence_ = value; }
    // The gate's shape, an index into projector::gateShapes(); 0 is Full.
    int i_Gate() const { return i_Gate_; }
    void setI_Gate(int value) { i_Gate_ = value; }
    std::uint8_t b_Halation() const { return b_Halation_; }
    void setB_Halation(std::uint8_t value) { b_Halation_ = value; }
    float f_Halation() const { return f_Halation_; }
    void setF_Halation(float value) { f_Halation_ = value; }
    float f_Halation_Radius() const { return f_Halation_Radius_; }
    void setF_Halation_Radius(float value) { f_Halation_Radius_ = value; }
    // Pixels per grain at 1080 lines; 1 is Fine (one pixel at any size).
    int i_Grain_Size() const { return i_Grain_Size_; }
    void setI_Grain_Size(int value) { i_Grain_Size_ = value; }
    // Old sound: the track band-limited, with crackle, hiss and a projector's
    // whir, at a strength from 0 to 100.
    std::uint8_t b_Old_Sound() const { return b_Old_Sound_; }
    void setB_Old_Sound(std::uint8_t value) { b_Old_Sound_ = value; }
    float f_Old_Sound() const { return f_Old_Sound_; }
    void setF_Old_Sound(float value) { f_Old_Sound_ = value; }
    // Film stock: a .cube file's look-up table (its absolute path; empty is
    // None) mixed in at a strength from 0 to 100 after the colour controls.
    const std::string& s_Stock() const { return s_Stock_; }
    void setS_Stock(const std::string& value) { s_Stock_ = value; }
    float f_Stock_Strength() const { return f_Stock_Strength_; }
    void setF_Stock_Strength(float value) { f_Stock_Strength_ = value; }
    // Mixed with a frame's number into the seed of its random effects.
    std::uint32_t u_Seed() const { return u_Seed_; }
    void setU_Seed(std::uint32_t value) { u_Seed_ = value; }

    friend bool operator==(const Look&, const Look&) = default;

private:
    std::uint8_t b_Chrome_ = 0;
    std::uint8_t b_Instant_ = 1;
    std::uint8_t b_Process_ = 0;
    std::uint8_t b_Sepia_ = 1;
    float f_Brightness_ = 0.0f;
    float f_Contrast_ = 100.0f;
    std::uint8_t b_Gamma_ = 0;
    float f_Gamma_ = 75.0f;
    std::uint8_t b_Exposure_ = 0;
    float f_Exposure_ = 50.0f;
    float f_Saturation_ = 100.0f;
    float f_Red_Balance_ = 100.0f;
    float f_Green_Balance_ = 100.0f;
    float f_Blue_Balance_ = 100.0f;
    std::uint8_t b_Vignetting_ = 0;
    float f_Vignetting_ = 10.0f;
    std::uint8_t b_Noise_ = 0;
    float f_Noise_ = 50.0f;
    std::uint8_t b_Light_ = 0;
    float f_Light_ = 50.0f;
    std::uint8_t b_Weave_ = 0;
    float f_Weave_ = 30.0f;
    std::uint8_t b_Flicker_ = 0;
    float f_Flicker_ = 30.0f;
    int i_Cadence_ = 0;
    int i_Gate_ = 0;
    std::uint8_t b_Halation_ = 0;
    float f_Halation_ = 40.0f;
    float f_Halation_Radius_ = 30.0f;
    int i_Grain_Size_ = 1;
    std::uint8_t b_Old_Sound_ = 0;
    float f_Old_Sound_ = 50.0f;
    std::string s_Stock_;
    float f_Stock_Strength_ = 100.0f;
    std::uint32_t u_Seed_ = 1;
};

} // namespace effects
