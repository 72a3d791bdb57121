#pragma once

// Internal: the polynomial through n points (ws[i], values[i]), by divided
// differences (the Newton form) expanded into powers of w: poly[d] is the
// coefficient of w^d. `values` is overwritten. The fitted power curves
// (PowerCurve) take their points at Chebyshev nodes.

namespace imagefilter::detail {

inline void interpolatingPolynomial(const double* ws, double* values, double* poly, int n)
{
    for (int j = 1; j < n; ++j)
        for (int i = n - 1; i >= j; --i)
            values[i] = (values[i] - values[i - 1]) / (ws[i] - ws[i - j]);
    for (int d = 0; d < n; ++d)
        poly[d] = 0.0;
    poly[0] = values[n - 1];
    for (int m = n - 2, deg = 0; m >= 0; --m, ++deg) {
        // poly = poly * (w - ws[m]) + values[m]
        for (int d = deg + 1; d >= 1; --d)
            poly[d] = poly[d - 1] - poly[d] * ws[m];
        poly[0] = -poly[0] * ws[m] + values[m];
    }
}

} // namespace imagefilter::detail
