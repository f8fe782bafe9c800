#pragma once
// Axis ticks at round numbers: steps of 1, 2 or 5 times a power of ten,
// anchored at zero so that zero is a tick exactly, however large the range.

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QValueAxis;
QT_END_NAMESPACE

namespace zorvan::plot {

// The round step that gives about `ticks` intervals over the span.
double niceStep(double span, int ticks);

// Sets the axis's ticks to round steps now and whenever its range changes.
void keepTicksRound(QValueAxis* axis, int ticks);

}  // namespace zorvan::plot
