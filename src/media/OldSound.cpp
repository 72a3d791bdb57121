#include "media/OldSound.h"

#include "effects/Look.h"

#include <algorithm>

namespace media {

namespace {

// The band an optical sound track carries, and how many two-pole sections
// bound it on each side: three give a fall of 36 dB an octave, steep enough
// that almost nothing of the source is left outside it.
constexpr int kLowEdgeHz = 300;
constexpr int kHighEdgeHz = 3500;
constexpr int kSections = 3;

// At full strength: the hiss's and the whir's peak levels, the clicks a
// second and their peak level, and how much the source is lowered so the
// added noise does not clip.
constexpr double kHiss = 0.05;
constexpr double kWhir = 0.02;
constexpr double kClicksPerSecond = 12.0;
constexpr double kClick = 0.7;
constexpr double kHeadroom = 0.15;

QString number(double value)
{
    return QString::number(value, 'f', 4);
}

} // namespace

QString oldSoundFilter(float strength)
{
    const double s = std::clamp(double(strength), 0.0, 100.0) / 100.0;
    // random(k) keeps its own state in slot k, so the noise is the same on
    // every run. The whir is a tone swelling at the shutter's 24 Hz; a click
    // comes when a draw passes a threshold set by the clicks a second at the
    // track's rate (s inside the expression).
    const QString expression =
        QStringLiteral(
            "val(ch)*%1 + %2*(random(0)-0.5) + %3*sin(2*PI*420*t)*(0.6+0.4*sin(2*PI*24*t)) "
            "+ if(gt(random(1),1-%4/s),%5*(random(2)-0.5),0)")
            .arg(number(1.0 - kHeadroom * s), number(2.0 * kHiss * s), number(kWhir * s),
                 number(1.0 + (kClicksPerSecond - 1.0) * s), number(2.0 * kClick * s));
    QStringList chain{QStringLiteral("aeval=exprs='%1':c=same").arg(expression)};
    for (int i = 0; i < kSections; ++i)
        chain << QStringLiteral("highpass=f=%1").arg(kLowEdgeHz);
    for (int i = 0; i < kSections; ++i)
        chain << QStringLiteral("lowpass=f=%1").arg(kHighEdgeHz);
    return chain.join(QLatin1Char(','));
}

QStringList oldSoundArguments(const effects::Look& look)
{
    if (!look.b_Old_Sound())
        return {};
    return {QStringLiteral("-af"), oldSoundFilter(look.f_Old_Sound())};
}

} // namespace media
