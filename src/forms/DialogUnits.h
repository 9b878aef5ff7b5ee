// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QRect>

// Converts a dialog resource's units to pixels for a form font: x units are
// quarters of the font's average character width, y units eighths of its
// height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int averageCharWidth, int charHeight)
        : m_cxChar(averageCharWidth), m_cyChar(charHeight) {}

    // The same units, with characters wide enough that `width` units hold
    // `pixels`: a font wider than the one the form was drawn for still
    // shows every text whole.
    DialogUnits WidenedToFit(int pixels, int width) const;

    int AverageCharWidth() const { return m_cxChar; }
    int CharHeight() const { return m_cyChar; }
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;

private:
    int m_cxChar;
    int m_cyChar;
};
