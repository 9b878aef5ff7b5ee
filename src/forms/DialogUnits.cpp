// SPDX-License-Identifier: MIT
#include "forms/DialogUnits.h"

#include <QFontMetrics>

namespace {

// The average width of the letters, rounded, as dialog templates measure it.
int AverageLetterWidth(const QFontMetrics& metrics) {
    const int width =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (width / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_cxChar = AverageLetterWidth(metrics);
    m_cyChar = metrics.height();
}

int DialogUnits::X(int units) const { return (units * m_cxChar + 2) / 4; }

int DialogUnits::Y(int units) const { return (units * m_cyChar + 4) / 8; }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

DialogUnits DialogUnits::WidenedToFit(int pixels, int width) const {
    if (width <= 0 || X(width) >= pixels) return *this;
    return DialogUnits((4 * pixels + width - 1) / width, m_cyChar);
}
